// The whole road over the sample host, step by step, for the tests that run it
// under stress (out of memory, many threads): the scanner's batches through
// the natives, then the report of the loaded database and its CIM-XML.
#ifndef INVENTORY_TESTING_SAMPLEROAD_H
#define INVENTORY_TESTING_SAMPLEROAD_H

#include <jni.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/report/OMX_Report.h"
#include "wbemkit/cim.h"

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

// The report of `db` as the provider makes it and the print native renders it:
// GenerateCIMReports under `jobId`, GetReport, and the list as CIM-XML.
// `*step` tells how far it got: 0 the report failed, 1 no list, 2 the
// CIM-XML failed, 3 done (the text is returned only then).
inline std::string ReportAsCimXml(SrmResourceDatabase *db, const char *type,
                                  const std::string &jobId, int *step) {
    *step = 0;
    std::string text;
    OMX_Report report;
    report.setJobId(jobId);
    if (report.GenerateCIMReports(db, type) == 0) {
        return text;
    }
    *step = 1;
    nmspc_cim::CCIMList *list = report.GetReport();
    if (list == nullptr) {
        return text;
    }
    *step = 2;
    sbuf *buffer = sbufCreate(8192);
    if (buffer != nullptr && marshallInstanceList(buffer, list, 0) == 0) {
        *step = 3;
        text = sbufGetString(buffer);
    }
    sbufDestroy(buffer);
    nmspc_cim::cim_freeInstanceList(list);
    return text;
}

}  // namespace testing
}  // namespace ulvar

#endif
