// The collector on the machine the tests run on, and the add road over the
// volume batches it writes. What this machine has varies, so the live scan is
// held only to what every host must give: batches the database accepts whole,
// with the computer the scan ran on.
#include <gtest/gtest.h>

#include <string>

#include "collector/HostScan.h"
#include "collector/testing/BatchRoad.h"
#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/persist/SrmBatchLoad.h"

namespace collector {

namespace {

using testing::BatchRoad;

TEST(HostScanLiveTest, ThisMachineScansAndEveryBatchLoads) {
    HostBatches batches;
    std::string warnings;
    ASSERT_TRUE(scanHost(
        HostScanOptions{"/"}, [&](const std::string &w) { warnings += w + "\n"; }, batches));
    if (!warnings.empty()) {
        std::cout << "warnings of the live scan:\n" << warnings;
    }
    BatchRoad road;
    EXPECT_EQ("", road.addAll(batches));
    SrmComputer *me = road.db()->getThisComputer();
    ASSERT_NE(nullptr, me);
    EXPECT_FALSE(me->HostName.empty());
    EXPECT_EQ(me->HostName, road.db()->getHostName());
    road.resolve();
    EXPECT_EQ(0, road.db()->getErrorList()->getErrorCount());
}

// A volume listed as a member before its own record: the database holds an
// empty placeholder for it first, and the record that describes it is merged
// into that placeholder. Either order keeps the name and the manager.
TEST(VolumeBatchOrderTest, SubVolumeKeepsNameAndManagerInEitherOrder) {
    const std::string managers =
        "\"Type=VolumeManager\",\"Id=LVM\",\"IdType=1\",\"VolumeMgrName=LVM\",;\n";
    const std::string parent =
        "\"Type=Volume\",\"Id=v1\",\"Name=top\",\"SubVolumeCount=1\",\"VolumeManager=1\",;\n"
        "\"Type=Volume\",\"Id=v2\",;\n";
    const std::string child = "\"Type=Volume\",\"Id=v2\",\"Name=leg\",\"VolumeManager=1\",;\n";
    for (bool childFirst : {true, false}) {
        BatchRoad road;
        ASSERT_EQ(kSrmBatchOk, road.add(HostBatchKind::VolumeManagerInfo, managers));
        ASSERT_EQ(kSrmBatchOk,
                  road.add(HostBatchKind::Volume, childFirst ? child + parent : parent + child));
        auto *v2 = static_cast<SrmVolume *>(road.db()->findResource(SRM_RES_VOLUME, "v2"));
        ASSERT_NE(nullptr, v2) << childFirst;
        EXPECT_EQ("leg", v2->Name) << childFirst;
        EXPECT_EQ("1", v2->VolumeManager) << childFirst;
        EXPECT_NE(nullptr, v2->getVolumeManager()) << childFirst;
        EXPECT_EQ(SRM_HIER_SUBVOLUME, v2->HierType) << childFirst;
    }
}

}  // namespace

}  // namespace collector
