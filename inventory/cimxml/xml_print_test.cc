#include "inventory/cimxml/internal/xml_print.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/cimxml/internal/sbuf_testing.h"
#include "inventory/testing/CimXml.h"

namespace {

using ulvar::testing::Buffer;
using ulvar::testing::newBuffer;
using ulvar::testing::text;
using namespace cimxml;

void *refuseToGrow(void *, size_t) {
    return nullptr;
}

class XmlPrintTest : public ::testing::Test {
  protected:
    void TearDown() override { sbufSetReallocForTesting(nullptr); }
    Buffer buffer = newBuffer();
};

TEST_F(XmlPrintTest, MarkupCharactersBecomeEntities) {
    EXPECT_EQ(appendEscaped(buffer.get(), "a\"b&c'd<e>f"), 0);
    EXPECT_EQ(text(buffer.get()), "a&quot;b&amp;c&apos;d&lt;e&gt;f");
}

TEST_F(XmlPrintTest, EveryByteFrom1To255IsEscapedOrDropped) {
    std::string all;
    for (int c = 1; c <= 255; ++c) {
        all += static_cast<char>(c);
    }
    EXPECT_EQ(appendEscaped(buffer.get(), all.c_str()), 0);
    EXPECT_EQ(text(buffer.get()),
              " !&quot;#$%&amp;&apos;()*+,-./0123456789:;&lt;=&gt;?@"
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~");
}

TEST_F(XmlPrintTest, EscapedLengthStopsAtTheCountOrAtANul) {
    EXPECT_EQ(appendEscapedN(buffer.get(), "a<bcd", 3), 0);
    EXPECT_EQ(appendEscapedN(buffer.get(), "x", 10), 0);
    EXPECT_EQ(appendEscaped(buffer.get(), nullptr), 0);
    EXPECT_EQ(text(buffer.get()), "a&lt;bx");
}

TEST_F(XmlPrintTest, LinesAreIndentedTwoBlanksPerLevelAndEndInCrLf) {
    EXPECT_EQ(printIndented(buffer.get(), 3, "<A N=\"%s\" V=\"%d\">", "n", 7), 0);
    EXPECT_EQ(printIndented(buffer.get(), 0, "<B/>"), 0);
    EXPECT_EQ(printIndented(buffer.get(), -2, "<C/>"), 0);
    EXPECT_EQ(text(buffer.get()), "      <A N=\"n\" V=\"7\">\r\n<B/>\r\n<C/>\r\n");
}

TEST_F(XmlPrintTest, DeepIndentIsWrittenInFull) {
    EXPECT_EQ(printIndented(buffer.get(), 50, "x"), 0);
    EXPECT_EQ(text(buffer.get()), std::string(100, ' ') + "x\r\n");
}

TEST_F(XmlPrintTest, PCDataLineEscapesOnlyTheText) {
    EXPECT_EQ(printPCDataIndented(buffer.get(), 1, "<V a=\"&\">", "1<2", "</V>"), 0);
    EXPECT_EQ(printPCDataIndented(buffer.get(), 1, "<V>", nullptr, "</V>"), 0);
    EXPECT_EQ(text(buffer.get()), "  <V a=\"&\">1&lt;2</V>\r\n  <V></V>\r\n");
}

TEST_F(XmlPrintTest, LineWritersReportABufferThatCannotGrow) {
    Buffer small(sbufCreate(4));
    sbufSetReallocForTesting(refuseToGrow);
    EXPECT_EQ(printIndented(small.get(), 0, "%s", "too long for four bytes"), -1);
    EXPECT_EQ(printPCDataIndented(small.get(), 0, "<V>", "value", "</V>"), -1);
    EXPECT_EQ(printIndented(nullptr, 0, "x"), -1);
    EXPECT_EQ(printPCDataIndented(nullptr, 0, "<V>", "x", "</V>"), -1);
}

TEST_F(XmlPrintTest, LineOfPiecesEscapesOnlyTheEscapedOnes) {
    // Ten pieces: more than the writer keeps measures for, so the last ones
    // are measured again while written.
    EXPECT_EQ(printLine(buffer.get(), 1,
                        {raw("<A>"), escaped("a<b"), raw(nullptr), escaped(nullptr), raw("&"),
                         escaped("\tc&d"), escaped("e>f", 2), raw("|"), escaped("'g'"),
                         escaped("\x80h\"")}),
              0);
    EXPECT_EQ(text(buffer.get()), "  <A>a&lt;b&c&amp;de&gt;|&apos;g&apos;h&quot;\r\n");
}

TEST_F(XmlPrintTest, FailedLineLeavesNothingOfItself) {
    Buffer small(sbufCreate(8));
    ASSERT_EQ(printLine(small.get(), 0, {raw("ab")}), 0);
    sbufSetReallocForTesting(refuseToGrow);
    EXPECT_EQ(printLine(small.get(), 2, {raw("<V>"), escaped("long & longer"), raw("</V>")}), -1);
    EXPECT_EQ(printIndented(small.get(), 0, "%s", "formatted and too long"), -1);
    EXPECT_EQ(text(small.get()), "ab\r\n");
}

TEST_F(XmlPrintTest, TypeNamesFollowTheTypeCodes) {
    EXPECT_STREQ(getTypeString(0), "uint8");
    EXPECT_STREQ(getTypeString(7), "sint64");
    EXPECT_STREQ(getTypeString(8), "string");
    EXPECT_STREQ(getTypeString(12), "datetime");
    EXPECT_STREQ(getTypeString(13), "char16");
    EXPECT_STREQ(getTypeString(14), "uint8_array");
    EXPECT_STREQ(getTypeString(27), "char16_array");
    EXPECT_STREQ(getTypeString(28), "reference");
    EXPECT_STREQ(getTypeString(29), "instance");
    EXPECT_STREQ(getTypeString(30), "unknown");
    EXPECT_STREQ(getTypeString(-1), "unknown");
}

TEST_F(XmlPrintTest, BlankMeansNullEmptyOrOnlyWhiteSpace) {
    EXPECT_TRUE(isNullOrAllWhitespace(nullptr));
    EXPECT_TRUE(isNullOrAllWhitespace(""));
    EXPECT_TRUE(isNullOrAllWhitespace(" \t\r\n\v\f"));
    EXPECT_FALSE(isNullOrAllWhitespace(" 0 "));
    EXPECT_FALSE(isNullOrAllWhitespace("\xa0"));
}

}  // namespace
