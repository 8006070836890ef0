#include "inventory/persist/CSRMReportTuple.h"

#include <exception>
#include <new>

#include "inventory/persist/TupleStatus.h"

CSRMReportTuple::CSRMReportTuple() : cursor_(0), changed_(0) {}

CSRMReportTuple::~CSRMReportTuple() {}

CSRMReportTuple::CSRMReportTuple(const CSRMReportTuple &other)
    : elements_(other.elements_), cursor_(0), changed_(0) {}

CSRMReportTuple &CSRMReportTuple::operator=(const CSRMReportTuple &other) {
    if (this != &other) {
        elements_ = other.elements_;
        cursor_ = 0;
        changed_ = 0;
    }
    return *this;
}

int CSRMReportTuple::addElement(const std::string &e) {
    try {
        elements_.push_back(e);
    } catch (const std::bad_alloc &) {
        return TUPLE_STATUS_NO_MEMORY;
    }
    changed_ = 1;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::addElement(const char *s, long n) {
    if (s == nullptr) {
        return TUPLE_STATUS_NULL_ARGUMENT;
    }
    try {
        if (n > 0) {
            elements_.emplace_back(s, static_cast<std::size_t>(n));
        } else {
            elements_.emplace_back(s);
        }
    } catch (const std::bad_alloc &) {
        return TUPLE_STATUS_NO_MEMORY;
    }
    changed_ = 1;
    return TUPLE_STATUS_OK;
}

void CSRMReportTuple::reserveElements(std::size_t n) {
    try {
        elements_.reserve(n);
    } catch (const std::exception &) {
    }
}

int CSRMReportTuple::getNextElement(std::string &e) {
    if (changed_) {
        resetNext();
    }
    if (cursor_ >= elements_.size()) {
        return TUPLE_STATUS_END;
    }
    try {
        e = elements_[cursor_];
    } catch (const std::bad_alloc &) {
        return TUPLE_STATUS_NO_MEMORY;
    }
    ++cursor_;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::getAllElements(std::vector<std::string> &v) const {
    try {
        v = elements_;
    } catch (const std::bad_alloc &) {
        return TUPLE_STATUS_NO_MEMORY;
    }
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::resetNext() {
    cursor_ = 0;
    changed_ = 0;
    return TUPLE_STATUS_OK;
}

int CSRMReportTuple::clearTuple() {
    elements_.clear();
    return resetNext();
}
