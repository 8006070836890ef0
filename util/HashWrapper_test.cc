#include "tessel/HashWrapper.h"

#include <string>

#include <gtest/gtest.h>

#include "tessel/Tessel.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using tessel::testing::LogTail;
using tessel::testing::ManualClock;

class HashWrapperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tessel::testing::ResetRegistry();
        base = Tessel::m_objCounter;
    }
    void TearDown() override {
        tessel::testing::ResetRegistry();
        EXPECT_EQ(base, Tessel::m_objCounter);
    }

    int base = 0;
};

TEST_F(HashWrapperTest, OperationsWithoutTableDoNothing) {
    ASSERT_EQ(nullptr, HashWrapper::m_hashTable);
    // A wrapper made and cleaned up, leaving no table behind.
    HashWrapper *wrapper = new HashWrapper();
    EXPECT_EQ(0, wrapper->CleanUp());
    int marker = 0;
    void *value = &marker;
    EXPECT_EQ(0, wrapper->addHashEntry("k", &marker));
    EXPECT_EQ(0, wrapper->getFromHash("k", &value));
    EXPECT_EQ(&marker, value);
    EXPECT_EQ(0, wrapper->destroyHashEntry("k"));
    EXPECT_EQ(0, wrapper->enumerateHash(HashWrapper::CheckForCruft));
    delete wrapper;
}

TEST_F(HashWrapperTest, EntryCodes) {
    HashWrapper wrapper;
    int a = 1;
    int b = 2;
    void *value = &b;
    EXPECT_EQ(TESSEL_ERR_NOT_FOUND, wrapper.getFromHash("k", &value));
    EXPECT_EQ(nullptr, value);
    EXPECT_EQ(0, wrapper.addHashEntry("k", &a));
    EXPECT_EQ(0, wrapper.getFromHash("k", &value));
    EXPECT_EQ(&a, value);
    EXPECT_EQ(0, wrapper.addHashEntry("k", &b));  // overwritten, logged
    EXPECT_EQ(0, wrapper.getFromHash("k", &value));
    EXPECT_EQ(&b, value);
    EXPECT_EQ(0, wrapper.destroyHashEntry("k"));
    EXPECT_EQ(TESSEL_ERR_KEY_ABSENT, wrapper.destroyHashEntry("k"));
    // The table holds no job objects now, so its destruction frees nothing else.
}

TEST_F(HashWrapperTest, CleanUpDeletesLiveJobsOnce) {
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(nullptr, Tessel::getInstance("job-" + std::to_string(i)));
    }
    Tessel::getInstance("job-0")->storeResult(new Result("F_X", TESSEL_RESULT_BUNDLE));
    ASSERT_EQ(base + 5, Tessel::m_objCounter);
    EXPECT_EQ(0, Tessel::m_pHashObj->CleanUp());
    EXPECT_EQ(nullptr, HashWrapper::m_hashTable);
    EXPECT_EQ(base, Tessel::m_objCounter);
    EXPECT_EQ(0, Tessel::m_pHashObj->CleanUp());  // nothing left to do
}

TEST_F(HashWrapperTest, FreeMemoryDeletesJobAndIgnoresNull) {
    Tessel *job = new Tessel("outside");
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
    FreeMemory("outside", job);
    EXPECT_EQ(base, Tessel::m_objCounter);
    FreeMemory("outside", nullptr);
    EXPECT_EQ(base, Tessel::m_objCounter);
}

TEST_F(HashWrapperTest, CheckForCruftIgnoresNullAndYoungJobs) {
    ManualClock clock(1000);
    Tessel *job = Tessel::getInstance("job-1");
    HashWrapper::CheckForCruft("job-1", nullptr);
    clock.Set(1000 + TESSEL_STALE_JOB_SECONDS - 1);
    HashWrapper::CheckForCruft("job-1", job);
    EXPECT_EQ(job, Tessel::getInstance("job-1"));
    EXPECT_EQ(base + 1, Tessel::m_objCounter);
}

TEST_F(HashWrapperTest, SweptJobFindsItsEntryAlreadyGoneAndStillUncounts) {
    ManualClock clock(1000);
    Tessel *job = Tessel::getInstance("job-1");
    clock.Set(1000 + TESSEL_STALE_JOB_SECONDS);
    Tessel::m_pHashObj->enumerateHash(HashWrapper::CheckForCruft);
    EXPECT_EQ(base, Tessel::m_objCounter);
    void *found = job;
    EXPECT_EQ(TESSEL_ERR_NOT_FOUND, Tessel::m_pHashObj->getFromHash("job-1", &found));
}

