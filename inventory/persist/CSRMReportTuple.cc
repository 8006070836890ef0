#include "inventory/persist/CSRMReportTuple.h"

#include <exception>
#include <new>

#include "inventory/model/internal/SrmOutOfMemory.h"
#include "inventory/persist/TupleStatus.h"

CSRMReportTuple::CSRMReportTuple() : cursor(0), changed(0) {}

CSRMReportTuple::~CSRMReportTuple() {}

CSRMReportTuple::CSRMReportTuple(const CSRMReportTuple &other)
    : elements(other.elements), cursor(0), changed(0) {}

CSRMReportTuple &CSRMReportTuple::operator=(const CSRMReportTuple &other) {
    if (this != &other) {
        elements = other.elements;
        cursor = 0;
        changed = 0;
    }
    return *this;
}

int CSRMReportTuple::addElement(const std::string &e) {
    try {
        elements.push_back(e);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return TUPLE_STATUS_NO_MEMORY;
    }
    changed = 1;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::addElement(const char *s, long n) {
    if (s == nullptr) {
        return TUPLE_STATUS_NULL_ARGUMENT;
    }
    try {
        if (n > 0) {
            elements.emplace_back(s, static_cast<std::size_t>(n));
        } else {
            elements.emplace_back(s);
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return TUPLE_STATUS_NO_MEMORY;
    }
    changed = 1;
    return TUPLE_STATUS_OK;
}

void CSRMReportTuple::reserveElements(std::size_t n) {
    try {
        elements.reserve(n);
    } catch (const std::exception &) {
    }
}

int CSRMReportTuple::getNextElement(std::string &e) {
    if (changed) {
        resetNext();
    }
    if (cursor >= elements.size()) {
        return TUPLE_STATUS_END;
    }
    try {
        e = elements[cursor];
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return TUPLE_STATUS_NO_MEMORY;
    }
    ++cursor;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::getAllElements(std::vector<std::string> &v) const {
    try {
        v = elements;
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
    elements.clear();
    return resetNext();
}
