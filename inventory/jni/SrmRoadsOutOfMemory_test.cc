// Every road of the system, run out of memory at each of its allocations in
// turn: a batch of every kind through the natives, resolve, the integrity
// check, serialize, load, print, the report and its CIM-XML. For N = 1, 2, ...
// the Nth allocation fails (once, or from then on), until a run in which none
// failed. Every run must end in a designed failure or in the very result an
// undisturbed run gives, with nothing lost, nothing leaked, and a database
// that can still be written and deleted. Built only in the out-of-memory build
// (see the README).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/testing/OutOfMemory.h"
#include "inventory/testing/ReportTesting.h"
#include "inventory/testing/SampleHost.h"
#include "inventory/testing/ScratchFiles.h"
#include "tessel/Tessel.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using ulvar::testing::AllocationCountdown;
using ulvar::testing::AllocationPause;
using ulvar::testing::LastMessage;
using ulvar::testing::ScopedFd;
using ulvar::testing::Written;

constexpr const char *kJob = "oom-job";

// A JNI environment whose own work belongs to the JVM, not to the library:
// the fake's allocations are neither counted nor failed. (A real JVM that
// cannot make a string answers null, which the natives handle too.)
class JvmEnv {
  public:
    JvmEnv() {
        table = *fake.env()->functions;
        getChars = table.GetStringUTFChars;
        releaseChars = table.ReleaseStringUTFChars;
        newString = table.NewStringUTF;
        table.GetStringUTFChars = [](JNIEnv *env, jstring s, jboolean *copy) {
            AllocationPause pause;
            return getChars(env, s, copy);
        };
        table.ReleaseStringUTFChars = [](JNIEnv *env, jstring s, const char *chars) {
            AllocationPause pause;
            releaseChars(env, s, chars);
        };
        table.NewStringUTF = [](JNIEnv *env, const char *utf) {
            AllocationPause pause;
            return newString(env, utf);
        };
        environment.functions = &table;
    }
    JNIEnv *env() { return &environment; }
    ulvar::testing::FakeJni &jvm() { return fake; }

  private:
    static inline decltype(JNINativeInterface_::GetStringUTFChars) getChars = nullptr;
    static inline decltype(JNINativeInterface_::ReleaseStringUTFChars) releaseChars = nullptr;
    static inline decltype(JNINativeInterface_::NewStringUTF) newString = nullptr;
    ulvar::testing::FakeJni fake;
    JNINativeInterface_ table;
    JNIEnv environment;
};

SrmResourceDatabase *DatabaseOf(jlong handle) {
    return reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
}

struct Mode {
    const char *name;
    bool persistent;
};

class RoadsOutOfMemoryTest : public ::testing::TestWithParam<Mode> {
  protected:
    static void SetUpTestSuite() {
        batches = ulvar::testing::SampleHostBatches(ULVAR_EXAMPLES_DIR);
    }

    void SetUp() override { tessel::testing::ResetRegistry(); }

    void TearDown() override { tessel::testing::ResetRegistry(); }

    // Runs `road(n, persistent)` for n = 1, 2, ... until a run in which no
    // allocation failed (the road returns whether one did); the number of
    // allocations of that complete run. Stops at the first run that fails a
    // check, naming it.
    long EveryAllocationFails(const std::string &name,
                              const std::function<bool(long, bool)> &road) {
        const bool persistent = GetParam().persistent;
        const ::testing::TestResult *result =
            ::testing::UnitTest::GetInstance()->current_test_info()->result();
        for (long n = 1;; ++n) {
            const int failuresBefore = result->total_part_count();
            bool failed = road(n, persistent);
#if defined(__SANITIZE_ADDRESS__)
            if (leakCheckEachRun || !failed) {
                EXPECT_EQ(0, __lsan_do_recoverable_leak_check()) << "leaks (see the report above)";
            }
#endif
            if (result->total_part_count() != failuresBefore) {
                ADD_FAILURE() << name << ": the run failing allocation " << n
                              << (persistent ? " and every later one" : "") << " went wrong";
                return -1;
            }
            if (!failed) {
                std::printf("%-24s %-10s %6ld allocation points\n", name.c_str(), GetParam().name,
                            n - 1);
                return n - 1;
            }
        }
    }

    // A database with the first `count` sample batches sent, through `jni`.
    jlong DatabaseWithBatches(JvmEnv &jni, std::size_t count) {
        jlong handle = SRM_ULVAR_NATIVE(create)(jni.env(), nullptr);
        for (std::size_t i = 0; i < count; ++i) {
            jstring status =
                batches[i].add(jni.env(), nullptr, handle, jni.jvm().str(batches[i].text));
            EXPECT_EQ(kSrmBatchOk, jni.jvm().text(status)) << batches[i].file;
        }
        return handle;
    }

