// The print native: the database as the management station will see it.
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "inventory/jni/internal/SrmBatchLoader.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/report/OMX_Report.h"
#include "tessel/HashWrapper.h"
#include "tessel/Tessel.h"
#include "tessel/vst_hash.h"
#include "wbemkit/cim.h"

namespace {

// The words the scanner compares print's result with.
const char kNoList[] = "ERROR 1";
const char kNotGenerated[] = "ERROR 2";
const char kNotWritten[] = "ERROR 3";
const char kUnexpected[] = "ERROR UNEXPECTED";

// The buffer the writer starts with; it doubles as the text grows.
constexpr unsigned kInitialBufferSize = 8192;

struct BufferDeleter {
    void operator()(sbuf *buffer) const { sbufDestroy(buffer); }
};
struct ListDeleter {
    void operator()(nmspc_cim::CCIMList *list) const { nmspc_cim::cim_freeInstanceList(list); }
};
struct TextDeleter {
    void operator()(char *text) const { free(text); }
};
using Text = std::unique_ptr<char, TextDeleter>;

// The status results of print's conversion are meant for a provider's job,
// and the scanner has no way to collect them: left in a job that outlives the
// call (the empty id's, by default), every print would add its results to the
// process for good. So the converter records them in a job of its own, which
// this holder deletes, with what it collected, when print ends. The job exists
// only if a result was recorded; it is not made just to be deleted.
class PrintJob {
  public:
    explicit PrintJob(const OMX_Report *report) {
        char id[64];
        snprintf(id, sizeof id, "SrmUlvar.print@%p", static_cast<const void *>(report));
        jobId = id;
    }
    ~PrintJob() {
        // Straight from the registry's table: getFromHash takes a copy of the
        // id, which may find no memory, and nothing may throw here.
        void *job = Tessel::m_pHashObj != nullptr && HashWrapper::m_hashTable != nullptr
                        ? vst_hashGet(HashWrapper::m_hashTable, jobId.c_str())
                        : nullptr;
        if (job != nullptr) {
            Tessel::deleteInstance(static_cast<Tessel *>(job));
        }
    }
    PrintJob(const PrintJob &) = delete;
    PrintJob &operator=(const PrintJob &) = delete;

    const std::string &id() const { return jobId; }

  private:
    std::string jobId;
};

// The report text in `text`, or the word that says why there is none. The
// holders go in the reverse of their making: the buffer, the list (once, and
// only when GetReport handed one out), the converter's job, and the converter,
// which frees what it never handed over.
const char *renderHostReport(SrmResourceDatabase *db, Text &text) {
    std::unique_ptr<OMX_Report> report(new (std::nothrow) OMX_Report());
    if (!report) {
        return kUnexpected;
    }
    PrintJob job(report.get());
    report->setJobId(job.id());
    std::unique_ptr<nmspc_cim::CCIMList, ListDeleter> list;
    std::unique_ptr<sbuf, BufferDeleter> buffer(sbufCreate(kInitialBufferSize));
    if (!buffer) {
        return kUnexpected;
    }
    if (report->GenerateCIMReports(db, "host") == 0) {
        return kNotGenerated;
    }
    list.reset(report->GetReport());
    if (!list) {
        return kNoList;
    }
    if (marshallInstanceList(buffer.get(), list.get(), 0) != 0) {
        return kNotWritten;
    }
    text.reset(sbufGetStringCopy(buffer.get()));
    return text ? nullptr : kUnexpected;
}

}  // namespace

extern "C" JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(print)(JNIEnv *env, jclass, jlong handle) {
    Text text;
    const char *word = kUnexpected;
    try {
        // The conversion files its status results in the process-wide job
        // registry, which takes no lock and must be used by one thread at a
        // time. A JVM may print different handles on different threads at
        // once, and no caller can hold a lock for a native: print holds one.
        static std::mutex registryLock;
        std::lock_guard<std::mutex> lock(registryLock);
        word = renderHostReport(srmDatabaseOf(handle), text);
    } catch (...) {
        text.reset();
        word = kUnexpected;
    }
    return env->NewStringUTF(text ? text.get() : word);
}
