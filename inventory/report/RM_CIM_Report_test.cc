#include "inventory/report/RM_CIM_Report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/model/SrmScopedRef.h"
#include "inventory/report/RM_KeyTables.h"
#include "inventory/testing/ReportTesting.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using nmspc_cim::CCIMInstance;
using tessel::testing::LogTail;
using ulvar::testing::Dump;
using ulvar::testing::TakeResults;

constexpr const char *kJob = "builder-job";
const std::vector<std::string> kBuilderFunctions = {"Initialize()", "SetKey()", "SetProperty()",
                                                    "InsertProperty", "GetInstance()"};

class RM_CIM_ReportTest : public tessel::testing::TesselLogTest {
  protected:
    void SetUp() override {
        tessel::testing::TesselLogTest::SetUp();
        tessel::testing::ResetRegistry();
    }
    void TearDown() override {
        tessel::testing::ResetRegistry();
        tessel::testing::TesselLogTest::TearDown();
    }
    std::vector<std::string> Lines() const { return TailsOf(kBuilderFunctions); }

    SrmScopedRef<RM_CIM_Report> builder{new RM_CIM_Report(kJob)};
};

TEST_F(RM_CIM_ReportTest, InitializeRefusalsAreLoggedAndRecorded) {
    EXPECT_EQ(0, builder->Initialize("", 2, rm_computersystem_keys));
    EXPECT_EQ(0, builder->Initialize("Kalora_RM_DiskDrive", -1, rm_logdev_keys));
    // Still not initialized: every property is refused, the natural name kept.
    EXPECT_EQ(0, builder->SetProperty("Name", const_cast<char *>("n"), nmspc_cim::CIM_STRING, true,
                                      true));
    EXPECT_EQ("", builder->getNaturalName());
    EXPECT_EQ(nullptr, builder->GetCIMInstance());

    std::vector<std::string> expected = {
        LogTail("Initialize()", "ALERT", "Class name for the cim instance is blank. CRITCAL ERROR"),
        LogTail("Initialize()", "ALERT", "There must be 0 or more keys. CRITCAL ERROR"),
        LogTail("SetKey()", "ALERT", "Status is invalid, Initialize() not called."),
        LogTail("GetInstance()", "ALERT", "CIMInstance is NULL. CRITICAL ERROR"),
    };
    EXPECT_EQ(expected, Lines());
    EXPECT_EQ((std::vector<std::string>{
                  "F_REPORT_CONV_FAILURE (Blank CIM class name / Initialize)",
                  "F_REPORT_CONV_FAILURE (Invalid number of keys / Initialize)",
                  "F_NULL_POINTER (CIMInstance / Pointer)",
              }),
              TakeResults(kJob));
}

TEST_F(RM_CIM_ReportTest, FailedInsertionsNameThePropertyAndItsValue) {
    ASSERT_EQ(1, builder->Initialize("Kalora_RM_AliasEntry", 0, nullptr));
    // A bad type is refused by the library; the natural name changes anyway.
    EXPECT_EQ(0, builder->SetProperty("Name", const_cast<char *>("disk-1"),
                                      static_cast<nmspc_cim::CIMType>(99), true, true));
    EXPECT_EQ("disk-1", builder->getNaturalName());
    // A reference to nothing has no path.
    EXPECT_EQ(0,
              builder->SetProperty("Antecedent", nullptr, nmspc_cim::CIM_REFERENCE, true, false));

    const std::string badType =
        "Type of a CIM property is not a CIM type. while setting Name with value disk-1";
    const std::string noPath = std::string(nmspc_cim::cim_getLastError()->mErrorString) +
                               " while setting Antecedent with value reference to nothing";
    std::vector<std::string> expected = {
        LogTail("SetProperty()", "ALERT", badType),
        LogTail("InsertProperty", "ALERT", "Unable to create object path"),
        LogTail("SetProperty()", "ALERT", noPath),
    };
    EXPECT_EQ(expected, Lines());
    EXPECT_EQ((std::vector<std::string>{"F_REPORT_CONV_FAILURE (" + badType + " / SetProperty)",
                                        "F_REPORT_CONV_FAILURE (" + noPath + " / SetProperty)"}),
              TakeResults(kJob));
}

TEST_F(RM_CIM_ReportTest, InsertionWithoutAnInstanceGivesCodeTwo) {
    nmspc_cim::CCIMException *failure =
        builder->InsertProperty("Name", const_cast<char *>("x"), nmspc_cim::CIM_STRING, cim_true);
    ASSERT_NE(nullptr, failure);
    EXPECT_EQ(2, failure->mErrorID);
    EXPECT_STREQ("NULL CIMInstance member object.", failure->mErrorString);
    EXPECT_EQ(std::vector<std::string>{LogTail("InsertProperty", "ALERT", "Invalid ciminstance.")},
              Lines());
}

TEST_F(RM_CIM_ReportTest, InstanceCarriesPropertiesInOrderAndReferencesAsPaths) {
    CCIMInstance *target = nmspc_cim::cim_createInstance("Kalora_RM_DiskDrive");
    nmspc_cim::cim_addProperty(
        target, nmspc_cim::cim_createProperty("DeviceID", nmspc_cim::CIM_STRING, "d1", nullptr, 1));
    ASSERT_EQ(1, builder->Initialize("CIM_SystemDevice", 2, rm_grppart_asso_keys));
    EXPECT_EQ(1,
              builder->SetProperty("PartComponent", target, nmspc_cim::CIM_REFERENCE, true, false));
    nmspc_cim::cim_freeInstance(target);  // the reference holds a copy of its path
    EXPECT_EQ(1, builder->SetProperty("OrderIndex", const_cast<char *>("0"), nmspc_cim::CIM_UINT16,
                                      false, true));
    EXPECT_EQ(1, builder->SetProperty("Name", const_cast<char *>("second"), nmspc_cim::CIM_STRING,
                                      false, true));
    EXPECT_EQ("second", builder->getNaturalName());

    ulvar::testing::ListHolder list(
        nmspc_cim::cim_addInstance(nmspc_cim::cim_createInstanceList(), builder->GetCIMInstance()));
    builder.release()->Release();  // a taken instance outlives its builder
    EXPECT_EQ(
        "CIM_SystemDevice\n"
        "  PartComponent* -> Kalora_RM_DiskDrive{DeviceID=d1}\n"
        "  OrderIndex:uint16 = 0\n"
        "  Name = second\n",
        Dump(list.list));
}

// Under the leak checker: the half-built instance goes with its builder.
TEST(RM_CIM_ReportOwnershipTest, AbandonedBuilderFreesItsHalfBuiltInstance) {
    auto *builder = new RM_CIM_Report();
    ASSERT_EQ(1, builder->Initialize("Kalora_RM_DiskDrive", 4, rm_logdev_keys));
    EXPECT_EQ(1, builder->SetProperty("DeviceID", const_cast<char *>("d"), nmspc_cim::CIM_STRING,
                                      true, true));
    EXPECT_EQ(0, builder->SetProperty("Bad", const_cast<char *>("x"),
                                      static_cast<nmspc_cim::CIMType>(-1), false, false));
    builder->Release();
    TakeResults("");
    tessel::testing::ResetRegistry();
}

}  // namespace
