#include "inventory/record/CSRMReportTuple.h"

#include <cstring>
#include <exception>
#include <new>

#include "inventory/record/TupleStatus.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

CSRMReportTuple::CSRMReportTuple() : cursor(0), changed(0) {}

CSRMReportTuple::~CSRMReportTuple() {}

CSRMReportTuple::CSRMReportTuple(const CSRMReportTuple &other)
    : text(other.text), ends(other.ends), cursor(0), changed(0) {}

CSRMReportTuple &CSRMReportTuple::operator=(const CSRMReportTuple &other) {
    if (this != &other) {
        text = other.text;
        ends = other.ends;
        cursor = 0;
        changed = 0;
    }
    return *this;
}

int CSRMReportTuple::addElement(const std::string &e) {
    std::size_t size = text.size();
    try {
        text.append(e);
        ends.push_back(text.size());
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        text.resize(size);
        return TUPLE_STATUS_NO_MEMORY;
    }
    changed = 1;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::addElement(const char *s, long n) {
    if (s == nullptr) {
        return TUPLE_STATUS_NULL_ARGUMENT;
    }
    std::size_t size = text.size();
    try {
        text.append(s, n > 0 ? static_cast<std::size_t>(n) : std::strlen(s));
        ends.push_back(text.size());
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        text.resize(size);
        return TUPLE_STATUS_NO_MEMORY;
    }
    changed = 1;
    return TUPLE_STATUS_OK;
}

void CSRMReportTuple::reserveElements(std::size_t n) {
    try {
        ends.reserve(n);
    } catch (const std::exception &) {
    }
}

int CSRMReportTuple::getNextElement(std::string &e) {
    if (changed) {
        resetNext();
    }
    if (cursor >= ends.size()) {
        return TUPLE_STATUS_END;
    }
    try {
        std::string_view element = elementAt(cursor);
        e.assign(element.data(), element.size());
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return TUPLE_STATUS_NO_MEMORY;
    }
    ++cursor;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::getAllElements(std::vector<std::string> &v) const {
    try {
        std::vector<std::string> all;
        all.reserve(ends.size());
        for (std::size_t i = 0; i < ends.size(); ++i) {
            all.emplace_back(elementAt(i));
        }
        v.swap(all);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return TUPLE_STATUS_NO_MEMORY;
    }
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::resetNext() {
    cursor = 0;
    changed = 0;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::clearTuple() {
    text.clear();
    ends.clear();
    return resetNext();
}
