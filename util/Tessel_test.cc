#include "tessel/Tessel.h"

#include <string>

#include <gtest/gtest.h>

#include "util/testing/TesselTestSupport.h"

namespace {

using tessel::testing::LogTail;
using tessel::testing::ManualClock;

const long kStart = 1700000000L;

class TesselRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tessel::testing::ResetRegistry();
        base = Tessel::m_objCounter;
    }
    void TearDown() override {
        tessel::testing::ResetRegistry();
        EXPECT_EQ(base, Tessel::m_objCounter) << "registry teardown left objects counted";
    }

    // Makes `count` jobs "<prefix>0", "<prefix>1", ... at the clock's time.
    void MakeJobs(const std::string &prefix, int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_NE(nullptr, Tessel::getInstance(prefix + std::to_string(i)));
        }
    }

    ManualClock clock{kStart};
    int base = 0;
};

TEST_F(TesselRegistryTest, FirstUseMakesTableAndOneObject) {
    Tessel *job = Tessel::getInstance("job-1");
    ASSERT_NE(nullptr, job);
    EXPECT_NE(nullptr, Tessel::m_pHashObj);
    EXPECT_NE(nullptr, HashWrapper::m_hashTable);
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
    EXPECT_EQ("job-1", job->getJobID());
    EXPECT_EQ(kStart, job->getCreationTimeInSec());
    EXPECT_FALSE(job->getIsScanDone());
}

TEST_F(TesselRegistryTest, RepeatRequestReturnsSameObjectWithoutCounting) {
    Tessel *first = Tessel::getInstance("job-1");
    Tessel *other = Tessel::getInstance("job-2");
    EXPECT_EQ(first, Tessel::getInstance("job-1"));
    EXPECT_EQ(other, Tessel::getInstance("job-2"));
    EXPECT_NE(first, other);
    EXPECT_EQ(base + 2, Tessel::m_objCounter);
}

TEST_F(TesselRegistryTest, DeleteInstanceUnregistersAndUncounts) {
    Tessel *job = Tessel::getInstance("job-1");
    job->setIsScanDone(true);
    EXPECT_EQ(0, Tessel::deleteInstance(job));
    EXPECT_EQ(base, Tessel::m_objCounter);
    void *found = nullptr;
    EXPECT_EQ(TESSEL_ERR_NOT_FOUND, Tessel::m_pHashObj->getFromHash("job-1", &found));

    Tessel *again = Tessel::getInstance("job-1");
    ASSERT_NE(nullptr, again);
    EXPECT_FALSE(again->getIsScanDone());
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
}

TEST_F(TesselRegistryTest, DeleteInstanceOfNullDoesNothing) {
    Tessel::getInstance("job-1");
    EXPECT_EQ(0, Tessel::deleteInstance(nullptr));
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
}

TEST_F(TesselRegistryTest, SweepRemovesObjectsAtLeastTwelveHoursOldOnly) {
    MakeJobs("old-", 10);
    clock.Set(kStart + 1);
    Tessel *young = Tessel::getInstance("young");
    ASSERT_EQ(base + 11, Tessel::m_objCounter);

    // The old jobs are exactly 43200 seconds old, the young one 43199.
    clock.Set(kStart + TESSEL_STALE_JOB_SECONDS);
    Tessel *fresh = Tessel::getInstance("fresh");
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ(base + 2, Tessel::m_objCounter);

    EXPECT_EQ(young, Tessel::getInstance("young"));
    void *found = nullptr;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(TESSEL_ERR_NOT_FOUND,
                  Tessel::m_pHashObj->getFromHash("old-" + std::to_string(i), &found));
    }
    EXPECT_EQ(fresh, Tessel::getInstance("fresh"));
}

TEST_F(TesselRegistryTest, NoSweepWhileTenObjectsLive) {
    MakeJobs("old-", 10);
    Tessel *first = Tessel::getInstance("old-0");
    clock.Set(kStart + 2 * TESSEL_STALE_JOB_SECONDS);
    ASSERT_NE(nullptr, Tessel::getInstance("new"));
    EXPECT_EQ(base + 11, Tessel::m_objCounter);
    EXPECT_EQ(first, Tessel::getInstance("old-0"));
    EXPECT_EQ(kStart, first->getCreationTimeInSec());
}

TEST_F(TesselRegistryTest, SweepRunsOnlyForUnknownJobIds) {
    MakeJobs("old-", 11);
    Tessel *first = Tessel::getInstance("old-0");
    clock.Set(kStart + TESSEL_STALE_JOB_SECONDS);
    EXPECT_EQ(first, Tessel::getInstance("old-0"));
    EXPECT_EQ(base + 11, Tessel::m_objCounter);

    // A new id sweeps every stale job, the one just requested included.
    Tessel *fresh = Tessel::getInstance("new");
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
    EXPECT_EQ(fresh, Tessel::getInstance("new"));
}

TEST_F(TesselRegistryTest, SweptJobsReleaseTheirResults) {
    MakeJobs("old-", 11);
    for (int i = 0; i < 11; ++i) {
        Tessel *job = Tessel::getInstance("old-" + std::to_string(i));
        Result *r = new Result("F_REPORT_CONV_FAILURE", TESSEL_RESULT_BUNDLE);
        r->addArg("disk" + std::to_string(i), "FailurePoint");
        ASSERT_EQ(0, job->storeResult(r));
    }
    clock.Set(kStart + TESSEL_STALE_JOB_SECONDS);
    Tessel::getInstance("new");
    EXPECT_EQ(base + 1, Tessel::m_objCounter);  // leaks show under the sanitizer build
}

