// The scanner's error records: failures the management station is to see,
// grouped under a key naming where they happened (normally the scanned host's
// name), written with the database and read back with it.
#ifndef INVENTORY_MODEL_SRMERROR_H
#define INVENTORY_MODEL_SRMERROR_H

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ulvar/export.h"

class CSRMReportTuple;
class SrmResourceDatabase;

// One error record. Neither reference counted nor copyable: the error list that
// adopts it deletes it.
class ULVAR_API SrmError {
  public:
    // Bound to `db` (not owned; may be null), severity 2, code EINVAL, empty texts.
    explicit SrmError(SrmResourceDatabase *db);
    // Unbound until a list adopts it; FileName stays empty. `reserved` is kept
    // and never written.
    SrmError(std::string description, int ecode, int severity, int reserved, std::string eclass,
             std::string etype, std::string efunc);
    ~SrmError();

    SrmError(const SrmError &) = delete;
    SrmError &operator=(const SrmError &) = delete;

    // Writes the record "Type"=Error, "Id"=`key`, "ErrorDesc", "Ecode", "Sev",
    // "FileName", "Etype", "Eclass", "Efunc" (texts only when not empty, the two
    // numbers always) with one write(2). 1 when the whole record was written; 0
    // without a database or buffer, or on a short write. `flags` is not used.
    int serialize(int fd, int flags, std::string key);
    // Fills the error from `record` (not owned; its cursor is rewound) until an
    // element does not split; "Id" goes to `key`. 0 for a null record, else 1.
    int deserialize(int fd, std::string &key, CSRMReportTuple *record);

    // Number taken from the class-wide counter at construction; consecutive
    // constructions get consecutive numbers, also across threads.
    int32_t getSequence() const { return seq; }
    int32_t getReserved() const { return reserved; }

    SrmResourceDatabase *db;  // whose record text serialize uses; not owned
    int32_t Sev = 2;
    int32_t Ecode = EINVAL;
    std::string FileName;
    std::string Efunc;
    std::string Eclass;
    std::string Etype;
    std::string ErrorDesc;

  private:
    // Class-wide; databases may live on different threads, so it is atomic.
    static std::atomic<int32_t> m_cur_seq;

    int32_t seq;
    int32_t reserved = 0;
};

// The errors of one key, in the order they were added.
using SrmErrorIdList = std::vector<SrmError *>;
// Lower-cased key -> its errors, keys in ascending order.
using SrmErrorMap = std::map<std::string, SrmErrorIdList>;

// Errors grouped by key; keys differing only in letter case share one group.
// Owns every error it holds. Used by one thread at a time.
class ULVAR_API SrmErrorList {
  public:
    // Empty, bound to `db` (not owned; may be null).
    explicit SrmErrorList(SrmResourceDatabase *db);
    // Deletes every error.
    ~SrmErrorList();

    SrmErrorList(const SrmErrorList &) = delete;
    SrmErrorList &operator=(const SrmErrorList &) = delete;

    // Appends `e` to the group of the lower-cased `key`, binds it to this
    // list's database and takes ownership of it: 1. 0 for a null `e`, an empty
    // key, or when memory ran out; `e` then stays the caller's, untouched.
    int addError(std::string key, SrmError *e);

    // Errors under the lower-cased `key` (0 when absent), and under all keys.
    int getErrorCount(std::string key) const;
    int getErrorCount() const;

    // The group of the lower-cased `key`, owned by the list and valid until the
    // list changes; null when the key is empty or absent.
    const SrmErrorIdList *getSrmErrorIdMap(std::string key) const;
    // Every group, for walking in key order.
    const SrmErrorMap &getErrorMap() const { return groups; }

    // Records a copy of every error of `other` (key order, then list order)
    // through the database's addError(key, ErrorDesc, Ecode, Sev); FileName,
    // Etype, Eclass and Efunc are not carried. 0 without a database or at the
    // first refusal (what was added before stays); 1 otherwise, also when
    // `other` is null, empty, or this very list.
    int mergeErrors(SrmErrorList *other);

    // Writes every error, keys in order, each under its key. The number of
    // records written whole.
    int serialize(int fd, int flags);

    SrmResourceDatabase *getDb() const { return db; }

  private:
    SrmErrorMap groups;
    SrmResourceDatabase *db;
};

#endif
