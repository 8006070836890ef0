#include "inventory/report/OMX_Report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/ReportTesting.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using nmspc_cim::CCIMInstance;
using tessel::testing::LogTail;
using ulvar::testing::Instances;
using ulvar::testing::ListHolder;
using ulvar::testing::TakeResults;

constexpr const char *kJob = "driver-job";

// An instance of class `className` with one key property "Name".
CCIMInstance *Make(const std::string &className, const std::string &name = "n") {
    CCIMInstance *inst = nmspc_cim::cim_createInstance(className.c_str());
    nmspc_cim::cim_addProperty(inst, nmspc_cim::cim_createProperty("Name", nmspc_cim::CIM_STRING,
                                                                   name.c_str(), nullptr, 1));
    return inst;
}

std::vector<std::string> Classes(const nmspc_cim::CCIMList *list) {
    std::vector<std::string> classes;
    for (CCIMInstance *inst : Instances(list)) {
        classes.push_back(inst->mClassName);
    }
    return classes;
}

class OMX_ReportTest : public tessel::testing::TesselLogTest {
  protected:
    void SetUp() override {
        tessel::testing::TesselLogTest::SetUp();
        tessel::testing::ResetRegistry();
        report.setJobId(kJob);
    }
    void TearDown() override {
        tessel::testing::ResetRegistry();
        tessel::testing::TesselLogTest::TearDown();
    }
    std::vector<std::string> Lines(const std::vector<std::string> &functions) const {
        return TailsOf(functions);
    }
    // A database whose one computer is the one the report describes.
    void AddThisComputer(SrmResourceDatabase &db, const std::string &name) {
        auto *c = new SrmComputer(name);
        db.addComputer(c, 1);
        c->Release();
    }

    OMX_Report report;
};

TEST_F(OMX_ReportTest, NullDatabaseAndUnknownTypesAreRefused) {
    SrmResourceDatabase db;
    EXPECT_EQ(0, report.GenerateCIMReports(nullptr, "host"));
    EXPECT_EQ(0, report.GenerateCIMReports(&db, "Host"));
    EXPECT_EQ(0, report.GenerateCIMReports(&db, ""));
    const size_t format = strlen("Invalid rdb type - %s");
    EXPECT_EQ((std::vector<std::string>{
                  LogTail("GenerateCIMReports", "ALERT", "SrmResourceDatabase is NULL."),
                  LogTail("GenerateCIMReports", "ALERT", "Invalid rdb type - Host", format),
                  LogTail("GenerateCIMReports", "ALERT", "Invalid rdb type - ", format)}),
              Lines({"GenerateCIMReports"}));
    // The empty type is no argument a result can carry.
    EXPECT_EQ((std::vector<std::string>{"F_NULL_POINTER (ResourceDatabase / Pointer)",
                                        "F_INVALID_RDB_TYPE (Host / Type of the rdb)",
                                        "F_INVALID_RDB_TYPE"}),
              TakeResults(kJob));
}

TEST_F(OMX_ReportTest, ScannerWarningsAndInfosAreRecordedAndTheConversionGoesOn) {
    SrmResourceDatabase db;
    AddThisComputer(db, "h");
    db.addError("h", "disk gone", 22, 4);
    db.addError("h", "new fs", 2001, 4);
    db.addError("h", "gidu slow", 2003, 5);  // the code's key, whatever the severity
    db.addError("h", "noted", 7, 5);
    EXPECT_EQ(1, report.GenerateCIMReports(&db, "host"));
    const size_t format = strlen("%s:ErrorCode: %d: %s");
    EXPECT_EQ((std::vector<std::string>{
                  LogTail("SrmError", "WARNING", ":ErrorCode: 22: disk gone", format),
                  LogTail("SrmError", "WARNING", ":ErrorCode: 2001: new fs", format),
                  LogTail("SrmError", "INFO", ":ErrorCode: 2003: gidu slow", format),
                  LogTail("SrmError", "INFO", ":ErrorCode: 7: noted", format)}),
              Lines({"SrmError"}));
    // The computer name is still empty when the errors are read: 2003's
    // argument (the name alone) is then no argument at all.
    EXPECT_EQ((std::vector<std::string>{
                  "F_GIDU_NOT_RESPONDING",
                  "W_SRMAGENT_WARNING (:ErrorCode: 22: disk gone / SrmAgent Error Message)",
                  "W_NEW_FS_FOUND_RUN_DETAILSCAN (:ErrorCode: 2001: new fs / SrmAgent Error "
                  "Message)",
                  "I_SRMAGENT_INFO (:ErrorCode: 7: noted / SrmAgent Error Message)"}),
              TakeResults(kJob));
}

