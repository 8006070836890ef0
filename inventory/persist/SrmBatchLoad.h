// The scanner's add road: one batch of record text of one kind goes into an
// anonymous batch file, which becomes the database's record stream; every
// record read from it fills a fresh resource of the kind, which is merged into
// the resource the database already holds for it or added as a new one.
//
// The Java natives run every batch through here; so can any other caller that
// holds the text, and it can learn what became of each record.
#ifndef INVENTORY_PERSIST_SRMBATCHLOAD_H
#define INVENTORY_PERSIST_SRMBATCHLOAD_H

#include <cstddef>
#include <functional>
#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

class SrmResourceDatabase;

// Status strings of a batch, exactly as the scanner compares them.
ULVAR_API extern const char kSrmBatchOk[];        // "The operation succeeded."
ULVAR_API extern const char kSrmBatchNoMemory[];  // "Memory allocation error"
ULVAR_API extern const char kSrmBatchNoFile[];    // "The file could not be opened."
ULVAR_API extern const char kSrmBatchNoStream[];  // "Failed to attach collection stream"

// Directory for batch files unless $TMPDIR names a usable one (then /var/tmp,
// then /tmp).
ULVAR_API extern const char kSrmBatchDirectory[];  // "/var/opt/VRNWkit/omxom/tmpdir"

// What became of one record of a batch.
enum SrmBatchOutcome {
    SRM_BATCH_ADDED = 1,    // it is a new resource of the database
    SRM_BATCH_MERGED = 2,   // it was merged into the resource the database held for it
    SRM_BATCH_SKIPPED = 3,  // it was dropped; the reason says why
};

struct SrmBatchRecord {
    long number = 0;  // its place among the records of the batch text, from 1
    long count = 1;   // records it took: itself and the member records read after it
    SrmBatchOutcome outcome = SRM_BATCH_SKIPPED;
    std::string id;      // its "Id" as read; empty when it has none
    std::string reason;  // why it was dropped; empty unless skipped
};

struct SrmBatchSummary {
    // Records that began a resource, each counted once with its member
    // records; every one of them was added, merged or skipped.
    long read = 0;
    long added = 0;
    long merged = 0;
    long skipped = 0;
    // 0 when the text was read to its end. Otherwise reading stopped there:
    // the number of the record the text ends inside of (or that could not be
    // read), which is lost with everything after it.
    long stoppedAt = 0;
};

// Receives every record of a batch as it is dealt with.
using SrmBatchRecordSink = std::function<void(const SrmBatchRecord &)>;

// Loads the `length` bytes at `text` as one batch of records of `kind` into
// `db` and returns the batch's status string (static):
//   kSrmBatchOk        the text was read: to its end, or up to a record that
//                      could not be read (a record that does not read as the
//                      kind, or that the database refuses, is skipped; neither
//                      changes the status);
//   kSrmBatchNoMemory  memory ran out; what was loaded before stays;
//   kSrmBatchNoFile    no batch file could be made or written whole;
//   kSrmBatchNoStream  the file could not become the record stream, or `db`
//                      is null; the kind's failure messages are then filed as
//                      error records under the database's host name.
// Null, touching nothing, for a kind that has no batch road (SRM_RES_NONE,
// virtual servers). `summary` (may be null) receives the counts; `sink` (may
// be empty) is called once per record, in order. Leaves no stream attached and
// no file behind. No exception leaves it, also none thrown by `sink`: that ends
// the batch as memory running out does. One thread at a time per database.
ULVAR_API const char *srmLoadBatchText(SrmResourceDatabase *db, SrmResourceType kind,
                                       const char *text, std::size_t length,
                                       SrmBatchSummary *summary = nullptr,
                                       const SrmBatchRecordSink &sink = SrmBatchRecordSink());

#endif
