// Formats one record into a text buffer and writes it with a single write(2).
#ifndef INVENTORY_RECORD_SRMRECORDWRITER_H
#define INVENTORY_RECORD_SRMRECORDWRITER_H

#include <cstddef>
#include <string>

#include "ulvar/export.h"

// Every record of a database file is written through this class:
//
//   SrmRecordWriter w(db->getRecordText());
//   w.addWord(SRM_KEY_Type, SRM_KEY_Disk);
//   w.addText(SRM_KEY_Id, id);
//   w.addLong(SRM_KEY_CapacityKB, capacity);
//   return w.write(fd);
//
// Each element is `"key=value",` with the key taken from the dictionary by id; the record ends in
// `;` and a newline, so every record ends in `,;` and a newline. Text elements with an empty
// value are skipped (addText) or written as `"key=",` (addTextAlways, for the header); numbers
// are always written, in decimal.
//
// Values of any length are written whole: the buffer grows as needed and nothing is cut.
//
// Double quotes in text values. Inside `"key=value",` the reader starts the value inside quotes;
// every double quote in the value flips between inside and outside, and a comma read outside
// ends the element there. A value therefore reads back unchanged exactly when it holds an even
// number of double quotes and no comma between an odd-numbered quote and the next one (as every
// value read from record text does); such a value is written as it stands. Any other value would
// break its record and the records after it: it is written with each of its double quotes
// replaced by an apostrophe, and nothing else changed.
//
// The writer keeps a reference to `record`: the buffer must outlive it, and one writer at a time
// may use a buffer. One thread at a time.
class ULVAR_API SrmRecordWriter {
  public:
    // Empties `record`; its capacity is kept for the new record.
    explicit SrmRecordWriter(std::string &record);

    SrmRecordWriter(const SrmRecordWriter &) = delete;
    SrmRecordWriter &operator=(const SrmRecordWriter &) = delete;

    // `"%s=%s",` when `value` is not empty; nothing when it is.
    void addText(int keyId, const std::string &value);
    // `"%s=%s",` also for an empty value.
    void addTextAlways(int keyId, const std::string &value);
    // `"%s=%s",` with a dictionary word as the value, as "Type" carries the kind word.
    void addWord(int keyId, int wordId);
    // `"%s=%d",`, `"%s=%ld",` and `"%s=%lld",`, always written.
    void addInt(int keyId, int value);
    void addLong(int keyId, long value);
    void addLongLong(int keyId, long long value);

    // Ends the record with `;` and a newline and writes it to `fd` with one write(2): 1 when every
    // byte was written; 0 when fewer were, or when an element could not be formatted (a key id
    // outside the dictionary, or memory ran out), in which case nothing is written.
    int write(int fd);

    // The record as formatted so far (after write(), with its ending).
    const std::string &text() const { return record; }

  private:
    // Appends `"key=value",`; `value` is already safe to write.
    void appendElement(int keyId, const char *value, std::size_t length);
    void appendText(int keyId, const std::string &value);

    std::string &record;
    bool failed;
    bool ended;
};

extern "C" {

// Non-zero when `value` reads back unchanged from a text element (the rule above).
ULVAR_API int SrmRecordValueReadsBack(const char *value, size_t length);

}  // extern "C"

// `value` as the writer writes it: unchanged when it reads back, else with its double quotes
// replaced by apostrophes.
ULVAR_API std::string SrmRecordSafeValue(const std::string &value);

#endif
