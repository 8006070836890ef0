// The scanner's road for tests: batches go through the database's real add...
// natives in a fake JNI environment, in the order a scanner sends them.
#ifndef INVENTORY_TESTING_BATCHROAD_H
#define INVENTORY_TESTING_BATCHROAD_H

#include <stdint.h>

#include <string>

#include "collector/HostScan.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace ulvar {
namespace testing {

class BatchRoad {
  public:
    BatchRoad() : handle(SRM_ULVAR_NATIVE(create)(jni.env(), nullptr)) {}
    ~BatchRoad() { SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle); }
    BatchRoad(const BatchRoad &) = delete;
    BatchRoad &operator=(const BatchRoad &) = delete;

    // Sends one batch; the status string the native returned.
    std::string add(HostBatchKind kind, const std::string &batch) {
        using Add = jstring (*)(JNIEnv *, jclass, jlong, jstring);
        static const Add adds[kHostBatchKindCount] = {
            SRM_ULVAR_NATIVE(addComputer),   SRM_ULVAR_NATIVE(addVolumeManagerInfo),
            SRM_ULVAR_NATIVE(addDisk),       SRM_ULVAR_NATIVE(addDiskChunk),
            SRM_ULVAR_NATIVE(addVolume),     SRM_ULVAR_NATIVE(addVolumeGroup),
            SRM_ULVAR_NATIVE(addFileSystem), SRM_ULVAR_NATIVE(addMountpoint),
            SRM_ULVAR_NATIVE(addShare),      SRM_ULVAR_NATIVE(addAlias)};
        return jni.text(adds[static_cast<int>(kind)](jni.env(), nullptr, handle, jni.str(batch)));
    }
    // Sends every batch in road order; the kinds whose status was not success,
    // as "file: status" lines.
    std::string addAll(const HostBatches &batches) {
        std::string failures;
        for (int k = 0; k < kHostBatchKindCount; ++k) {
            auto kind = static_cast<HostBatchKind>(k);
            std::string status = add(kind, batches[kind]);
            if (status != "The operation succeeded.") {
                failures += std::string(hostBatchFileName(kind)) + ": " + status + "\n";
            }
        }
        return failures;
    }
    int resolve() { return SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle); }

    SrmResourceDatabase *db() const {
        return reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
    }
    // Character arrays the natives took and did not give back.
    int outstanding() const { return jni.outstanding(); }

  private:
    FakeJni jni;
    jlong handle;
};

}  // namespace testing
}  // namespace ulvar

#endif
