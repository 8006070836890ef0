// The sample host under examples/host as the Java scanner sends it: every
// batch through its add native, computers first, in one fixed order.
#ifndef INVENTORY_TESTING_SAMPLEHOST_H
#define INVENTORY_TESTING_SAMPLEHOST_H

#include <jni.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/testing/FakeJni.h"

namespace ulvar {
namespace testing {

using AddNative = jstring (*)(JNIEnv *, jclass, jlong, jstring);

struct SampleBatch {
    AddNative add;
    const char *sample;  // examples/host/<sample>.txt
};

inline const std::vector<SampleBatch> &SampleHostRoad() {
    static const std::vector<SampleBatch> road = {
        {SRM_ULVAR_NATIVE(addComputer), "computer"},
        {SRM_ULVAR_NATIVE(addVolumeManagerInfo), "volumemanagerinfo"},
        {SRM_ULVAR_NATIVE(addDisk), "disk"},
        {SRM_ULVAR_NATIVE(addDiskChunk), "diskchunk"},
        {SRM_ULVAR_NATIVE(addVolume), "volume"},
        {SRM_ULVAR_NATIVE(addVolumeGroup), "volumegroup"},
        {SRM_ULVAR_NATIVE(addFileSystem), "filesystem"},
        {SRM_ULVAR_NATIVE(addMountpoint), "mountpoint"},
        {SRM_ULVAR_NATIVE(addShare), "share"},
        {SRM_ULVAR_NATIVE(addAlias), "alias"},
    };
    return road;
}

// The bytes of a file; empty when it cannot be read.
inline std::string FileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// A file of the examples folder (ULVAR_EXAMPLES_DIR, defined by the test's build).
inline std::string ExampleText(const std::string &name) {
    return FileText(std::string(ULVAR_EXAMPLES_DIR) + "/" + name);
}

// Sends every batch of the sample host to the database behind `handle`;
// returns "" when each said "The operation succeeded.", else the first
// batch's name and status.
inline std::string SendSampleHost(FakeJni &jni, jlong handle) {
    for (const SampleBatch &batch : SampleHostRoad()) {
        std::string text = ExampleText(std::string("host/") + batch.sample + ".txt");
        std::string status = jni.text(batch.add(jni.env(), nullptr, handle, jni.str(text)));
        if (text.empty() || status != "The operation succeeded.") {
            return std::string(batch.sample) + ": " + (text.empty() ? "no batch file" : status);
        }
    }
    return "";
}

}  // namespace testing
}  // namespace ulvar

#endif
