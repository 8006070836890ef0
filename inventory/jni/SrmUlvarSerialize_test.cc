// The natives that finish a scan, resolveDatabase and serialize, through the
// fake JNI environment; serialize's output is caught on descriptor 1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>

#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/testing/FailingAllocation.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/testing/StdoutCapture.h"

namespace {

using ulvar::testing::FakeJni;
using ulvar::testing::StdoutCapture;

const char kEmptyHeader[] =
    "\"SrmResourceDbVersion=1.0\",\"ResourceCount=0\",\"ClusterAlias=\",\"ClusterId=\","
    "\"ClusterName=\",\"ClusterVersion=\",\"MemberCount=0\",\"SGCount=0\",;\n";

class SrmUlvarSerializeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        handle = SRM_ULVAR_NATIVE(create)(jni.env(), nullptr);
        ASSERT_NE(0, handle);
        db = reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
    }
    void TearDown() override { SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle); }

    std::string Add(jstring (*add)(JNIEnv *, jclass, jlong, jstring), const std::string &batch) {
        return jni.text(add(jni.env(), nullptr, handle, jni.str(batch)));
    }

    // Runs the serialize native with descriptor 1 caught; its result goes to `*result`.
    std::string Serialize(int *result, jlong handle) {
        StdoutCapture capture;
        EXPECT_TRUE(capture.ok());
        *result = SRM_ULVAR_NATIVE(serialize)(jni.env(), nullptr, handle);
        return capture.finish();
    }
    std::string Serialize(int *result) { return Serialize(result, handle); }

    FakeJni jni;
    jlong handle = 0;
    SrmResourceDatabase *db = nullptr;
};

TEST_F(SrmUlvarSerializeTest, EmptyDatabaseWritesOnlyTheHeader) {
    int result = 0;
    EXPECT_EQ(kEmptyHeader, Serialize(&result));
    EXPECT_EQ(1, result);
}

TEST_F(SrmUlvarSerializeTest, LoadedBatchIsWrittenToStandardOutputExactly) {
    ASSERT_EQ(kSrmBatchOk, Add(SRM_ULVAR_NATIVE(addVolumeManagerInfo),
                               "\"Type=VolumeManager\",\"Id=lvm\",\"PubId=LVM2\",\"IdType=1\","
                               "\"VolumeMgrName=LVM2\",\"VolumeMgrVersion=2.03.16\",;\n"));
    int result = 0;
    EXPECT_EQ(
        "\"SrmResourceDbVersion=1.0\",\"ResourceCount=1\",\"ClusterAlias=\",\"ClusterId=\","
        "\"ClusterName=\",\"ClusterVersion=\",\"MemberCount=0\",\"SGCount=0\",;\n"
        "\"Type=VolumeManager\",\"Id=lvm\",\"PubId=LVM2\",\"IdType=1\",\"VolumeMgrName=LVM2\","
        "\"VolumeMgrVersion=2.03.16\",;\n",
        Serialize(&result));
    EXPECT_EQ(1, result);
}

TEST_F(SrmUlvarSerializeTest, WhatCStdioHeldForStandardOutputComesBeforeTheDatabase) {
    StdoutCapture capture;
    ASSERT_TRUE(capture.ok());
    // No line end: this stays in the stdio buffer however stdout is buffered.
    printf("dump:");
    int result = SRM_ULVAR_NATIVE(serialize)(jni.env(), nullptr, handle);
    printf(":after");
    EXPECT_EQ(std::string("dump:") + kEmptyHeader + ":after", capture.finish());
    EXPECT_EQ(1, result);
}

TEST_F(SrmUlvarSerializeTest, ErrorsFiledByAFailedBatchAreWrittenWithTheDatabase) {
    ASSERT_EQ(kSrmBatchOk, Add(SRM_ULVAR_NATIVE(addComputer),
                               "\"Type=System\",\"Id=alpha\",\"HostName=Alpha\",;\n"));
    {
        ulvar::testing::ScopedAllocationFailure fail(sizeof(CSRMTupleFDStream), 1);
        ASSERT_EQ("Failed to attach collection stream",
                  Add(SRM_ULVAR_NATIVE(addDisk), "\"Type=Disk\",\"Id=d1\",;\n"));
    }
    int result = 0;
    std::string out = Serialize(&result);
    EXPECT_EQ(1, result);
    EXPECT_NE(std::string::npos, out.find("\"ResourceCount=3\""));
    EXPECT_NE(std::string::npos,
              out.find("\"Type=Error\",\"Id=alpha\",\"ErrorDesc=Failed to collect disk "
                       "information\",\"Ecode=22\",\"Sev=2\",;\n"
                       "\"Type=Error\",\"Id=alpha\",\"ErrorDesc=Failed to attach collection "
                       "stream\",\"Ecode=22\",\"Sev=2\",;\n"))
        << out;
}

TEST_F(SrmUlvarSerializeTest, UnwritableStandardOutputGivesZeroAndTheReason) {
    int readOnly = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(readOnly, 0);
    int result = 1;
    {
        StdoutCapture capture(readOnly);
        ASSERT_TRUE(capture.ok());
        result = SRM_ULVAR_NATIVE(serialize)(jni.env(), nullptr, handle);
    }
    close(readOnly);
    EXPECT_EQ(0, result);
    int code = 0;
    std::string message;
    db->getLastErrorInfo(&code, message, nullptr);
    EXPECT_EQ(5, code);
    EXPECT_EQ("Failed to serialize the database", message);
}

TEST_F(SrmUlvarSerializeTest, ResolveReturnsTheNumberOfStateCopies) {
    EXPECT_EQ(0, SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle));
    ASSERT_EQ(kSrmBatchOk, Add(SRM_ULVAR_NATIVE(addDisk),
                               "\"Type=Disk\",\"Id=d1\",\"Name=sda\",\"Sign=7\",;\n"));
    // Two chunks on the disk take its state; one on an unknown disk takes nothing.
    ASSERT_EQ(kSrmBatchOk, Add(SRM_ULVAR_NATIVE(addDiskChunk),
                               "\"Type=DiskChunk\",\"Id=c1\",\"Disk=d1\",;\n"
                               "\"Type=DiskChunk\",\"Id=c2\",\"Disk=d1\",;\n"
                               "\"Type=DiskChunk\",\"Id=c3\",\"Disk=nowhere\",;\n"));
    EXPECT_EQ(2, SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle));
    EXPECT_EQ(2, SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle));
}

TEST_F(SrmUlvarSerializeTest, ZeroHandleNeitherResolvesNorWrites) {
    EXPECT_EQ(0, SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, 0));
    int result = 1;
    EXPECT_EQ("", Serialize(&result, 0));
    EXPECT_EQ(0, result);
}

}  // namespace
