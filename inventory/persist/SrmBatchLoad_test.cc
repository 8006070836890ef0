#include "inventory/persist/SrmBatchLoad.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"

// The status strings and the database effects of every kind are pinned by the
// natives' tests; these pin what the road tells its caller about each record.
namespace {

std::string Record(const std::string &word, const std::string &id, const std::string &more = "") {
    std::string text = "\"Type=" + word + "\",";
    if (!id.empty()) {
        text += "\"Id=" + id + "\",";
    }
    return text + more + ";\n";
}

class SrmBatchLoadTest : public ::testing::Test {
  protected:
    const char *Load(SrmResourceType kind, const std::string &text) {
        records.clear();
        return srmLoadBatchText(&db, kind, text.data(), text.size(), &summary,
                                [this](const SrmBatchRecord &r) { records.push_back(r); });
    }

    SrmResourceDatabase db;
    SrmBatchSummary summary;
    std::vector<SrmBatchRecord> records;
};

TEST_F(SrmBatchLoadTest, EveryRecordIsAddedMergedOrSkippedWithItsNumberAndReason) {
    ASSERT_STREQ(kSrmBatchOk, Load(SRM_RES_DISKCHUNK, Record("DiskChunk", "c1")));
    const std::string batch =
        Record("Volume", "v1", "\"DiskChunkCount=1\",") + Record("DiskChunk", "c1") +  // 1-2
        Record("Volume", "v1", "\"VolumeTypeDesc=again\",") +                          // 3
        Record("Volume", "", "\"Name=nameless\",") +                                   // 4
        Record("Volume", "v2", "\"DiskChunkCount=1\",") + Record("DiskChunk", "c9") +  // 5-6
        Record("Volume", "v3");                                                        // 7
    ASSERT_STREQ(kSrmBatchOk, Load(SRM_RES_VOLUME, batch));

    ASSERT_EQ(5u, records.size());
    struct Expected {
        long number, count;
        SrmBatchOutcome outcome;
        const char *id, *reason;
    } expected[] = {
        {1, 2, SRM_BATCH_ADDED, "v1", ""},
        {3, 1, SRM_BATCH_MERGED, "v1", ""},
        {4, 1, SRM_BATCH_SKIPPED, "", "it has no Id"},
        {5, 2, SRM_BATCH_SKIPPED, "v2",
         "its member records do not all name resources the database holds"},
        {7, 1, SRM_BATCH_ADDED, "v3", ""},
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(expected[i].number, records[i].number) << i;
        EXPECT_EQ(expected[i].count, records[i].count) << i;
        EXPECT_EQ(expected[i].outcome, records[i].outcome) << i;
        EXPECT_EQ(expected[i].id, records[i].id) << i;
        EXPECT_EQ(expected[i].reason, records[i].reason) << i;
    }
    EXPECT_EQ(5, summary.read);
    EXPECT_EQ(2, summary.added);
    EXPECT_EQ(1, summary.merged);
    EXPECT_EQ(2, summary.skipped);
    EXPECT_EQ(0, summary.stoppedAt);
    EXPECT_EQ("again",
              static_cast<SrmVolume *>(db.findResource(SRM_RES_VOLUME, "v1"))->VolumeTypeDesc);
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_VOLUME, "v2"));
}

// The scanner is told "The operation succeeded." when the text ends inside a
// record; the summary names the record where the rest was lost.
TEST_F(SrmBatchLoadTest, TextEndingInsideARecordNamesWhereReadingStopped) {
    const std::string batch = Record("Disk", "d1") + Record("Disk", "d2") + "\"Type=Disk\",\"Id=d3";
    EXPECT_STREQ(kSrmBatchOk, Load(SRM_RES_DISK, batch));
    EXPECT_EQ(2, summary.read);
    EXPECT_EQ(3, summary.stoppedAt);
    EXPECT_EQ(2, db.getResourceCount());

    EXPECT_STREQ(kSrmBatchOk, Load(SRM_RES_VOLUME, Record("Volume", "v1", "\"SubVolumeCount=2\",") +
                                                       Record("Volume", "s1") + "\"Type=Vol"));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("the text ends inside its member records", records[0].reason);
    EXPECT_EQ(3, summary.stoppedAt);
}

TEST_F(SrmBatchLoadTest, RefusalsTouchNothingAndAThrowingSinkEndsTheBatch) {
    const std::string text = Record("Disk", "d1") + Record("Disk", "d2");
    EXPECT_EQ(nullptr, srmLoadBatchText(&db, SRM_RES_VIRTUALSERVER, text.data(), text.size()));
    EXPECT_EQ(nullptr, srmLoadBatchText(&db, SRM_RES_NONE, text.data(), text.size()));
    EXPECT_STREQ(kSrmBatchNoStream,
                 srmLoadBatchText(nullptr, SRM_RES_DISK, text.data(), text.size()));
    EXPECT_EQ(0, db.getResourceCount());

    EXPECT_STREQ(kSrmBatchNoMemory,
                 srmLoadBatchText(&db, SRM_RES_DISK, text.data(), text.size(), nullptr,
                                  [](const SrmBatchRecord &) { throw std::runtime_error("x"); }));
    EXPECT_EQ(1, db.getResourceCount()) << "what was loaded stays";
    EXPECT_EQ(nullptr, db.getTupleStream());
}

}  // namespace