class HashWrapperLogTest : public tessel::testing::TesselLogTest {
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

TEST_F(HashWrapperLogTest, SecondInitializeLogsErrorAndKeepsTable) {
    HashWrapper wrapper;
    VstTable *table = HashWrapper::m_hashTable;
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(0, wrapper.Initialize());
    EXPECT_EQ(table, HashWrapper::m_hashTable);

    std::vector<std::string> expected = {
        LogTail("HashWrapper constructor", "DEBUG", "Starting HashWrapper constructor"),
        LogTail("HASHWRAPPER::Initialize", "DEBUG", "Starting Initialize"),
        LogTail("HASHWRAPPER::Initialize", "DEBUG", "Starting Initialize"),
        LogTail("HASHWRAPPER::Initialize", "ERR",
                "Hash table already initialized before\t\t\t\t\t\t\tHashWrapper construction"),
    };
    EXPECT_EQ(expected, TailsOf({"HashWrapper constructor", "HASHWRAPPER::Initialize"}));
}

TEST_F(HashWrapperLogTest, LookupsAndRemovalsLogWhatTheyFound) {
    HashWrapper wrapper;
    int a = 1;
    void *value = nullptr;
    wrapper.addHashEntry("k1", &a);
    wrapper.addHashEntry("k1", &a);
    wrapper.getFromHash("k1", &value);
    wrapper.getFromHash("k2", &value);
    wrapper.destroyHashEntry("k1");
    wrapper.destroyHashEntry("k1");

    const std::string found = "Found hash table entry for key = %s";
    const std::string missing = "Did not find hash table entry for key = %s";
    const std::string deleting = "Deleting memory in hash table assoc. with key = %s";
    const std::string absent = "Key not found:  Hash table clean-up not needed for key = %s";
    std::vector<std::string> expected = {
        LogTail("HASHWRAPPER::addHashEntry", "DEBUG", "Starting addHashEntry"),
        LogTail("HASHWRAPPER::addHashEntry", "DEBUG", "Starting addHashEntry"),
        LogTail("HASHWRAPPER::addHashEntry", "ERR", "Data overwritten for key = k1", 29),
        LogTail("HASHWRAPPER::getFromHash", "DEBUG", "Starting getFromHash"),
        LogTail("HASHWRAPPER::getFromHash", "DEBUG", "Found hash table entry for key = k1",
                found.size()),
        LogTail("HASHWRAPPER::getFromHash", "DEBUG", "Starting getFromHash"),
        LogTail("HASHWRAPPER::getFromHash", "DEBUG", "Did not find hash table entry for key = k2",
                missing.size()),
        LogTail("HASHWRAPPER::destroyHashEntry", "DEBUG", "Starting destroyHashEntry"),
        LogTail("HASHWRAPPER::destroyHashEntry", "DEBUG",
                "Deleting memory in hash table assoc. with key = k1", deleting.size()),
        LogTail("HASHWRAPPER::destroyHashEntry", "DEBUG", "Starting destroyHashEntry"),
        LogTail("HASHWRAPPER::destroyHashEntry", "DEBUG",
                "Key not found:  Hash table clean-up not needed for key = k1", absent.size()),
    };
    EXPECT_EQ(expected, TailsOf({"HASHWRAPPER::addHashEntry", "HASHWRAPPER::getFromHash",
                                 "HASHWRAPPER::destroyHashEntry"}));
}

TEST_F(HashWrapperLogTest, SweepAndReleaseLogTheirBadArguments) {
    HashWrapper::CheckForCruft("k", nullptr);
    FreeMemory("k", nullptr);
    std::vector<std::string> expected = {
        LogTail("HASHWRAPPER::CheckForCruft", "DEBUG", "Starting CheckForCruft"),
        LogTail("HASHWRAPPER::CheckForCruft", "ERR",
                "Tessel object pointer is NULL --\t\t\t\t\t\t\tbad argument."),
        LogTail("HASHWRAPPER::FreeMemory", "DEBUG", "Starting FreeMemory"),
        LogTail("HASHWRAPPER::FreeMemory", "ERR", "Tessel object pointer is NULL -- bad argument."),
    };
    EXPECT_EQ(expected, TailsOf({"HASHWRAPPER::CheckForCruft", "HASHWRAPPER::FreeMemory"}));
}

TEST_F(HashWrapperLogTest, CleanUpOfLiveJobRemovesNothingTwice) {
    Tessel::getInstance("job-1");
    Tessel::m_pHashObj->CleanUp();
    // The table is detached before the destroy pass: the job's own removal
    // finds no table and stops right after its entry line.
    std::vector<std::string> expected = {
        LogTail("HASHWRAPPER::CleanUp", "DEBUG", "Starting CleanUp"),
        LogTail("HASHWRAPPER::FreeMemory", "DEBUG", "Starting FreeMemory"),
        LogTail("Tessel destructor", "DEBUG", "Starting destruction"),
        LogTail("HASHWRAPPER::destroyHashEntry", "DEBUG", "Starting destroyHashEntry"),
        LogTail("Tessel destructor", "DEBUG", "Destroyed hash entry for key = job-1",
                std::string("Destroyed hash entry for key = %s").size()),
    };
    EXPECT_EQ(expected, TailsOf({"HASHWRAPPER::CleanUp", "HASHWRAPPER::FreeMemory",
                                 "HASHWRAPPER::destroyHashEntry", "Tessel destructor"}));
}

}  // namespace
