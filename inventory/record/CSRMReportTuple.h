// One parsed record: its elements in the order read, with a read cursor.
#ifndef INVENTORY_RECORD_CSRMREPORTTUPLE_H
#define INVENTORY_RECORD_CSRMREPORTTUPLE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/record/TupleStatus.h"
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
    std::size_t elementCount() const { return ends.size(); }

    // Walks the elements from the first, as getNextElement would, without copying them: calls
    // `visit(std::string_view element)` for each and advances the cursor past it, until `visit`
    // returns false or the elements run out. A view stays valid until the tuple is changed.
    template <typename Visit>
    void walkElements(Visit visit) {
        resetNext();
        while (cursor < ends.size()) {
            std::string_view e = elementAt(cursor++);
            if (!visit(e)) {
                break;
            }
        }
    }

  private:
    friend class CSRMReportTupleStreamReader;  // reads record text straight into `text`

    std::string_view elementAt(std::size_t i) const {
        std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text.data() + begin, ends[i] - begin);
    }

    // The elements one after another, element i ending at ends[i]: one block for a record rather
    // than one string per element.
    std::string text;
    std::vector<std::size_t> ends;
    std::size_t cursor;
    int changed;
};

#endif
