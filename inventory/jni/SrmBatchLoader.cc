#include "inventory/jni/internal/SrmBatchLoader.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/persist/CSRMReportTuple.h"
#include "inventory/persist/CSRMReportTupleStreamReader.h"
#include "inventory/persist/SrmTempFile.h"
#include "inventory/persist/TupleStatus.h"

const char kSrmBatchOk[] = "The operation succeeded.";
const char kSrmBatchNoMemory[] = "Memory allocation error";
const char kSrmBatchNoFile[] = "The file could not be opened.";
const char kSrmBatchNoStream[] = "Failed to attach collection stream";
const char kSrmBatchDirectory[] = "/var/opt/VRNWkit/omxom/tmpdir";

namespace {

// Scanner-visible failures are filed with code EINVAL and this severity.
constexpr int kFailureSeverity = 2;

// The batch characters, given back to the JVM when the holder goes.
class BatchChars {
  public:
    BatchChars(JNIEnv *env, jstring batch)
        : env(env), batch(batch), chars(env->GetStringUTFChars(batch, nullptr)) {}
    ~BatchChars() { release(); }
    BatchChars(const BatchChars &) = delete;
    BatchChars &operator=(const BatchChars &) = delete;

    const char *get() const { return chars; }
    void release() {
        if (chars != nullptr) {
            env->ReleaseStringUTFChars(batch, chars);
            chars = nullptr;
        }
    }

  private:
    JNIEnv *env;
    jstring batch;
    const char *chars;
};

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

    // Writes `text` and rewinds, so that a reader of the descriptor sees all
    // of it. False when any of it could not be written.
    bool fill(const char *text) {
        size_t length = strlen(text);
        if (fwrite(text, 1, length, file) != length || fflush(file) != 0) {
            return false;
        }
        rewind(file);
        return true;
    }

    bool attachTo(SrmResourceDatabase *db) {
        if (db->attachStream(fd()) == 0) {
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

void recordFailure(SrmResourceDatabase *db, const std::string &host, const SrmBatchKind &kind) {
    for (const char *message : kind.failure) {
        if (message != nullptr) {
            // Without a host name the database records nothing; the status
            // string still tells the scanner.
            db->addError(host, message, EINVAL, kFailureSeverity);
        }
    }
}

// Reads record after record and merges or adds each; the status of the batch.
const char *loadRecords(SrmResourceDatabase *db, int fd, const SrmBatchKind &kind) {
    CSRMReportTupleStreamReader *reader = db->getTupleStream();
    for (;;) {
        CSRMReportTuple *raw = nullptr;
        int status = reader->GetNextTuple(&raw);
        // At the end of the data the reader hands out an empty record too.
        std::unique_ptr<CSRMReportTuple> record(raw);
        if (status != TUPLE_STATUS_OK) {
            // A read error ends the batch as quietly as its end does.
            return kSrmBatchOk;
        }
        // The creator's reference goes at the end of the record: a newcomer
        // that was merged dies there, one that was added lives on in the
        // database's lists.
        SrmScopedRef<SrmResource> fresh(kind.make(db));
        if (!fresh) {
            return kSrmBatchNoMemory;
        }
        if (fresh->deserialize(fd, record.get()) == 0) {
            continue;
        }
        SrmResource *held = kind.find != nullptr ? kind.find(db, fresh.get()) : nullptr;
        if (held != nullptr) {
            held->mergeResource(fresh.get());
        } else {
            kind.add(db, fresh.get());
        }
    }
}

const char *loadBatch(JNIEnv *env, SrmResourceDatabase *db, jstring batch,
                      const SrmBatchKind &kind) {
    std::string host;
    if (kind.hostNameFirst) {
        host = hostNameOf(db);
    }
    if (batch == nullptr) {
        return kSrmBatchNoMemory;
    }
    BatchChars chars(env, batch);
    if (chars.get() == nullptr) {
        return kSrmBatchNoMemory;
    }
    if (!kind.hostNameFirst) {
        host = hostNameOf(db);
    }

    BatchFile file(mktmpfile(kSrmBatchDirectory));
    if (!file.isOpen()) {
        return kSrmBatchNoFile;
    }
    // A batch that does not reach the file whole would load in part and still
    // look like a success; report the file as unusable instead.
    bool filled = file.fill(chars.get());
    chars.release();
    if (!filled) {
        return kSrmBatchNoFile;
    }

    if (!file.attachTo(db) || db->getTupleStream() == nullptr) {
        recordFailure(db, host, kind);
        return kSrmBatchNoStream;
    }
    return loadRecords(db, file.fd(), kind);
}

}  // namespace

SrmResourceDatabase *srmDatabaseOf(jlong handle) {
    return reinterpret_cast<SrmResourceDatabase *>(
        static_cast<uintptr_t>(static_cast<uint64_t>(handle)));
}

jlong srmHandleOf(SrmResourceDatabase *db) {
    return static_cast<jlong>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(db)));
}

jstring srmLoadBatch(JNIEnv *env, jlong handle, jstring batch, const SrmBatchKind &kind) {
    const char *status;
    SrmResourceDatabase *db = srmDatabaseOf(handle);
    if (db == nullptr) {
        // No database, so nothing to attach a stream to.
        status = kSrmBatchNoStream;
    } else {
        try {
            status = loadBatch(env, db, batch, kind);
        } catch (...) {
            // Only memory can run out inside the road; the holders above have
            // given back what they took, and what was loaded stays.
            status = kSrmBatchNoMemory;
        }
    }
    return env->NewStringUTF(status);
}
