#include "inventory/model/SrmResource.h"

#include <gtest/gtest.h>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/CountingResource.h"

namespace {

using ulvar::testing::CountingResource;
using ulvar::testing::CountingResourceLog;

class SrmResourceTest : public ::testing::Test {
  protected:
    CountingResourceLog log;
};

TEST_F(SrmResourceTest, NewResourceReportsAndIsNeitherMergedNorLoaded) {
    auto *r = new CountingResource(&log, SRM_RES_DISK, "d1");
    EXPECT_EQ(0xCu, r->state);
    EXPECT_EQ(1, r->shouldReport());
    EXPECT_EQ(1, r->shouldVirtualReport());
    EXPECT_EQ(0, r->isMerged());
    EXPECT_EQ(0, r->isLoadedFromSerRDB());
    r->Release();
}

TEST_F(SrmResourceTest, ReportSwitchesTouchOnlyTheirOwnBit) {
    auto *r = new CountingResource(&log, SRM_RES_DISK, "d1");
    r->setReport(false);
    EXPECT_EQ(SRM_STATE_VIRTUAL_REPORT, r->state);
    r->setVirtualReport(false);
    r->setReport(true);
    EXPECT_EQ(SRM_STATE_REPORT, r->state);
    r->Release();
}

TEST_F(SrmResourceTest, StateValueTwentyOredInMarksMerged) {
    auto *r = new CountingResource(&log, SRM_RES_VOLUME, "v1");
    r->state |= static_cast<uint32_t>(std::stol("20"));
    EXPECT_EQ(0x1Cu, r->state);
    EXPECT_EQ(1, r->isMerged());
    r->Release();
}

TEST_F(SrmResourceTest, ReleaseDestroysOnlyAtTheLastHolder) {
    auto *r = new CountingResource(&log, SRM_RES_DISK, "d1");
    EXPECT_EQ(2, r->AddRef());
    r->Release();
    EXPECT_EQ(0, log.destroyed);
    r->Release();
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceTest, ResourceWithoutDatabaseHasNoBufferAndCannotSerialize) {
    auto *r = new CountingResource(&log, SRM_RES_DISK, "d1");
    EXPECT_EQ(nullptr, r->getBuffer());
    EXPECT_EQ(0, r->getBufferLength());
    EXPECT_EQ(nullptr, r->getStreamFD());
    EXPECT_EQ(nullptr, r->getTupleStream());
    EXPECT_EQ(0, r->serialize(1, 0));
    r->Release();
}

TEST_F(SrmResourceTest, ResourceOfADatabaseSharesItsBuffer) {
    SrmResourceDatabase db;
    auto *r = new CountingResource(&log, SRM_RES_DISK, "d1");
    ASSERT_EQ(1, db.addResource(r));
    EXPECT_EQ(db.getBuffer(), r->getBuffer());
    ASSERT_NE(nullptr, r->getBuffer());
    EXPECT_EQ(2049, r->getBufferLength());
    EXPECT_EQ(nullptr, r->getStreamFD());
    r->Release();
}

}  // namespace