    // What a database written after the first `count` batches (and resolution
    // when `resolved`) holds.
    std::string WrittenAfterBatches(std::size_t count, bool resolved) {
        JvmEnv jni;
        jlong handle = DatabaseWithBatches(jni, count);
        if (resolved) {
            DatabaseOf(handle)->resolveDatabase();
        }
        std::string bytes = Written(DatabaseOf(handle));
        SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);
        return bytes;
    }

    // The database can still be written whole (whatever hierarchy a failed
    // road left), what it writes loads again, and it can be deleted. (What a
    // loaded database writes may differ from what it was loaded from: the
    // constructors' state bits of disks and aliases come back.)
    void ExpectStillUsable(SrmResourceDatabase *db) {
        int result = 0;
        std::string bytes = Written(db, &result);
        ASSERT_EQ(1, result) << LastMessage(db);
        SrmResourceDatabase again;
        EXPECT_EQ(1, ulvar::testing::Load(&again, bytes)) << LastMessage(&again);
    }

    static inline std::vector<ulvar::testing::SampleBatch> batches;
    // A leak is found once the road is done; ULVAR_OOM_LEAKS_EACH_RUN=1 looks
    // after every run, which names the run that leaked (and is slow).
    static inline const bool leakCheckEachRun = getenv("ULVAR_OOM_LEAKS_EACH_RUN") != nullptr;
};

// One batch of every kind, each sent to a database holding the batches before
// it. A batch ends "Memory allocation error" (or, when no batch file or stream
// can be had, its designed message), or succeeds having loaded everything.
TEST_P(RoadsOutOfMemoryTest, EveryBatch) {
    for (std::size_t k = 0; k < batches.size(); ++k) {
        SCOPED_TRACE(batches[k].file);
        const std::string expected = WrittenAfterBatches(k + 1, false);
        EveryAllocationFails(std::string("batch ") + batches[k].file, [&](long n, bool persistent) {
            JvmEnv jni;
            jlong handle = DatabaseWithBatches(jni, k);
            SrmResourceDatabase *db = DatabaseOf(handle);
            jstring text = jni.jvm().str(batches[k].text);
            jstring status;
            bool failed;
            {
                AllocationCountdown countdown(n, persistent);
                status = batches[k].add(jni.env(), nullptr, handle, text);
                failed = countdown.failed();
            }
            std::string said = jni.jvm().text(status);
            if (said == kSrmBatchOk) {
                EXPECT_EQ(expected, Written(db)) << "a batch that lost records succeeded";
            } else {
                EXPECT_TRUE(said == kSrmBatchNoMemory || said == kSrmBatchNoFile ||
                            said == kSrmBatchNoStream)
                    << said;
            }
            EXPECT_EQ(0, jni.jvm().outstanding());
            EXPECT_EQ(0, jni.jvm().badReleases());
            ExpectStillUsable(db);
            SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);
            return failed;
        });
    }
}

// Resolution either completes as it does with memory to spare, or reports
// the failure by its result, leaving a database that can be written.
TEST_P(RoadsOutOfMemoryTest, Resolve) {
    JvmEnv jni;
    jlong handle = DatabaseWithBatches(jni, batches.size());
    SrmResourceDatabase *db = DatabaseOf(handle);
    int expectedCount = db->resolveDatabase();
    std::string expected = Written(db);
    SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);

    EveryAllocationFails("resolve", [&](long n, bool persistent) {
        JvmEnv jni;
        jlong handle = DatabaseWithBatches(jni, batches.size());
        SrmResourceDatabase *db = DatabaseOf(handle);
        int count = 0;
        bool failed;
        try {
            AllocationCountdown countdown(n, persistent);
            count = db->resolveDatabase();
            failed = countdown.failed();
        } catch (...) {
            ADD_FAILURE() << "an exception left resolveDatabase";
            failed = true;
        }
        if (count >= 0) {
            EXPECT_EQ(expectedCount, count);
            EXPECT_EQ(expected, Written(db)) << "a resolution that failed said it did not";
        } else {
            int code = 0;
            EXPECT_EQ("Failed to resolve the database", LastMessage(db, &code));
            EXPECT_EQ(ENOMEM, code);
        }
        ExpectStillUsable(db);
        SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);
        return failed;
    });
}

