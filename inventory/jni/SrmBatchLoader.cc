#include "inventory/jni/internal/SrmBatchLoader.h"

#include <stdint.h>
#include <string.h>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"

namespace {

// The batch characters, given back to the JVM when the holder goes.
class BatchChars {
  public:
    BatchChars(JNIEnv *env, jstring batch)
        : env(env), batch(batch), chars(env->GetStringUTFChars(batch, nullptr)) {}
    ~BatchChars() {
        if (chars != nullptr) {
            env->ReleaseStringUTFChars(batch, chars);
        }
    }
    BatchChars(const BatchChars &) = delete;
    BatchChars &operator=(const BatchChars &) = delete;

    const char *get() const { return chars; }

  private:
    JNIEnv *env;
    jstring batch;
    const char *chars;
};

const char *loadBatch(JNIEnv *env, SrmResourceDatabase *db, jstring batch, SrmResourceType kind) {
    // Looking the host up may fill the database's last-error slot, so the
    // scanner sees whether it happened before the characters were refused.
    // The add road looks it up (again) itself; a second lookup changes
    // nothing.
    if (kind == SRM_RES_DISK || kind == SRM_RES_VOLUMEMANAGER) {
        db->getThisComputer();
    }
    if (batch == nullptr) {
        return kSrmBatchNoMemory;
    }
    BatchChars chars(env, batch);
    if (chars.get() == nullptr) {
        return kSrmBatchNoMemory;
    }
    return srmLoadBatchText(db, kind, chars.get(), strlen(chars.get()));
}

}  // namespace

SrmResourceDatabase *srmDatabaseOf(jlong handle) {
    return reinterpret_cast<SrmResourceDatabase *>(
        static_cast<uintptr_t>(static_cast<uint64_t>(handle)));
}

jlong srmHandleOf(SrmResourceDatabase *db) {
    return static_cast<jlong>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(db)));
}

jstring srmLoadBatch(JNIEnv *env, jlong handle, jstring batch, SrmResourceType kind) {
    const char *status;
    SrmResourceDatabase *db = srmDatabaseOf(handle);
    if (db == nullptr) {
        // No database, so nothing to attach a stream to.
        status = kSrmBatchNoStream;
    } else {
        try {
            status = loadBatch(env, db, batch, kind);
        } catch (...) {
            status = kSrmBatchNoMemory;
        }
    }
    return env->NewStringUTF(status);
}