TEST_F(OMX_ReportTest, ScannerErrorsStopTheConversionBeforeAnyInstance) {
    SrmResourceDatabase db;
    AddThisComputer(db, "h");
    const struct {
        int code;
        int severity;
        const char *result;
    } kErrors[] = {
        {2000, 4, "F_CANNOT_LOAD_ULVAR (:ErrorCode: 2000: e / SrmAgent Error Message)"},
        {2002, 5, "W_GIDU_FAILURE (:ErrorCode: 2002: e / SrmAgent Error Message)"},
        {3000, 3, "F_INVALID_AGENT_NAME (:ErrorCode: 3000: e / SrmAgent Error Message)"},
        {9, 0, "F_SRMAGENT_ERROR (:ErrorCode: 9: e / SrmAgent Error Message)"},
    };
    for (const auto &error : kErrors) {
        db.addError("h", "e", error.code, error.severity);
    }
    EXPECT_EQ(0, report.GenerateCIMReports(&db, "host"));
    EXPECT_EQ((std::vector<std::string>{
                  LogTail("GenerateCIMReports", "ALERT", "SrmAgent returned error objects")}),
              Lines({"GenerateCIMReports"}));
    std::vector<std::string> results = TakeResults(kJob);
    std::sort(results.begin(), results.end());
    EXPECT_EQ((std::vector<std::string>{kErrors[0].result, kErrors[2].result, kErrors[3].result,
                                        kErrors[1].result}),
              results);
    ListHolder list(report.GetReport());
    EXPECT_TRUE(Instances(list.list).empty());
}

TEST_F(OMX_ReportTest, FailedGeneratorIsNamedAsTheFailurePoint) {
    SrmResourceDatabase db;  // no computer at all
    EXPECT_EQ(0, report.GenerateCIMReports(&db, "host"));
    EXPECT_EQ((std::vector<std::string>{
                  LogTail("Get_System_Instances", "ALERT", "No Computers found. FAILURE"),
                  LogTail("GenerateCIMReports", "ALERT", "Get_System_Instances FAILED")}),
              Lines({"GenerateCIMReports", "Get_System_Instances"}));
    EXPECT_EQ(std::vector<std::string>{"F_REPORT_CONV_FAILURE (Get_System_Instances / "
                                       "FailurePoint)"},
              TakeResults(kJob));
}

// Under the leak checker, instances that are not kept are freed at once.
TEST_F(OMX_ReportTest, ComputerSystemsKeepTheNewestOtherMapsTheFirst) {
    CCIMInstance *older = Make("A");
    CCIMInstance *newer = Make("B");
    EXPECT_EQ(1, report.UpdateCIMInstMaps(older, "x", 1));
    EXPECT_EQ(1, report.UpdateCIMInstMaps(newer, "x", 0));
    EXPECT_EQ(newer, report.FindCIMInstance("x", 1));
    EXPECT_EQ(1, report.UpdateCIMInstMaps(newer, "x", 1));  // filed again: stays

    CCIMInstance *first = Make("C");
    EXPECT_EQ(1, report.UpdateCIMInstMaps(first, "x", 2));
    EXPECT_EQ(1, report.UpdateCIMInstMaps(Make("D"), "x", 2));
    EXPECT_EQ(first, report.FindCIMInstance("x", 2));
    EXPECT_EQ(newer, report.FindCIMInstance("x", 0));

    ListHolder list(report.GetReport());
    EXPECT_EQ((std::vector<std::string>{"B", "C"}), Classes(list.list));
}

TEST_F(OMX_ReportTest, AnyCategorySearchesTheMapsInItsOrder) {
    const int kOrder[] = {1, 2, 3, 4, 9, 5, 6, 7, 8};
    // Name i is filed in the maps from the i-th of the order on; the search
    // must find it in the i-th.
    for (int i = 0; i < 9; ++i) {
        for (int j = 8; j >= i; --j) {
            std::string name = "n" + std::to_string(i);
            report.UpdateCIMInstMaps(Make("map" + std::to_string(kOrder[j])), name, kOrder[j]);
        }
    }
    for (int i = 0; i < 9; ++i) {
        CCIMInstance *found = report.FindCIMInstance("n" + std::to_string(i), 0);
        ASSERT_NE(nullptr, found);
        EXPECT_EQ("map" + std::to_string(kOrder[i]), found->mClassName);
    }
}

