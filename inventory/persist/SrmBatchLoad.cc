#include "inventory/persist/SrmBatchLoad.h"

#include <errno.h>
#include <stdio.h>

#include <memory>
#include <new>
#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/kinds/SrmVolumeManager.h"
#include "inventory/kinds/internal/SrmBuiltWhole.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/persist/SrmTempFile.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

const char kSrmBatchOk[] = "The operation succeeded.";
const char kSrmBatchNoMemory[] = "Memory allocation error";
const char kSrmBatchNoFile[] = "The file could not be opened.";
const char kSrmBatchNoStream[] = "Failed to attach collection stream";
const char kSrmBatchDirectory[] = "/var/opt/VRNWkit/omxom/tmpdir";

namespace {

// Scanner-visible failures are filed with code EINVAL and this severity.
constexpr int kFailureSeverity = 2;

// The batch file is read back whole, in reads of this size rather than the
// stream's default of 1 KiB.
constexpr int kBatchBufferSize = 64 * 1024;

// How one kind's records enter the database.
struct BatchKind {
    SrmResourceType kind;
    // A new object of the kind with one reference (the caller's), or null when
    // memory ran out.
    SrmResource *(*make)(SrmResourceDatabase *db);
    // The resource the database already holds for newcomer `r`, or null (no
    // reference given). Null for kinds that are never merged.
    SrmResource *(*find)(SrmResourceDatabase *db, SrmResource *r);
    // Hands newcomer `r` to the database, which takes its own reference.
    int (*add)(SrmResourceDatabase *db, SrmResource *r);
    // Error records filed, in this order, under the host name when the batch
    // cannot be attached as the database's record stream; null entries are
    // skipped.
    const char *failure[2];
};

int addResource(SrmResourceDatabase *db, SrmResource *r) {
    return db->addResource(r);
}

// Kinds looked up by their Id alone, and kinds whose newcomers may name a
// resource by a local id the database has mapped to its global one.
template <SrmResourceType T>
SrmResource *findById(SrmResourceDatabase *db, SrmResource *r) {
    return db->findResource(T, r->Id);
}
template <SrmResourceType T>
SrmResource *findGlobal(SrmResourceDatabase *db, SrmResource *r) {
    return db->findGlobalResource(T, r);
}

// The objects that resolve references while they read (disks, volumes and
// volume groups) are bound to the database; the others read unbound, so a
// computer's "TIM" never makes it the database's this computer here.
const BatchKind kAlias = {
    SRM_RES_ID,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmId(); },
    findById<SRM_RES_ID>,
    addResource,
    {"Failed to collect system information, couldn't attach collection stream", nullptr}};

const BatchKind kComputer = {
    SRM_RES_COMPUTER,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmComputer(); },
    findById<SRM_RES_COMPUTER>,
    [](SrmResourceDatabase *db, SrmResource *r) {
        return db->addComputer(static_cast<SrmComputer *>(r), 0);
    },
    {"Failed to collect system information, couldn't attach collection stream", nullptr}};

const BatchKind kDisk = {
    SRM_RES_DISK,
    [](SrmResourceDatabase *db) -> SrmResource * { return new (std::nothrow) SrmDisk(db); },
    findGlobal<SRM_RES_DISK>,
    addResource,
    {"Failed to collect disk information", "Failed to attach collection stream"}};

const BatchKind kDiskChunk = {
    SRM_RES_DISKCHUNK,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmDiskChunk(); },
    findById<SRM_RES_DISKCHUNK>,
    addResource,
    {"Failed to collect Disk Chunk information, couldn't attach collection stream", nullptr}};

const BatchKind kFileSystem = {
    SRM_RES_FILESYSTEM,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmFileSystem(); },
    findGlobal<SRM_RES_FILESYSTEM>,
    addResource,
    {"Failed to collect file system information, couldn't attach collection stream", nullptr}};

const BatchKind kMountPoint = {
    SRM_RES_MOUNTPOINT,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmMountPoint(); },
    findGlobal<SRM_RES_MOUNTPOINT>,
    addResource,
    {"Failed to collect Mount Point information, couldn't attach collection stream", nullptr}};

const BatchKind kShare = {
    SRM_RES_SHARE,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmShare(); },
    findGlobal<SRM_RES_SHARE>,
    addResource,
    {"Failed to collect share information, couldn't attach collection stream", nullptr}};

const BatchKind kVolume = {
    SRM_RES_VOLUME,
    [](SrmResourceDatabase *db) -> SrmResource * { return new (std::nothrow) SrmVolume(db); },
    findGlobal<SRM_RES_VOLUME>,
    addResource,
    {"Failed to collect volume information, couldn't attach collection stream", nullptr}};

