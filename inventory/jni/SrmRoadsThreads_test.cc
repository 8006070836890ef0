// Eight threads, each owning its databases, run the whole road at once, five
// rounds: the scanner's half (every batch of the sample host through the
// natives, print, resolve, print, serialize), then, once all threads are
// through it, the provider's half (load, the reports of the resolved and the
// unresolved host, and a CIM-XML). They start together and all look words
// up in the record key dictionary at once; every thread logs;
// print takes no lock of the caller's (a JVM calls it from any thread), while
// the provider's half uses the job registry, which takes no lock of its own,
// under the caller's lock, as its contract asks. Run under ThreadSanitizer
// (see the README), a data race anywhere on that road is a failure.
//
// This executable holds this one test, so that nothing before it has touched
// what the threads share when they start.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/testing/ReportTesting.h"
#include "inventory/testing/SampleHost.h"
#include "tessel/Tessel.h"
#include "tessel/log.h"
#include "util/testing/AgentLogFile.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 5;

// What one thread saw on its last round.
struct Outcome {
    std::vector<std::string> statuses;
    int resolved = -1;
    std::string scanned;          // written before resolution
    std::string written;          // after it
    std::string printed;          // print before resolution
    std::string printedResolved;  // and after it
    int loaded = 0;
    std::string rewritten;
    int reported = 0;
    std::string xml;
    std::vector<std::string> results;
    int reportedResolved = 0;
    std::vector<std::string> resultsResolved;
};

// Lets the threads go at once, so that they meet on first uses.
class StartingLine {
  public:
    void wait() {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [this] { return open; });
    }
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            open = true;
        }
        ready.notify_all();
    }

  private:
    std::mutex mutex;
    std::condition_variable ready;
    bool open = false;
};

// Holds each thread until all have come: the scanner's half of a round (in a
// JVM) and the provider's (in a CIM provider) never overlap, as they run in
// different processes.
class Rendezvous {
  public:
    explicit Rendezvous(int parties) : parties(parties) {}
    void meet() {
        std::unique_lock<std::mutex> lock(mutex);
        const long round = rounds;
        if (++arrived == parties) {
            arrived = 0;
            ++rounds;
            all.notify_all();
            return;
        }
        all.wait(lock, [&] { return rounds != round; });
    }

  private:
    const int parties;
    int arrived = 0;
    long rounds = 0;
    std::mutex mutex;
    std::condition_variable all;
};

// The job registry and every job object are the caller's to serialise: the
// provider's half holds this lock around its reports. (print holds one of
// its own.)
std::mutex registryLock;

void RunRoad(int thread, const std::vector<ulvar::testing::SampleBatch> &batches,
             Rendezvous *halves, Outcome *out) {
    ulvar::testing::FakeJni jni;
    const std::string job = "threads-job-" + std::to_string(thread);
    for (int round = 0; round < kRounds; ++round) {
        *out = Outcome();
        prv_log(TESSEL_LOG_INFO, "OMX_SRMAgentAdapter", "RunRoad", "thread %d round %d", thread,
                round);

        jlong handle = SRM_ULVAR_NATIVE(create)(jni.env(), nullptr);
        for (const auto &batch : batches) {
            jstring status = batch.add(jni.env(), nullptr, handle, jni.str(batch.text));
            out->statuses.push_back(jni.text(status));
        }
        auto *db = reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
        out->scanned = ulvar::testing::Written(db);
        // print takes no lock of the caller's: a JVM may print different
        // handles from different threads at once.
        out->printed = jni.text(SRM_ULVAR_NATIVE(print)(jni.env(), nullptr, handle));
        out->resolved = SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle);
        out->written = ulvar::testing::Written(db);
        out->printedResolved = jni.text(SRM_ULVAR_NATIVE(print)(jni.env(), nullptr, handle));
        SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);
        halves->meet();

        SrmResourceDatabase loaded;
        out->loaded = ulvar::testing::Load(&loaded, out->written);
        out->rewritten = ulvar::testing::Written(&loaded);
        SrmResourceDatabase unresolved;
        ulvar::testing::Load(&unresolved, out->scanned);

        // Both the resolved host and the unresolved one are reported; what
        // each conversion files as status results goes through the registry.
        nmspc_cim::CCIMList *list = nullptr;
        {
            std::lock_guard<std::mutex> lock(registryLock);
            {
                OMX_Report report;
                report.setJobId(job);
                out->reportedResolved = report.GenerateCIMReports(&loaded, "host");
                nmspc_cim::cim_freeInstanceList(report.GetReport());
            }
            out->resultsResolved = ulvar::testing::TakeResults(job);
            OMX_Report report;
            report.setJobId(job);
            out->reported = report.GenerateCIMReports(&unresolved, "host");
            list = report.GetReport();
            out->results = ulvar::testing::TakeResults(job);
        }
        sbuf *buffer = sbufCreate(8192);
        if (marshallInstanceList(buffer, list, 0) == 0) {
            out->xml = sbufGetString(buffer);
        }
        sbufDestroy(buffer);
        nmspc_cim::cim_freeInstanceList(list);
        prv_log(TESSEL_LOG_INFO, "OMX_SRMAgentAdapter", "RunRoad", "thread %d wrote %zu bytes",
                thread, out->xml.size());
        halves->meet();
    }
}

