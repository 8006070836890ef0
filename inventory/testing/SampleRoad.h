// The scanner's batches of the sample host, for the tests that run the whole
// road under stress (out of memory, many threads).
#ifndef INVENTORY_TESTING_SAMPLEROAD_H
#define INVENTORY_TESTING_SAMPLEROAD_H

#include <jni.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/jni/internal/SrmUlvarNatives.h"

namespace ulvar {
namespace testing {

using BatchNative = jstring (*)(JNIEnv *, jclass, jlong, jstring);

struct SampleBatch {
    const char *file;  // under <examples>/host, without ".txt"
    BatchNative add;
    std::string text;
};

// The ten batches of <examplesDir>/host in the order the scanner sends them
// (computers first, so that error records have a host name); a batch whose
// file cannot be read has an empty text.
inline std::vector<SampleBatch> SampleHostBatches(const std::string &examplesDir) {
    std::vector<SampleBatch> road = {
        {"computer", SRM_ULVAR_NATIVE(addComputer), ""},
        {"volumemanagerinfo", SRM_ULVAR_NATIVE(addVolumeManagerInfo), ""},
        {"disk", SRM_ULVAR_NATIVE(addDisk), ""},
        {"diskchunk", SRM_ULVAR_NATIVE(addDiskChunk), ""},
        {"volume", SRM_ULVAR_NATIVE(addVolume), ""},
        {"volumegroup", SRM_ULVAR_NATIVE(addVolumeGroup), ""},
        {"filesystem", SRM_ULVAR_NATIVE(addFileSystem), ""},
        {"mountpoint", SRM_ULVAR_NATIVE(addMountpoint), ""},
        {"share", SRM_ULVAR_NATIVE(addShare), ""},
        {"alias", SRM_ULVAR_NATIVE(addAlias), ""},
    };
    for (SampleBatch &batch : road) {
        std::ifstream in(examplesDir + "/host/" + batch.file + ".txt", std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        batch.text = all.str();
    }
    return road;
}

// The status texts of the add... natives.
constexpr const char *kBatchOk = "The operation succeeded.";
constexpr const char *kBatchNoMemory = "Memory allocation error";
constexpr const char *kBatchNoFile = "The file could not be opened.";
constexpr const char *kBatchNoStream = "Failed to attach collection stream";

}  // namespace testing
}  // namespace ulvar

#endif
