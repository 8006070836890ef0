// The scanner's road for the collector's tests: the batches a scan made go
// through the database's real add... natives in a fake JNI environment, in the
// order a scanner sends them. The natives are found by their JNI names in the
// loaded libulvar, as a JVM finds them.
#ifndef COLLECTOR_TESTING_BATCHROAD_H
#define COLLECTOR_TESTING_BATCHROAD_H

#include <dlfcn.h>
#include <jni.h>
#include <stdint.h>

#include <string>

#include "collector/HostScan.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/persist/SrmBatches.h"
#include "inventory/testing/FakeJni.h"

namespace collector {

namespace testing {

// The native `method` of the scanner's Java class; null when none is loaded.
template <typename Native>
Native NativeNamed(const std::string &method) {
    const std::string name =
        "Java_com_vorn_halvane_mgmt_agent_scanner_plugins_tolvak_SrmUlvar_" + method;
    return reinterpret_cast<Native>(dlsym(RTLD_DEFAULT, name.c_str()));
}

class BatchRoad {
  public:
    BatchRoad() : handle(NativeNamed<Create>("create")(jni.env(), nullptr)) {}
    ~BatchRoad() { NativeNamed<Destroy>("destroy")(jni.env(), nullptr, handle); }
    BatchRoad(const BatchRoad &) = delete;
    BatchRoad &operator=(const BatchRoad &) = delete;

    // Sends one batch; the status string the native returned.
    std::string add(HostBatchKind kind, const std::string &batch) {
        Add native = NativeNamed<Add>(hostBatch(kind).native);
        return jni.text(native(jni.env(), nullptr, handle, jni.str(batch)));
    }
    // Sends every batch in road order; the kinds whose status was not success,
    // as "file: status" lines.
    std::string addAll(const HostBatches &batches) {
        std::string failures;
        for (int k = 0; k < kHostBatchKindCount; ++k) {
            auto kind = static_cast<HostBatchKind>(k);
            std::string status = add(kind, batches[kind]);
            if (status != kSrmBatchOk) {
                failures += std::string(hostBatch(kind).file) + ": " + status + "\n";
            }
        }
        return failures;
    }
    int resolve() { return NativeNamed<Resolve>("resolveDatabase")(jni.env(), nullptr, handle); }

    SrmResourceDatabase *db() const {
        return reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
    }
    // Character arrays the natives took and did not give back.
    int outstanding() const { return jni.outstanding(); }

  private:
    using Create = jlong (*)(JNIEnv *, jclass);
    using Destroy = void (*)(JNIEnv *, jclass, jlong);
    using Add = jstring (*)(JNIEnv *, jclass, jlong, jstring);
    using Resolve = jint (*)(JNIEnv *, jclass, jlong);

    ulvar::testing::FakeJni jni;
    jlong handle;
};

}  // namespace testing

}  // namespace collector

#endif