// The integrity check of a database whose file systems lost their volume:
// either it excludes and records as it does with memory to spare, or it
// fails (0) saying memory ran out.
TEST_P(RoadsOutOfMemoryTest, CheckIntegrity) {
    const std::string bytes = WrittenAfterBatches(batches.size(), false);
    auto damaged = [&](SrmResourceDatabase *db) {
        ASSERT_EQ(1, ulvar::testing::Load(db, bytes));
        ASSERT_EQ(1, db->removeResource(SRM_RES_VOLUME, "vg_data-home"));
    };
    std::string expected;
    {
        SrmResourceDatabase db;
        damaged(&db);
        ASSERT_EQ(1, db.checkIntegrity());
        expected = Written(&db);
        ASSERT_NE(std::string::npos, expected.find("Missing or unsupported fs"));
    }

    EveryAllocationFails("check integrity", [&](long n, bool persistent) {
        SrmResourceDatabase db;
        damaged(&db);
        int result = 0;
        bool failed;
        try {
            AllocationCountdown countdown(n, persistent);
            result = db.checkIntegrity();
            failed = countdown.failed();
        } catch (...) {
            ADD_FAILURE() << "an exception left checkIntegrity";
            failed = true;
        }
        if (result == 1) {
            EXPECT_EQ(expected, Written(&db));
        } else {
            int code = 0;
            EXPECT_EQ("Failed to check the database", LastMessage(&db, &code));
            EXPECT_EQ(ENOMEM, code);
        }
        ExpectStillUsable(&db);
        return failed;
    });
}

// Writing either gives the whole database or fails with its message.
TEST_P(RoadsOutOfMemoryTest, Serialize) {
    JvmEnv jni;
    jlong handle = DatabaseWithBatches(jni, batches.size());
    SrmResourceDatabase *db = DatabaseOf(handle);
    db->resolveDatabase();
    const std::string expected = Written(db);

    EveryAllocationFails("serialize", [&](long n, bool persistent) {
        ScopedFd file(ulvar::testing::FileWith(""));
        int result = 0;
        bool failed;
        try {
            AllocationCountdown countdown(n, persistent);
            result = db->serialize(file.get(), 0);
            failed = countdown.failed();
        } catch (...) {
            ADD_FAILURE() << "an exception left serialize";
            failed = true;
        }
        if (result == 1) {
            EXPECT_EQ(expected, ulvar::testing::ContentsOf(file.get()));
        } else {
            int code = 0;
            std::string message = LastMessage(db, &code);
            EXPECT_EQ(ENOMEM, code) << message;
            EXPECT_EQ("Failed to serialize the database", message);
        }
        EXPECT_EQ(expected, Written(db));
        return failed;
    });
    SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);
}

// Loading either gives the whole database or fails with a message, leaving a
// database that can be written and deleted.
TEST_P(RoadsOutOfMemoryTest, Load) {
    const std::string bytes = WrittenAfterBatches(batches.size(), true);
    std::string expected;
    {
        SrmResourceDatabase db;
        ASSERT_EQ(1, ulvar::testing::Load(&db, bytes));
        expected = Written(&db);
    }

    EveryAllocationFails("load", [&](long n, bool persistent) {
        ScopedFd file(ulvar::testing::FileWith(bytes));
        SrmResourceDatabase *db = nullptr;
        int result = 0;
        bool failed;
        try {
            AllocationCountdown countdown(n, persistent);
            db = new (std::nothrow) SrmResourceDatabase();
            if (db != nullptr) {
                result = db->deserialize(file.get(), nullptr);
            }
            failed = countdown.failed();
        } catch (...) {
            ADD_FAILURE() << "an exception left the database's constructor or deserialize";
            failed = true;
        }
        if (db == nullptr) {
            return failed;
        }
        if (result == 1) {
            EXPECT_EQ(expected, Written(db));
        } else {
            // Only a database that found no memory for its message slot at
            // construction tells by the code alone.
            int code = 0;
            std::string message = LastMessage(db, &code);
            EXPECT_TRUE(!message.empty() || code == ENOMEM) << "a failed load without a message";
        }
        ExpectStillUsable(db);
        delete db;
        return failed;
    });
}

// The report of the loaded sample host (before resolution, whose error record
// about the disk without a signature would stop the report at once): either
// the whole instance list, or a failed conversion (0, or no list), and the
// job's results can be collected.
TEST_P(RoadsOutOfMemoryTest, Report) {
    const std::string bytes = WrittenAfterBatches(batches.size(), false);
    SrmResourceDatabase db;
    ASSERT_EQ(1, ulvar::testing::Load(&db, bytes));
    std::string expected;
    {
        OMX_Report report;
        report.setJobId(kJob);
        ASSERT_EQ(1, report.GenerateCIMReports(&db, "host"));
        ulvar::testing::ListHolder list(report.GetReport());
        expected = ulvar::testing::Dump(list.list);
        ASSERT_NE("", expected);
    }
    tessel::testing::ResetRegistry();

    EveryAllocationFails("report", [&](long n, bool persistent) {
        nmspc_cim::CCIMList *list = nullptr;
        int result = 0;
        bool failed;
        try {
            AllocationCountdown countdown(n, persistent);
            {
                OMX_Report report;
                report.setJobId(kJob);
                result = report.GenerateCIMReports(&db, "host");
                if (result == 1) {
                    list = report.GetReport();
                }
            }
            failed = countdown.failed();
        } catch (...) {
            ADD_FAILURE() << "an exception left the report";
            failed = true;
        }
        ulvar::testing::ListHolder held(list);
        if (list != nullptr) {
            EXPECT_EQ(expected, ulvar::testing::Dump(list)) << "a report that lost instances";
        }
        // The job's results (the failures recorded, if any) can be collected.
        ulvar::testing::TakeResults(kJob);
        tessel::testing::ResetRegistry();
        return failed;
    });
}