const BatchKind kVolumeGroup = {
    SRM_RES_VOLUMEGROUP,
    [](SrmResourceDatabase *db) -> SrmResource * { return new (std::nothrow) SrmVolumeGroup(db); },
    findGlobal<SRM_RES_VOLUMEGROUP>,
    addResource,
    {"Failed to collect volume group information, couldn't attach collection stream", nullptr}};

// Never merged: the list replaces a volume manager held under the same Id.
const BatchKind kVolumeManager = {
    SRM_RES_VOLUMEMANAGER,
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmVolumeManager(); },
    nullptr,
    addResource,
    {"Failed to collect volume manager information", nullptr}};

const BatchKind *const kBatchKinds[] = {&kComputer, &kVolumeManager, &kDisk,       &kDiskChunk,
                                        &kVolume,   &kVolumeGroup,   &kFileSystem, &kMountPoint,
                                        &kShare,    &kAlias};

// The way in of every batch of kSrmBatches; null for a kind no batch carries.
const BatchKind *batchKindOf(SrmResourceType kind) {
    for (const BatchKind *k : kBatchKinds) {
        if (k->kind == kind) {
            return k;
        }
    }
    return nullptr;
}

// The batch file. Closing it removes it (it has no name); while it is the
// database's record stream, the stream is detached first, so the database is
// never left reading a descriptor that was closed and may be reused.
class BatchFile {
  public:
    explicit BatchFile(FILE *file) : file(file) {}
    ~BatchFile() {
        if (db != nullptr) {
            db->detachStream(fileno(file));
        }
        if (file != nullptr) {
            fclose(file);
        }
    }
    BatchFile(const BatchFile &) = delete;
    BatchFile &operator=(const BatchFile &) = delete;

    bool isOpen() const { return file != nullptr; }
    int fd() const { return fileno(file); }

    // Writes the text and rewinds, so that a reader of the descriptor sees all
    // of it. False when any of it could not be written.
    bool fill(const char *text, std::size_t length) {
        if (fwrite(text, 1, length, file) != length || fflush(file) != 0) {
            return false;
        }
        rewind(file);
        return true;
    }

    bool attachTo(SrmResourceDatabase *db) {
        if (db->attachStream(fd(), kBatchBufferSize) == 0) {
            return false;
        }
        this->db = db;
        return true;
    }

  private:
    FILE *file;
    SrmResourceDatabase *db = nullptr;
};

std::string hostNameOf(SrmResourceDatabase *db) {
    db->getThisComputer();
    return db->getHostName();
}

void recordFailure(SrmResourceDatabase *db, const std::string &host, const BatchKind &kind) {
    for (const char *message : kind.failure) {
        if (message != nullptr) {
            // Without a host name the database records nothing; the status
            // string still tells the scanner.
            db->addError(host, message, EINVAL, kFailureSeverity);
        }
    }
}

// Tells the summary and the sink what became of one record.
class Outcomes {
  public:
    Outcomes(SrmBatchSummary *summary, const SrmBatchRecordSink &sink)
        : summary(summary), sink(sink) {}

    void note(SrmBatchRecord &record, SrmBatchOutcome outcome, std::string reason = {}) {
        record.outcome = outcome;
        record.reason = std::move(reason);
        if (summary != nullptr) {
            ++summary->read;
            ++(outcome == SRM_BATCH_ADDED    ? summary->added
               : outcome == SRM_BATCH_MERGED ? summary->merged
                                             : summary->skipped);
        }
        if (sink) {
            sink(record);
        }
    }

    // Whether anyone receives the records themselves (not only the counts).
    bool wantsRecords() const { return static_cast<bool>(sink); }

    void stoppedAt(long number) {
        if (summary != nullptr) {
            summary->stoppedAt = number;
        }
    }

  private:
    SrmBatchSummary *summary;
    const SrmBatchRecordSink &sink;
};