TEST_F(OMX_ReportTest, RefusedFilingsAndFailedLookupsAreLogged) {
    EXPECT_EQ(0, report.UpdateCIMInstMaps(nullptr, "x", 1));
    EXPECT_EQ(0, report.UpdateCIMInstMaps(Make("A"), "", 1));
    EXPECT_EQ(0, report.UpdateCIMInstMaps(Make("A"), "x", 10));
    EXPECT_EQ(0, report.UpdateCIMInstMaps(Make("A"), "x", -1));
    EXPECT_EQ(nullptr, report.FindCIMInstance("", 0));
    EXPECT_EQ(nullptr, report.FindCIMInstance("d1", 2));
    EXPECT_EQ(nullptr, report.FindCIMInstance("d2", 0));
    EXPECT_EQ(nullptr, report.FindCIMInstance("d3", 12));

    const std::string notFound =
        "Could not find a CIMInstance with omxid '%s', to be used for CIM Associations. The "
        "Association will not be created.";
    auto missing = [&](const std::string &id) {
        std::string message = notFound;
        message.replace(message.find("%s"), 2, id);
        return LogTail("FindCIMInstMaps", "WARNING", message, notFound.size());
    };
    const std::string anywhere = LogTail("FindCIMInstMaps", "INFO",
                                         "Invalid resource type OR Not found in any resource map.");
    EXPECT_EQ((std::vector<std::string>{
                  LogTail("UpdateCIMInstMaps", "ALERT", "CCIMInstance is NULL."),
                  LogTail("UpdateCIMInstMaps", "ALERT", "NaturalName (unique id) is blank."),
                  LogTail("UpdateCIMInstMaps", "ALERT", "Invalid resource type."),
                  LogTail("UpdateCIMInstMaps", "ALERT", "Invalid resource type."),
                  LogTail("FindCIMInstance", "ALERT", "NaturalName (unique id) is blank."),
                  missing("d1"), anywhere, missing("d2"), anywhere, missing("d3")}),
              Lines({"UpdateCIMInstMaps", "FindCIMInstance", "FindCIMInstMaps"}));
    const std::string lookup = " / OMXID of the ciminstance trying to find.)";
    EXPECT_EQ((std::vector<std::string>{"W_CIMINSTANCE_NOT_FOUND (d1" + lookup,
                                        "W_CIMINSTANCE_NOT_FOUND (d2" + lookup,
                                        "W_CIMINSTANCE_NOT_FOUND (d3" + lookup}),
              TakeResults(kJob));
}

TEST_F(OMX_ReportTest, ReportHandsOverMapsInTheirOrderAndSkipsTheSecondaryOnes) {
    for (int category = 9; category >= 1; --category) {
        std::string map = std::to_string(category);
        report.UpdateCIMInstMaps(Make(map + "b"), "b", category);
        report.UpdateCIMInstMaps(Make(map + "a"), "a", category);
    }
    ListHolder list(report.GetReport());
    EXPECT_EQ((std::vector<std::string>{"1a", "1b", "2a", "2b", "4a", "4b", "5a", "5b", "3a", "3b",
                                        "9a", "9b"}),
              Classes(list.list));
}

// Under the leak checker: nothing is freed twice and nothing is lost.
TEST_F(OMX_ReportTest, EachInstanceIsHandedOverOnce) {
    CCIMInstance *fs = Make("FS");
    report.UpdateCIMInstMaps(fs, "fs", 3);
    report.UpdateCIMInstMaps(fs, "vol", 8);  // the same instance in two maps
    CCIMInstance *twice = Make("Twice");
    report.UpdateCIMInstMaps(twice, "t", 1);
    report.UpdateCIMInstMaps(twice, "t", 2);
    ListHolder first(report.GetReport());
    EXPECT_EQ((std::vector<std::string>{"Twice", "FS"}), Classes(first.list));

    // Handed-over instances stay filed for lookups, and are not handed again.
    EXPECT_EQ(fs, report.FindCIMInstance("vol", 8));
    report.UpdateCIMInstMaps(Make("Late"), "late", 4);
    ListHolder second(report.GetReport());
    EXPECT_EQ(std::vector<std::string>{"Late"}, Classes(second.list));
    ListHolder third(report.GetReport());
    ASSERT_NE(nullptr, third.list);
    EXPECT_TRUE(Instances(third.list).empty());
}

TEST_F(OMX_ReportTest, ReportDestroyedWithoutHandingOverFreesEverything) {
    auto *unused = new OMX_Report();
    unused->UpdateCIMInstMaps(Make("Kept"), "k", 1);
    unused->UpdateCIMInstMaps(Make("Elsewhere"), "k", 6);  // a map never handed over
    delete unused;
    delete new OMX_Report();  // its empty list goes too
}

TEST_F(OMX_ReportTest, MissingResourceAndFailurePointsAreRecorded) {
    report.LogMissingResoruce("");
    report.LogError("");
    report.LogMissingResoruce("vol-1");
    report.LogError("Somewhere");
    const char *format =
        "CIMInstance not found for - %s. Associations for this resource will be missing.";
    EXPECT_EQ(
        (std::vector<std::string>{LogTail(
            "LogMissingResoruce", "WARNING",
            "CIMInstance not found for - vol-1. Associations for this resource will be missing.",
            strlen(format))}),
        Lines({"LogMissingResoruce"}));
    EXPECT_EQ((std::vector<std::string>{"F_REPORT_CONV_FAILURE (Somewhere / FailurePoint)",
                                        "W_INSTANCE_NOT_FOUND (vol-1 / Missing Resource name)"}),
              TakeResults(kJob));
}

}  // namespace
