#include "inventory/record/SrmRecordWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "inventory/record/SrmRecordKeys.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::ContentsOf;
using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;

class SrmRecordWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_GE(file.get(), 0); }

    std::string Written() { return ContentsOf(file.get()); }

    ScopedFd file{FileWith("")};
    std::string buffer;
};

TEST_F(SrmRecordWriterTest, WritesElementsCommaSemicolonAndNewline) {
    SrmRecordWriter w(buffer);
    w.addWord(SRM_KEY_Type, SRM_KEY_DiskChunk);
    w.addText(SRM_KEY_Id, "c0t0d0s1");
    w.addInt(SRM_KEY_State, 1);
    w.addLong(SRM_KEY_Start, -1);
    w.addLongLong(SRM_KEY_AddrSpaceMB, LLONG_MAX);
    ASSERT_EQ(1, w.write(file.get()));
    const std::string expected =
        "\"Type=DiskChunk\",\"Id=c0t0d0s1\",\"State=1\",\"Start=-1\","
        "\"AddrSpaceMB=9223372036854775807\",;\n";
    EXPECT_EQ(expected, Written());
    EXPECT_EQ(expected, buffer);
}

TEST_F(SrmRecordWriterTest, SkipsEmptyTextButAlwaysWritesNumbers) {
    SrmRecordWriter w(buffer);
    w.addWord(SRM_KEY_Type, SRM_KEY_Disk);
    w.addText(SRM_KEY_Name, "");
    w.addInt(SRM_KEY_Status, 0);
    w.addLong(SRM_KEY_Sign, -1);
    ASSERT_EQ(1, w.write(file.get()));
    EXPECT_EQ("\"Type=Disk\",\"Status=0\",\"Sign=-1\",;\n", Written());
}

TEST_F(SrmRecordWriterTest, HeaderKeepsEmptyTextElements) {
    // The header's bytes as its fixed format string lays them out.
    char expected[512];
    snprintf(expected, sizeof expected,
             "\"%s=%s\",\"%s=%d\",\"%s=%s\",\"%s=%s\",\"%s=%s\",\"%s=%s\",\"%s=%d\",\"%s=%d\",;\n",
             "SrmResourceDbVersion", "1.0", "ResourceCount", 3, "ClusterAlias", "", "ClusterId", "",
             "ClusterName", "", "ClusterVersion", "", "MemberCount", 0, "SGCount", 0);
    SrmRecordWriter w(buffer);
    w.addTextAlways(SRM_KEY_SrmResourceDbVersion, "1.0");
    w.addInt(SRM_KEY_ResourceCount, 3);
    w.addTextAlways(SRM_KEY_ClusterAlias, "");
    w.addTextAlways(SRM_KEY_ClusterId, "");
    w.addTextAlways(SRM_KEY_ClusterName, "");
    w.addTextAlways(SRM_KEY_ClusterVersion, "");
    w.addInt(SRM_KEY_MemberCount, 0);
    w.addInt(SRM_KEY_SGCount, 0);
    ASSERT_EQ(1, w.write(file.get()));
    EXPECT_EQ(expected, Written());
}

TEST_F(SrmRecordWriterTest, EmptiesTheBufferAndWritesOneRecordPerWriter) {
    buffer = "left over from the previous record";
    {
        SrmRecordWriter w(buffer);
        w.addText(SRM_KEY_Id, "a");
        ASSERT_EQ(1, w.write(file.get()));
    }
    {
        SrmRecordWriter w(buffer);
        w.addText(SRM_KEY_Id, "b");
        ASSERT_EQ(1, w.write(file.get()));
    }
    EXPECT_EQ("\"Id=a\",;\n\"Id=b\",;\n", Written());
}

TEST_F(SrmRecordWriterTest, LongValuesAreWrittenWhole) {
    const std::string value(5000, 'x');
    SrmRecordWriter w(buffer);
    w.addText(SRM_KEY_CPUInfo, value);
    w.addText(SRM_KEY_HWInfo, value);
    ASSERT_EQ(1, w.write(file.get()));
    EXPECT_EQ("\"CPUInfo=" + value + "\",\"HWInfo=" + value + "\",;\n", Written());
}

TEST_F(SrmRecordWriterTest, UnknownKeyIdFailsWithoutWriting) {
    SrmRecordWriter w(buffer);
    w.addText(SRM_KEY_Id, "a");
    w.addInt(SRM_KEY_COUNT, 1);
    EXPECT_EQ(0, w.write(file.get()));
    SrmRecordWriter v(buffer);
    v.addWord(SRM_KEY_Type, -1);
    EXPECT_EQ(0, v.write(file.get()));
    EXPECT_EQ("", Written());
}

TEST_F(SrmRecordWriterTest, FailedOrShortWriteReportsZero) {
    SrmRecordWriter w(buffer);
    w.addText(SRM_KEY_Id, "a");
    EXPECT_EQ(0, w.write(-1));

    // A non-blocking pipe with less room than the record takes part of it only.
    signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    ScopedFd readEnd(fds[0]), writeEnd(fds[1]);
    ASSERT_EQ(0, fcntl(fds[1], F_SETFL, O_NONBLOCK));
    const std::string filler(4096, 'f');
    while (write(fds[1], filler.data(), filler.size()) > 0) {
    }
    char drain[100];
    ASSERT_EQ(100, read(fds[0], drain, sizeof drain));
    SrmRecordWriter big(buffer);
    big.addText(SRM_KEY_CPUInfo, std::string(1000, 'c'));
    EXPECT_EQ(0, big.write(fds[1]));
}

// Values the reader reads back unchanged are written as they stand.
TEST(SrmRecordSafeValueTest, KeepsValuesThatReadBack) {
    for (const char *value : {"", "plain", "a,b;c=d", "say \"hi\" now", "\"\"", "x\"y\"z\"\",",
                              "\"a;b\"", "\"\"\"\"", "line\nbreak"}) {
        EXPECT_TRUE(SrmRecordValueReadsBack(value, std::string(value).size())) << value;
        EXPECT_EQ(value, SrmRecordSafeValue(value));
    }
}

// Values that would end their element early or leave the record open lose their quotes only.
TEST(SrmRecordSafeValueTest, ReplacesQuotesOfValuesThatWouldBreakTheRecord) {
    EXPECT_EQ("12' disk", SrmRecordSafeValue("12\" disk"));
    EXPECT_EQ("a'b,c'", SrmRecordSafeValue("a\"b,c\""));
    EXPECT_EQ("''',", SrmRecordSafeValue("\"\"\","));
    EXPECT_EQ("'x", SrmRecordSafeValue("\"x"));
    EXPECT_FALSE(SrmRecordValueReadsBack("a\"b,c\"", 6));
}

TEST_F(SrmRecordWriterTest, WritesBreakingQuotesAsApostrophes) {
    SrmRecordWriter w(buffer);
    w.addText(SRM_KEY_Model, "3.5\" drive, 7200rpm");
    w.addText(SRM_KEY_Name, "\"quoted\"");
    ASSERT_EQ(1, w.write(file.get()));
    EXPECT_EQ("\"Model=3.5' drive, 7200rpm\",\"Name=\"quoted\"\",;\n", Written());
}

}  // namespace