// Reads record after record and merges or adds each; the status of the batch.
const char *loadRecords(SrmResourceDatabase *db, int fd, const BatchKind &kind,
                        Outcomes &outcomes) {
    CSRMReportTupleStreamReader *reader = db->getTupleStream();
    // Every record is read into this one tuple, whose storage is used again.
    CSRMReportTuple tuple;
    for (;;) {
        int status = reader->ReadNextTuple(tuple);
        if (status != TUPLE_STATUS_OK) {
            // A read error ends the batch as quietly as its end does; only the
            // summary tells that the rest of the text was not read. The rest
            // of the batch never read for lack of memory is no success.
            if (status != TUPLE_STATUS_END) {
                outcomes.stoppedAt(reader->GetTupleCount() + 1);
            }
            return status == TUPLE_STATUS_NO_MEMORY ? kSrmBatchNoMemory : kSrmBatchOk;
        }
        SrmBatchRecord record;
        record.number = reader->GetTupleCount();
        // A record the database could not take whole for lack of memory ends
        // the batch as the design ends it for an object that cannot be made;
        // skipping it quietly, as a malformed record is, would lose it. Its
        // shortage may show only as a note: a walk of its elements that
        // stopped early, a list that refused an entry.
        SrmOutOfMemoryWatch watch;
        auto ranOut = [&]() {
            outcomes.note(record, SRM_BATCH_SKIPPED, "memory ran out");
            return kSrmBatchNoMemory;
        };
        // The creator's reference goes at the end of the record: a newcomer
        // that was merged dies there, one that was added lives on in the
        // database's lists.
        SrmScopedRef<SrmResource> fresh(kind.make(db));
        if (!srmBuiltWhole(fresh.get())) {
            return ranOut();
        }
        int read = fresh->deserialize(fd, &tuple);
        // Containers read their member records from the same reader.
        record.count = reader->GetTupleCount() - record.number + 1;
        if (outcomes.wantsRecords()) {
            record.id = fresh->Id;
        }
        if (watch.ranOut()) {
            return ranOut();  // read in part: not kept
        }
        if (read == 0) {
            bool cut = reader->GetState() == CSRMReportTupleStreamReader::kError;
            outcomes.note(record, SRM_BATCH_SKIPPED,
                          cut ? "the text ends inside its member records"
                              : "its member records do not all name resources the database "
                                "holds");
            continue;
        }
        SrmResource *held = kind.find != nullptr ? kind.find(db, fresh.get()) : nullptr;
        int taken = held != nullptr ? held->mergeResource(fresh.get()) : kind.add(db, fresh.get());
        if (watch.ranOut()) {
            return ranOut();
        }
        if (held != nullptr) {
            if (taken != 0) {
                outcomes.note(record, SRM_BATCH_MERGED);
            } else {
                outcomes.note(record, SRM_BATCH_SKIPPED, "the resource held for it refused it");
            }
        } else if (taken != 0) {
            outcomes.note(record, SRM_BATCH_ADDED);
        } else if (fresh->Id.empty()) {
            outcomes.note(record, SRM_BATCH_SKIPPED, "it has no Id");
        } else {
            std::string message;
            db->getLastErrorInfo(nullptr, message, nullptr);
            outcomes.note(record, SRM_BATCH_SKIPPED, "the database refused it: " + message);
        }
    }
}

const char *loadBatch(SrmResourceDatabase *db, const BatchKind &kind, const char *text,
                      std::size_t length, Outcomes &outcomes) {
    std::string host = hostNameOf(db);
    BatchFile file(mktmpfile(kSrmBatchDirectory));
    if (!file.isOpen()) {
        return kSrmBatchNoFile;
    }
    // A batch that does not reach the file whole would load in part and still
    // look like a success; report the file as unusable instead.
    if (!file.fill(text, length)) {
        return kSrmBatchNoFile;
    }
    if (!file.attachTo(db) || db->getTupleStream() == nullptr) {
        recordFailure(db, host, kind);
        return kSrmBatchNoStream;
    }
    return loadRecords(db, file.fd(), kind, outcomes);
}

}  // namespace

const char *srmLoadBatchText(SrmResourceDatabase *db, SrmResourceType kind, const char *text,
                             std::size_t length, SrmBatchSummary *summary,
                             const SrmBatchRecordSink &sink) {
    const BatchKind *batchKind = batchKindOf(kind);
    if (batchKind == nullptr) {
        return nullptr;
    }
    if (summary != nullptr) {
        *summary = SrmBatchSummary();
    }
    if (db == nullptr) {
        // No database, so nothing to attach a stream to.
        return kSrmBatchNoStream;
    }
    if (text == nullptr) {
        text = "";
        length = 0;
    }
    try {
        Outcomes outcomes(summary, sink);
        return loadBatch(db, *batchKind, text, length, outcomes);
    } catch (...) {
        // Only memory can run out inside the road (or the sink may throw); the
        // holders above have given back what they took, and what was loaded
        // stays.
        return kSrmBatchNoMemory;
    }
}