// The print native over the scanned host: the whole document, or one of its
// error words; nothing of the conversion is left behind, its job included.
TEST_P(RoadsOutOfMemoryTest, Print) {
    JvmEnv jni;
    jlong handle = DatabaseWithBatches(jni, batches.size());
    const std::string expected =
        jni.jvm().text(SRM_ULVAR_NATIVE(print)(jni.env(), nullptr, handle));
    ASSERT_NE(std::string::npos, expected.find("<VALUE.OBJECT>")) << expected;

    EveryAllocationFails("print", [&](long n, bool persistent) {
        const int jobs = Tessel::m_objCounter;
        jstring printed;
        bool failed;
        {
            AllocationCountdown countdown(n, persistent);
            printed = SRM_ULVAR_NATIVE(print)(jni.env(), nullptr, handle);
            failed = countdown.failed();
        }
        const std::string said = jni.jvm().text(printed);
        EXPECT_TRUE(said == expected || said == "ERROR 1" || said == "ERROR 2" ||
                    said == "ERROR 3" || said == "ERROR UNEXPECTED")
            << "a print that lost part of the report";
        EXPECT_EQ(jobs, Tessel::m_objCounter) << "a job outlived print";
        return failed;
    });
    SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle);
}

// The report's instance list as CIM-XML: the whole document, or -1.
TEST_P(RoadsOutOfMemoryTest, CimXml) {
    const std::string bytes = WrittenAfterBatches(batches.size(), false);
    SrmResourceDatabase db;
    ASSERT_EQ(1, ulvar::testing::Load(&db, bytes));
    auto report = [&]() {
        OMX_Report report;
        report.setJobId(kJob);
        EXPECT_EQ(1, report.GenerateCIMReports(&db, "host"));
        return report.GetReport();
    };
    std::string expected;
    {
        ulvar::testing::ListHolder list(report());
        sbuf *buffer = sbufCreate(8192);
        ASSERT_EQ(0, marshallInstanceList(buffer, list.list, 0));
        expected = sbufGetString(buffer);
        sbufDestroy(buffer);
    }

    EveryAllocationFails("cim-xml", [&](long n, bool persistent) {
        ulvar::testing::ListHolder list(report());
        sbuf *buffer = nullptr;
        int result = -1;
        bool failed;
        {
            AllocationCountdown countdown(n, persistent);
            buffer = sbufCreate(8192);
            if (buffer != nullptr) {
                result = marshallInstanceList(buffer, list.list, 0);
            }
            failed = countdown.failed();
        }
        if (result == 0) {
            EXPECT_EQ(expected, sbufGetString(buffer));
        }
        sbufDestroy(buffer);
        tessel::testing::ResetRegistry();
        return failed;
    });
}

// The record key dictionary is constant data: looking a word up, or a word
// of an id, takes no memory, so no allocation that fails can make a lookup
// answer as for an unknown word. Run in a fresh process (the death test runs
// this program anew) so that nothing a test before it allocated is counted.
TEST(KeyDictionaryOutOfMemoryTest, LookupsTakeNoMemory) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            for (long n = 1;; ++n) {
                int id;
                bool failed;
                {
                    AllocationCountdown countdown(n, false);
                    id = SrmUlvarGetStringId("Disk");
                    failed = countdown.failed();
                }
                if (!failed) {
                    std::printf("key dictionary %ld allocation points\n", n - 1);
                    std::exit(id == SRM_KEY_Disk && SrmUlvarGetIdString(SRM_KEY_LId) == "LId" ? 0
                                                                                              : 1);
                }
                if (id != SRM_KEY_Disk && id != SRM_KEY_Type) {
                    std::exit(2);
                }
            }
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Modes, RoadsOutOfMemoryTest,
                         ::testing::Values(Mode{"once", false}, Mode{"persistent", true}),
                         [](const ::testing::TestParamInfo<Mode> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
