// One parsed record: its elements in the order read, with a read cursor.
#ifndef INVENTORY_PERSIST_CSRMREPORTTUPLE_H
#define INVENTORY_PERSIST_CSRMREPORTTUPLE_H

#include <cstddef>
#include <string>
#include <vector>

#include "inventory/persist/TupleStatus.h"
#include "ulvar/export.h"

// An element keeps its surrounding double quotes exactly as they stood in the record text;
// SrmSplitKeyValuePair takes them off. All operations return a status code from TupleStatus.h.
class ULVAR_API CSRMReportTuple {
  public:
    CSRMReportTuple();
    virtual ~CSRMReportTuple();

    // Copies the elements; the copy's cursor starts at the first element.
    CSRMReportTuple(const CSRMReportTuple &other);
    CSRMReportTuple &operator=(const CSRMReportTuple &other);

    // Appends `e`, also when empty: TUPLE_STATUS_OK, or TUPLE_STATUS_NO_MEMORY when memory runs
    // out. Adding rewinds the cursor before the next getNextElement.
    int addElement(const std::string &e);

    // Appends the first `n` characters of `s` when `n` is greater than 0 (REQUIRES: `s` holds at
    // least `n` characters), else the whole NUL-terminated `s`: TUPLE_STATUS_OK;
    // TUPLE_STATUS_NULL_ARGUMENT for a null `s`; TUPLE_STATUS_NO_MEMORY when memory runs out.
    int addElement(const char *s, long n);

    // Copies the element at the cursor into `e` and advances: TUPLE_STATUS_OK; TUPLE_STATUS_END
    // with `e` unchanged when the cursor is past the last element.
    int getNextElement(std::string &e);

    // Replaces `v` by a copy of all elements: TUPLE_STATUS_OK, or TUPLE_STATUS_NO_MEMORY when
    // memory runs out.
    int getAllElements(std::vector<std::string> &v) const;

    // Puts the cursor on the first element: TUPLE_STATUS_OK.
    int resetNext();

    // Removes all elements and rewinds: TUPLE_STATUS_OK.
    int clearTuple();

    // Makes room for `n` elements in advance; a hint only, ignored when memory runs out.
    void reserveElements(std::size_t n);

    // Number of elements held.
    std::size_t elementCount() const { return elements.size(); }

  private:
    std::vector<std::string> elements;
    // An index rather than an iterator, so that appending never leaves it dangling.
    std::size_t cursor;
    int changed;
};

#endif
