#include "inventory/kinds/SrmResourceFields.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/internal/SrmRecordWalk.h"
#include "inventory/testing/RandomDatabase.h"
#include "inventory/testing/RecordStream.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::Attached;
using ulvar::testing::BytesOf;
using ulvar::testing::RandomDatabase;

const std::pair<SrmResourceType, int> kKinds[] = {
    {SRM_RES_COMPUTER, SRM_KEY_System},
    {SRM_RES_DISK, SRM_KEY_Disk},
    {SRM_RES_DISKCHUNK, SRM_KEY_DiskChunk},
    {SRM_RES_VOLUME, SRM_KEY_Volume},
    {SRM_RES_VOLUMEGROUP, SRM_KEY_VolumeGroup},
    {SRM_RES_VOLUMEMANAGER, SRM_KEY_VolumeManager},
    {SRM_RES_FILESYSTEM, SRM_KEY_FileSystem},
    {SRM_RES_MOUNTPOINT, SRM_KEY_MountPoint},
    {SRM_RES_SHARE, SRM_KEY_Share},
    {SRM_RES_VIRTUALSERVER, SRM_KEY_VirtualServer},
    {SRM_RES_ID, SRM_KEY_Id},
};

// The field tables write what the dictionary's layouts say a record holds.
TEST(SrmResourceFieldsTest, EveryKindHasTheFieldsOfItsRecordLayout) {
    for (const auto &kind : kKinds) {
        std::size_t count = 0;
        const SrmFieldInfo *fields = SrmKindFields(kind.first, &count);
        const SrmRecordLayout *layout = SrmRecordLayoutOf(kind.second);
        ASSERT_NE(nullptr, fields) << kind.first;
        ASSERT_EQ(layout->fullKeyCount, count) << kind.first;
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(layout->fullKeys[i], fields[i].key) << kind.first << " field " << i;
        }
        EXPECT_EQ(SRM_FIELD_TEXT, fields[0].type);
        EXPECT_EQ(SRM_FIELD_TEXT, fields[1].type);
    }
    std::size_t count = 7;
    EXPECT_EQ(nullptr, SrmKindFields(SRM_RES_NONE, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, SrmKindFields(static_cast<SrmResourceType>(11), nullptr));
    EXPECT_EQ(0, SrmVisitFields(
                     nullptr, [](const SrmFieldValue &, void *) {}, nullptr));
}

// Whatever a resource's record writes, the view shows with the same value,
// in the same order; what the record leaves out the view shows as an empty
// text. Random databases give every kind with every kind of value.
TEST(SrmResourceFieldsTest, FieldsShowWhatTheRecordWrites) {
    std::set<int> kindsSeen;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SrmResourceDatabase db;
        RandomDatabase(seed).fill(&db);
        SrmResourceDatabase reading;
        for (const auto &kind : kKinds) {
            SrmResourceIdMap *all = db.getResourceList()->getSrmResourceIdMap(kind.first);
            if (all == nullptr) {
                continue;
            }
            for (const auto &entry : *all) {
                SrmResource *r = entry.second;
                kindsSeen.insert(r->type);
                // The resource's own record comes first; member records follow.
                Attached file(&reading, BytesOf([&](int fd) { return r->serialize(fd, 0); }));
                ASSERT_TRUE(file.ok());
                std::unique_ptr<CSRMReportTuple> record = file.next();
                ASSERT_NE(nullptr, record) << r->Id;
                std::vector<std::pair<int, std::string>> written;
                srm_walk::forEachElement(record.get(), [&](int key, std::string_view value) {
                    written.emplace_back(key, std::string(value));
                });

                std::vector<std::pair<int, std::string>> shown;
                std::size_t count = 0;
                const SrmFieldInfo *fields = SrmKindFields(r->type, &count);
                std::size_t i = 0;
                EXPECT_EQ(1, SrmForEachField(r, [&](const SrmFieldValue &f) {
                              ASSERT_LT(i, count);
                              EXPECT_EQ(fields[i].key, f.key);
                              EXPECT_EQ(fields[i].type, f.type);
                              ++i;
                              if (f.type == SRM_FIELD_NUMBER) {
                                  shown.emplace_back(f.key, std::to_string(f.number));
                              } else if (!f.text.empty()) {
                                  shown.emplace_back(f.key, std::string(f.text));
                              }
                          }));
                EXPECT_EQ(count, i);
                EXPECT_EQ(written, shown) << "kind " << r->type << " " << r->Id;
            }
        }
    }
    EXPECT_EQ(sizeof kKinds / sizeof kKinds[0], kindsSeen.size());
}

}  // namespace