TEST_F(TesselRegistryTest, UnhashableJobIdGetsAFreshUnregisteredObjectEachTime) {
    // Bytes 0x80..0xFF count as negative: this id's byte sum is below 0.
    const std::string id = "\xff\xff";
    Tessel::getInstance("job-1");
    Tessel *a = Tessel::getInstance(id);
    Tessel *b = Tessel::getInstance(id);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(base + 3, Tessel::m_objCounter);
    Tessel::deleteInstance(a);
    Tessel::deleteInstance(b);
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
}

TEST_F(TesselRegistryTest, DeletingTheWrapperLetsTheNextRequestStartOver) {
    Tessel::getInstance("job-1");
    Tessel::getInstance("job-2");
    delete Tessel::m_pHashObj;
    EXPECT_EQ(nullptr, Tessel::m_pHashObj);
    EXPECT_EQ(nullptr, HashWrapper::m_hashTable);
    EXPECT_EQ(base, Tessel::m_objCounter);

    Tessel *job = Tessel::getInstance("job-1");
    ASSERT_NE(nullptr, job);
    EXPECT_EQ(job, Tessel::getInstance("job-1"));
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
}

TEST_F(TesselRegistryTest, AfterCleanUpRequestsFindNoTable) {
    Tessel::getInstance("job-1");
    Tessel::m_pHashObj->CleanUp();
    EXPECT_EQ(base, Tessel::m_objCounter);
    EXPECT_EQ(nullptr, Tessel::getInstance("job-1"));
    EXPECT_EQ(base, Tessel::m_objCounter);
}

TEST_F(TesselRegistryTest, ObjectMadeOutsideTheRegistryLeavesRegisteredOneAlone) {
    Tessel *registered = Tessel::getInstance("job-1");
    {
        Tessel outside("job-2");
        EXPECT_EQ(base + 2, Tessel::m_objCounter);
    }
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
    EXPECT_EQ(registered, Tessel::getInstance("job-1"));
}

TEST_F(TesselRegistryTest, TidyUpKeepsTheObjectUsable) {
    Tessel *job = Tessel::getInstance("job-1");
    job->storeResult(new Result("W_X", TESSEL_RESULT_BUNDLE));
    nmspc_cim::CCIMList *config = nmspc_cim::cim_createPropertyList();
    config = nmspc_cim::cim_addPropertyToPropertyList(
        config, nmspc_cim::cim_createProperty("Name", nmspc_cim::CIM_STRING, "v", nullptr, 0));
    ASSERT_EQ(0, job->storeConfig("cfg", config));
    nmspc_cim::cim_freePropertyList(config);

    job->tidyUp();
    std::vector<nmspc_cim::CCIMList *> out;
    EXPECT_EQ(TESSEL_ERR_NOT_FOUND, job->retrieveConfig("cfg", out));
    EXPECT_EQ(nullptr, job->getCIMInstanceList());
    EXPECT_EQ(0, job->storeResult(new Result("I_Y", TESSEL_RESULT_BUNDLE)));
    nmspc_cim::CCIMList *list = job->getCIMInstanceList();
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(nullptr, list->mNext);
    nmspc_cim::cim_freeInstanceList(list);
}

TEST_F(TesselRegistryTest, CreationTimeAsText) {
    Tessel *job = Tessel::getInstance("job-1");
    std::string text = job->getCreationTime();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ('\n', text.back());
    time_t t = kStart;
    char expected[64];
    EXPECT_EQ(std::string(ctime_r(&t, expected)), text);
}

class TesselRegistryLogTest : public tessel::testing::TesselLogTest {
  protected:
    void SetUp() override {
        tessel::testing::TesselLogTest::SetUp();
        tessel::testing::ResetRegistry();
    }
    void TearDown() override {
        tessel::testing::ResetRegistry();
        tessel::testing::TesselLogTest::TearDown();
    }
};

TEST_F(TesselRegistryLogTest, LifecycleWritesEntryLines) {
    Tessel *job = Tessel::getInstance("job-1");
    Tessel::getInstance("job-1");
    EXPECT_EQ("job-1", job->getJobID());
    Tessel::deleteInstance(job);

    std::vector<std::string> expected = {
        LogTail("TESSEL::getInstance", "DEBUG", "Starting getInstance"),
        LogTail("Tessel constructor", "DEBUG", "Starting instantiation"),
        LogTail("TESSEL::getInstance", "DEBUG", "Starting getInstance"),
        LogTail("TESSEL::getJobID", "DEBUG", "Starting getJobID"),
        LogTail("TESSEL::deleteInstance", "DEBUG", "Starting deleteInstance"),
        LogTail("Tessel destructor", "DEBUG", "Starting destruction"),
        LogTail("TESSEL::tidyUp", "DEBUG", "Starting tidyUp"),
        LogTail("Tessel destructor", "DEBUG", "Destroyed hash entry for key = job-1",
                std::string("Destroyed hash entry for key = %s").size()),
    };
    EXPECT_EQ(expected, TailsOf({"TESSEL::getInstance", "Tessel constructor", "TESSEL::getJobID",
                                 "TESSEL::deleteInstance", "Tessel destructor", "TESSEL::tidyUp"}));
}

TEST_F(TesselRegistryLogTest, RequestForUnknownJobNotesTheNullLookup) {
    Tessel::getInstance("job-1");
    Tessel::getInstance("job-2");
    std::vector<std::string> tails = TailsOf({"TESSEL::getInstance"});
    ASSERT_EQ(3u, tails.size());
    EXPECT_EQ(LogTail("TESSEL::getInstance", "DEBUG",
                      "Tessel obj. was NULL after HashWrapper::getFromHash\t\t\t\t\t"
                      "call --jobid = job-2",
                      100),
              tails[2]);
}

}  // namespace
