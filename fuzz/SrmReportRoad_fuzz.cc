// Loads arbitrary bytes as a database file, resolves it, and takes it down the
// report road: converted as a host report (through the print native, and
// through the class interface) and as a cluster report, every instance list
// handed over written as CIM-XML, everything freed. Any crash, hang, leak or
// out-of-bounds access is a finding, and so is a document that is not
// well-formed XML or that the DMTF CIM-XML DTD rejects (checked when the DTD
// is found beside the source tree).
//
// The status results are deleted with their job, not converted: their
// conversion keeps its last texts in wbemkit's rings, and memory that a run
// keeps makes libFuzzer run the leak checker after every input.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzCimXml.h"
#include "fuzz/FuzzFiles.h"
#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/FakeJni.h"
#include "tessel/Tessel.h"
#include "wbemkit/cim.h"

namespace {

constexpr const char *kJob = "fuzz-report";

// `list` as a whole ExecQuery response, judged.
void writeAndJudge(nmspc_cim::CCIMList *list) {
    sbuf *buffer = sbufCreate(8192);
    if (marshallExecQueryResults(buffer, list, "1") != 0) {
        sbufDestroy(buffer);
        finding("the writer failed", "");
    }
    judge(sbufGetString(buffer));
    sbufDestroy(buffer);
}

// print's list at indent 0, put in an ExecQuery frame for the DTD.
void judgePrinted(const std::string &printed) {
    if (printed.compare(0, 6, "ERROR ") == 0) {
        if (printed != "ERROR 2") {
            finding("print failed", printed);
        }
        return;
    }
    sbuf *frame = sbufCreate(256);
    nmspc_cim::CCIMList *none = nmspc_cim::cim_createInstanceList();
    marshallExecQueryResults(frame, none, "1");
    std::string document = sbufGetString(frame);
    nmspc_cim::cim_freeInstanceList(none);
    sbufDestroy(frame);
    const std::string open = "<IRETURNVALUE>\r\n";
    judge(document.insert(document.find(open) + open.size(), printed));
}

// Converts `db` as a report of `type` and writes whatever it handed over, the
// instances of a failed conversion included.
void convert(SrmResourceDatabase *db, const char *type) {
    OMX_Report report;
    report.setJobId(kJob);
    report.GenerateCIMReports(db, type);
    nmspc_cim::CCIMList *list = report.GetReport();
    writeAndJudge(list);
    nmspc_cim::cim_freeInstanceList(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    int fd = descriptorWith(data, size);
    if (fd < 0) {
        return 0;
    }
    SrmResourceDatabase *db = new SrmResourceDatabase();
    db->deserialize(fd, nullptr);
    close(fd);
    db->resolveDatabase();

    {
        ulvar::testing::FakeJni jni;
        jlong handle = static_cast<jlong>(reinterpret_cast<uintptr_t>(db));
        judgePrinted(jni.text(SRM_ULVAR_NATIVE(print)(jni.env(), nullptr, handle)));
    }
    convert(db, "host");
    convert(db, "cluster");

    // The results the conversions recorded go with their job.
    Tessel::deleteInstance(Tessel::getInstance(kJob));
    delete db;
    return 0;
}
