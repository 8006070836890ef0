// The sample host under examples/host, loaded batch by batch as the scanner
// sends it, through the natives and the fake JNI environment.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/testing/SampleHost.h"
#include "inventory/testing/StdoutCapture.h"

namespace {

using ulvar::testing::SampleBatch;
using ulvar::testing::SampleHostBatches;

class SampleHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        handle = SRM_ULVAR_NATIVE(create)(jni.env(), nullptr);
        db = reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
    }
    void TearDown() override { SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle); }

    std::string Load(const SampleBatch &batch) {
        EXPECT_FALSE(batch.text.empty()) << batch.file;
        return jni.text(batch.add(jni.env(), nullptr, handle, jni.str(batch.text)));
    }

    int Count(SrmResourceType t) { return db->getResourceList()->getTypeCount(t); }

    ulvar::testing::FakeJni jni;
    jlong handle = 0;
    SrmResourceDatabase *db = nullptr;
};

TEST_F(SampleHostTest, EveryBatchLoadsWithTheExpectedCounts) {
    const std::map<SrmResourceType, int> counts = {
        {SRM_RES_COMPUTER, 1},   {SRM_RES_VOLUMEMANAGER, 2}, {SRM_RES_DISK, 3},
        {SRM_RES_DISKCHUNK, 4},  {SRM_RES_VOLUME, 7},        {SRM_RES_VOLUMEGROUP, 1},
        {SRM_RES_FILESYSTEM, 3}, {SRM_RES_MOUNTPOINT, 3},    {SRM_RES_SHARE, 4},
        {SRM_RES_ID, 7},
    };
    for (const SampleBatch &batch : SampleHostBatches(ULVAR_EXAMPLES_DIR)) {
        EXPECT_EQ(kSrmBatchOk, Load(batch)) << batch.file;
        EXPECT_EQ(counts.at(batch.kind), Count(batch.kind)) << batch.file;
    }
    EXPECT_EQ(35, db->getResourceCount());
    EXPECT_EQ(0, db->getErrorList()->getErrorCount());
    EXPECT_EQ(0, jni.outstanding());
    ASSERT_NE(nullptr, db->getThisComputer());
    EXPECT_EQ("kestrel.example.net", db->getHostName());

    // The mirror's legs became its sub-volumes, each built on one partition,
    // and every volume found its volume manager.
    auto *md0 = static_cast<SrmVolume *>(db->findResource(SRM_RES_VOLUME, "md0"));
    ASSERT_NE(nullptr, md0);
    EXPECT_EQ(SRM_HIER_HAS_SUBVOLUMES, md0->HierType);
    EXPECT_EQ(2, md0->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
    auto *leg = static_cast<SrmVolume *>(db->findResource(SRM_RES_VOLUME, "md0-leg-a"));
    ASSERT_NE(nullptr, leg);
    EXPECT_EQ(SRM_HIER_SUBVOLUME, leg->HierType);
    EXPECT_EQ(1, leg->getDiskChunkList()->getTypeCount(SRM_RES_DISKCHUNK));
    for (const char *id : {"md0", "md0-leg-a", "vg_data-home", "vg_data-projects"}) {
        auto *v = static_cast<SrmVolume *>(db->findResource(SRM_RES_VOLUME, id));
        ASSERT_NE(nullptr, v) << id;
        EXPECT_NE(nullptr, v->getVolumeManager()) << id;
    }
    auto *vg = static_cast<SrmVolumeGroup *>(db->findResource(SRM_RES_VOLUMEGROUP, "vg_data"));
    ASSERT_NE(nullptr, vg);
    EXPECT_EQ(2, vg->getDiskList()->getTypeCount(SRM_RES_DISK));
    EXPECT_EQ(3, vg->getVolumeList()->getTypeCount(SRM_RES_VOLUME));
}

TEST_F(SampleHostTest, SendingEveryBatchTwiceMergesIntoTheSameResources) {
    const std::vector<SampleBatch> batches = SampleHostBatches(ULVAR_EXAMPLES_DIR);
    for (int round = 0; round < 2; ++round) {
        for (const SampleBatch &batch : batches) {
            EXPECT_EQ(kSrmBatchOk, Load(batch)) << batch.file;
        }
    }
    EXPECT_EQ(35, db->getResourceCount());
    auto *md0 = static_cast<SrmVolume *>(db->findResource(SRM_RES_VOLUME, "md0"));
    ASSERT_NE(nullptr, md0);
    EXPECT_EQ(2, md0->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
}

// The scanner road as scripts/demo runs it: every batch, resolve, serialize.
// The output is the reviewed examples/host.expected, byte for byte.
TEST_F(SampleHostTest, RoadWritesTheExpectedDatabase) {
    ASSERT_EQ("", ulvar::testing::SendSampleHost(jni, handle));
    // The volume group hands its state to two disks and three volumes, then
    // four chunks, three volumes on chunks, three file systems, three mount
    // points and four shares take theirs.
    EXPECT_EQ(22, SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle));

    std::string out;
    int written = 0;
    {
        ulvar::testing::StdoutCapture capture;
        ASSERT_TRUE(capture.ok());
        written = SRM_ULVAR_NATIVE(serialize)(jni.env(), nullptr, handle);
        out = capture.finish();
    }
    EXPECT_EQ(1, written);
    std::string expected = ulvar::testing::ExampleText("host.expected");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, out);
}

}  // namespace