TEST(RoadsThreadsTest, EightDatabasesRunTheWholeRoadAtOnce) {
    // Lines go to the agent's log when this process may make it; without it
    // every call still runs up to the open that fails.
    tessel::testing::AgentLogFile log;
    std::string reason;
    const bool logging = log.Acquire(&reason);

    const auto batches = ulvar::testing::SampleHostBatches(ULVAR_EXAMPLES_DIR);
    std::vector<Outcome> outcomes(kThreads);
    StartingLine start;
    Rendezvous halves(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            start.wait();
            RunRoad(i, batches, &halves, &outcomes[i]);
        });
    }
    start.release();
    for (auto &t : threads) {
        t.join();
    }

    if (logging) {
        // Whole lines only: each went out in one write.
        std::vector<std::string> lines = log.OwnLines("RunRoad");
        EXPECT_EQ(static_cast<std::size_t>(2 * kThreads * kRounds), lines.size());
        for (const std::string &line : lines) {
            EXPECT_NE(std::string::npos, line.find(": INFO    :  thread ")) << line;
        }
    } else {
        std::printf("the agent's log is not written: %s\n", reason.c_str());
    }

    const Outcome &first = outcomes[0];
    EXPECT_EQ(std::vector<std::string>(batches.size(), kSrmBatchOk), first.statuses);
    // The sample itself is judged elsewhere; here every thread must have
    // come through whole and seen what the others saw.
    EXPECT_GT(first.resolved, 0);
    EXPECT_NE(std::string::npos, first.written.find("\"Id=md0\""));
    EXPECT_EQ(1, first.loaded);
    EXPECT_NE(std::string::npos, first.rewritten.find("\"Id=md0\""));
    EXPECT_EQ(1, first.reported);
    EXPECT_NE(std::string::npos, first.xml.find("<VALUE.OBJECT>"));
    EXPECT_EQ(first.xml, first.printed);
    EXPECT_FALSE(first.printedResolved.empty());
    for (int i = 1; i < kThreads; ++i) {
        SCOPED_TRACE("thread " + std::to_string(i));
        EXPECT_EQ(first.statuses, outcomes[i].statuses);
        EXPECT_EQ(first.resolved, outcomes[i].resolved);
        EXPECT_EQ(first.written, outcomes[i].written);
        EXPECT_EQ(first.rewritten, outcomes[i].rewritten);
        EXPECT_EQ(first.xml, outcomes[i].xml);
        EXPECT_EQ(first.printed, outcomes[i].printed);
        EXPECT_EQ(first.printedResolved, outcomes[i].printedResolved);
        EXPECT_EQ(first.reported, outcomes[i].reported);
        EXPECT_EQ(first.results, outcomes[i].results);
        EXPECT_EQ(first.reportedResolved, outcomes[i].reportedResolved);
        EXPECT_EQ(first.resultsResolved, outcomes[i].resultsResolved);
    }
}

}  // namespace
