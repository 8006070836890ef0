// One parsed record: its elements in the order read, with a read cursor.
#ifndef ULVAR_PERSIST_CSRMREPORTTUPLE_H
#define ULVAR_PERSIST_CSRMREPORTTUPLE_H

#include <cstddef>
#include <string>
#include <vector>

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

    // Appends `e`, also when empty: 0, or 258 when memory runs out. Adding rewinds the cursor
    // before the next getNextElement.
    int addElement(const std::string &e);

    // Appends the first `n` characters of `s` when `n` is greater than 0 (REQUIRES: `s` holds at
    // least `n` characters), else the whole NUL-terminated `s`: 0; 260 for a null `s`; 258 when
    // memory runs out.
    int addElement(const char *s, long n);

    // Copies the element at the cursor into `e` and advances: 0; 257 with `e` unchanged when the
    // cursor is past the last element.
    int getNextElement(std::string &e);

    // Replaces `v` by a copy of all elements: 0, or 258 when memory runs out.
    int getAllElements(std::vector<std::string> &v) const;

    // Puts the cursor on the first element: 0.
    int resetNext();

    // Removes all elements and rewinds: 0.
    int clearTuple();

    // Makes room for `n` elements in advance; a hint only, ignored when memory runs out.
    void reserveElements(std::size_t n);

    // Number of elements held.
    std::size_t elementCount() const { return elements_.size(); }

  private:
    std::vector<std::string> elements_;
    // An index rather than an iterator, so that appending never leaves it dangling.
    std::size_t cursor_;
    int changed_;
};

#endif
