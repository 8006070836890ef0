// The print native through the fake JNI environment: the sample host's report
// as checked in, and the words that stand for a report that cannot be had.
#include <gtest/gtest.h>

#include <string>

#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/CimXml.h"
#include "inventory/testing/FailingAllocation.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/testing/SampleHost.h"
#include "tessel/Tessel.h"

namespace {

using ulvar::testing::FakeJni;

class SrmUlvarPrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        handle = SRM_ULVAR_NATIVE(create)(jni.env(), nullptr);
        ASSERT_NE(0, handle);
    }
    void TearDown() override { SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle); }

    std::string Print(jlong h) {
        std::string text = jni.text(SRM_ULVAR_NATIVE(print)(jni.env(), nullptr, h));
        EXPECT_EQ(0, jni.outstanding());
        return text;
    }
    std::string Add(ulvar::testing::AddNative add, const std::string &batch) {
        return jni.text(add(jni.env(), nullptr, handle, jni.str(batch)));
    }

    FakeJni jni;
    jlong handle = 0;
};

// The road as the scanner runs it: every batch, resolve, print. The report is
// the one checked in (reviewed by hand), and printing changes nothing: a
// second print gives the same text.
TEST_F(SrmUlvarPrintTest, SampleHostPrintsTheCheckedInReport) {
    ASSERT_EQ("", ulvar::testing::SendSampleHost(jni, handle));
    SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle);
    const std::string expected =
        ulvar::testing::withThisHost(ulvar::testing::ExampleText("host.report.xml"));
    ASSERT_FALSE(expected.empty());
    const std::string printed = Print(handle);
    EXPECT_EQ(expected, printed);
    EXPECT_EQ(printed, Print(handle));
}

// What print returns, and the checked-in report, in an ExecQuery frame.
TEST_F(SrmUlvarPrintTest, PrintedReportIsValidCimXml) {
    SKIP_WITHOUT_DTD();
    ASSERT_EQ("", ulvar::testing::SendSampleHost(jni, handle));
    SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle);
    const std::string printed = ulvar::testing::inExecQueryFrame(Print(handle));
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ("", ulvar::testing::dtdProblems(printed));
    const std::string checkedIn =
        ulvar::testing::inExecQueryFrame(ulvar::testing::ExampleText("host.report.xml"));
    EXPECT_EQ("", ulvar::testing::dtdProblems(checkedIn));
}

// Every way to a failed conversion ends in the same word, and nothing the
// conversion made outlives the call (the sanitizer build checks for leaks).
TEST_F(SrmUlvarPrintTest, FailedConversionGivesErrorTwo) {
    EXPECT_EQ("ERROR 2", Print(0)) << "zero handle";
    EXPECT_EQ("ERROR 2", Print(handle)) << "an empty database has no computer to report";

    ASSERT_EQ(kSrmBatchOk, Add(SRM_ULVAR_NATIVE(addDisk),
                               "\"Type=Disk\",\"Id=d1\",\"Name=sda\",\"Sign=7\",;\n"));
    EXPECT_EQ("ERROR 2", Print(handle)) << "disks without a computer";

    // A disk without a signature leaves an error record after resolution:
    // the scanner's errors stop the conversion before its first instance.
    ASSERT_EQ(kSrmBatchOk,
              Add(SRM_ULVAR_NATIVE(addComputer), "\"Type=System\",\"Id=h\",\"HostName=h\",;\n"));
    ASSERT_EQ(kSrmBatchOk,
              Add(SRM_ULVAR_NATIVE(addDisk), "\"Type=Disk\",\"Id=d2\",\"Name=sdb\",;\n"));
    SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle);
    EXPECT_EQ("ERROR 2", Print(handle)) << "an error record";
}

// The scanner cannot collect the conversion's status results: print must
// not leave them in the process, where every call would add to them.
TEST_F(SrmUlvarPrintTest, PrintLeavesNoStatusResultsBehind) {
    const int jobs = Tessel::m_objCounter;
    EXPECT_EQ("ERROR 2", Print(0));  // records F_NULL_POINTER
    ASSERT_EQ("", ulvar::testing::SendSampleHost(jni, handle));
    SRM_ULVAR_NATIVE(resolveDatabase)(jni.env(), nullptr, handle);
    Print(handle);  // records W_CIMINSTANCE_NOT_FOUND for the share without a file system
    EXPECT_EQ(jobs, Tessel::m_objCounter);
    void *job = nullptr;
    ASSERT_NE(nullptr, Tessel::m_pHashObj);
    Tessel::m_pHashObj->getFromHash("", &job);
    EXPECT_EQ(nullptr, job) << "results in the job of the empty id";
}

TEST_F(SrmUlvarPrintTest, ConverterThatCannotBeMadeGivesErrorUnexpected) {
    ASSERT_EQ(kSrmBatchOk,
              Add(SRM_ULVAR_NATIVE(addComputer), "\"Type=System\",\"Id=h\",\"HostName=h\",;\n"));
    {
        ulvar::testing::ScopedAllocationFailure fail(sizeof(OMX_Report), 1);
        EXPECT_EQ("ERROR UNEXPECTED", Print(handle));
    }
    EXPECT_NE(std::string::npos, Print(handle).find("<VALUE.OBJECT>"));
}

}  // namespace
