// The sample host under examples/host as the Java scanner sends it: its
// batches in the order of kSrmBatches, each through its add... native.
#ifndef INVENTORY_TESTING_SAMPLEHOST_H
#define INVENTORY_TESTING_SAMPLEHOST_H

#include <jni.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/persist/SrmBatches.h"
#include "inventory/testing/FakeJni.h"

namespace ulvar {
namespace testing {

using AddNative = SrmUlvarAddNative;

struct SampleBatch {
    const char *file;  // "computer.txt", ...
    SrmResourceType kind;
    AddNative add;
    std::string text;  // empty when the file cannot be read
};

// The bytes of a file; empty when it cannot be read.
inline std::string FileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The batches of <examplesDir>/host, in the order the scanner sends them.
inline std::vector<SampleBatch> SampleHostBatches(const std::string &examplesDir) {
    std::vector<SampleBatch> road;
    for (const SrmBatch &b : kSrmBatches) {
        road.push_back(
            {b.file, b.kind, srmUlvarAddNative(b.kind), FileText(examplesDir + "/host/" + b.file)});
    }
    return road;
}

#ifdef ULVAR_EXAMPLES_DIR
// A file of the examples folder (ULVAR_EXAMPLES_DIR, defined by the test's build).
inline std::string ExampleText(const std::string &name) {
    return FileText(std::string(ULVAR_EXAMPLES_DIR) + "/" + name);
}

// Sends every batch of the sample host to the database behind `handle`;
// returns "" when each succeeded, else the first batch's file and status.
inline std::string SendSampleHost(FakeJni &jni, jlong handle) {
    for (const SampleBatch &batch : SampleHostBatches(ULVAR_EXAMPLES_DIR)) {
        std::string status = jni.text(batch.add(jni.env(), nullptr, handle, jni.str(batch.text)));
        if (batch.text.empty() || status != kSrmBatchOk) {
            return std::string(batch.file) + ": " + (batch.text.empty() ? "no batch file" : status);
        }
    }
    return "";
}
#endif

}  // namespace testing
}  // namespace ulvar

#endif
