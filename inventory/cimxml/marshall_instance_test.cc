#include <gtest/gtest.h>

#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/internal/sbuf_testing.h"
#include "inventory/testing/CimXml.h"

namespace {

using namespace ulvar::testing;

void *refuseToGrow(void *, size_t) {
    return nullptr;
}

class MarshallInstanceTest : public ::testing::Test {
  protected:
    void TearDown() override { sbufSetReallocForTesting(nullptr); }

    // The text of one property written alone at level 0.
    std::string written(CCIMProperty *p) {
        Property owned(p);
        Buffer b = newBuffer();
        EXPECT_EQ(marshallProperty(b.get(), p, 0), 0);
        return text(b.get());
    }

    // The lines of an array property of `type` holding `encoded`.
    std::string arrayOf(CIMType type, const char *encoded, const char *elementType,
                        std::initializer_list<std::string> values) {
        std::string expected = "<PROPERTY.ARRAY NAME=\"A\" TYPE=\"" + std::string(elementType) +
                               "\">\r\n  <VALUE.ARRAY>\r\n";
        for (const std::string &v : values) {
            expected += "    <VALUE>" + v + "</VALUE>\r\n";
        }
        expected += "  </VALUE.ARRAY>\r\n</PROPERTY.ARRAY>\r\n";
        EXPECT_EQ(written(prop("A", type, encoded)), expected) << elementType;
        return expected;
    }

    Buffer buffer = newBuffer();
};

TEST_F(MarshallInstanceTest, OneKeyedDiskIsTenExactLines) {
    InstanceList list = instanceList({instance("Disk", {prop("K", CIM_STRING, "a<b", true)})});
    EXPECT_EQ(marshallInstanceList(buffer.get(), list.get(), 0), 0);
    EXPECT_EQ(text(buffer.get()), crlf({
                                      "<VALUE.OBJECT>",
                                      "  <INSTANCE CLASSNAME=\"Disk\">",
                                      "    <PROPERTY NAME=\"K\" TYPE=\"string\">",
                                      "      <QUALIFIER NAME=\"Key\" TYPE=\"boolean\">",
                                      "        <VALUE>true</VALUE>",
                                      "      </QUALIFIER>",
                                      "      <VALUE>a&lt;b</VALUE>",
                                      "    </PROPERTY>",
                                      "  </INSTANCE>",
                                      "</VALUE.OBJECT>",
                                  }));
}

TEST_F(MarshallInstanceTest, BlankKeyIsWrittenAsZeroAndKeepsThatValue) {
    CCIMProperty *blank = prop("K", CIM_UINT32, " \t ", true);
    CCIMProperty *missing = prop("L", CIM_STRING, nullptr, true);
    Instance inst(instance("C", {blank, missing}));
    EXPECT_EQ(marshallInstance(buffer.get(), inst.get(), 0), 0);
    EXPECT_STREQ(blank->mValue, "0");
    EXPECT_STREQ(missing->mValue, "0");
    const std::string out = text(buffer.get());
    EXPECT_NE(out.find("<PROPERTY NAME=\"K\" TYPE=\"uint32\">\r\n"
                       "    <QUALIFIER NAME=\"Key\" TYPE=\"boolean\">\r\n"
                       "      <VALUE>true</VALUE>\r\n"
                       "    </QUALIFIER>\r\n"
                       "    <VALUE>0</VALUE>\r\n"),
              std::string::npos)
        << out;
}

TEST_F(MarshallInstanceTest, NonKeyWithoutValueHasNoValueLine) {
    EXPECT_EQ(written(prop("N", CIM_SINT64, nullptr)),
              crlf({"<PROPERTY NAME=\"N\" TYPE=\"sint64\">", "</PROPERTY>"}));
    EXPECT_EQ(written(prop("E", CIM_STRING, "")),
              crlf({"<PROPERTY NAME=\"E\" TYPE=\"string\">", "  <VALUE></VALUE>", "</PROPERTY>"}));
}

TEST_F(MarshallInstanceTest, TabAndBytesAboveAsciiAreDroppedFromValues) {
    EXPECT_EQ(
        written(prop("S", CIM_STRING,
                     "a\tb\xc3\xa9"
                     "c\x7f"
                     "d")),
        crlf({"<PROPERTY NAME=\"S\" TYPE=\"string\">", "  <VALUE>abcd</VALUE>", "</PROPERTY>"}));
}

TEST_F(MarshallInstanceTest, MarkupInNamesCannotBreakTheDocument) {
    EXPECT_EQ(written(prop("x\"><y", CIM_STRING, "v")),
              crlf({"<PROPERTY NAME=\"x&quot;&gt;&lt;y\" TYPE=\"string\">", "  <VALUE>v</VALUE>",
                    "</PROPERTY>"}));
}

TEST_F(MarshallInstanceTest, EmbeddedInstanceIsSkippedAndTheListGoesOn) {
    Instance inst(
        instance("C", {prop("E", CIM_INSTANCE, nullptr), prop("P", CIM_BOOLEAN, "true")}));
    EXPECT_EQ(marshallInstance(buffer.get(), inst.get(), 0), 0);
    EXPECT_EQ(text(buffer.get()),
              crlf({"<INSTANCE CLASSNAME=\"C\">", "  <PROPERTY NAME=\"P\" TYPE=\"boolean\">",
                    "    <VALUE>true</VALUE>", "  </PROPERTY>", "</INSTANCE>"}));
}

TEST_F(MarshallInstanceTest, EmptyOrNullListWritesNothing) {
    InstanceList empty = instanceList({});
    EXPECT_EQ(marshallInstanceList(buffer.get(), empty.get(), 0), 0);
    EXPECT_EQ(marshallInstanceList(buffer.get(), nullptr, 0), 0);
    EXPECT_EQ(sbufGetSize(buffer.get()), 0u);
}

TEST_F(MarshallInstanceTest, InstanceWithoutClassNameFails) {
    EXPECT_EQ(marshallInstance(buffer.get(), nullptr, 0), -1);
    Instance inst(instance("C", {}));
    inst->mClassName = nullptr;  // the library's text needs nothing
    EXPECT_EQ(marshallInstance(buffer.get(), inst.get(), 0), -1);
    InstanceList list = instanceList({inst.release()});
    EXPECT_EQ(marshallInstanceList(buffer.get(), list.get(), 0), -1);
}

TEST_F(MarshallInstanceTest, NullBufferFailsEverywhere) {
    Property p(prop("P", CIM_STRING, "v", true));
    Instance inst(instance("C", {}));
    EXPECT_EQ(marshallInstanceList(nullptr, nullptr, 0), -1);
    EXPECT_EQ(marshallInstance(nullptr, inst.get(), 0), -1);
    EXPECT_EQ(marshallPropertyList(nullptr, nullptr, 0), -1);
    EXPECT_EQ(marshallProperty(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallPropertyValue(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallKeyQualifier(nullptr, 0), -1);
}

TEST_F(MarshallInstanceTest, BufferThatCannotGrowFailsTheWholeList) {
    InstanceList list = instanceList({instance("Disk", {prop("K", CIM_STRING, "k", true)})});
    Buffer small(sbufCreate(40));
    sbufSetReallocForTesting(refuseToGrow);
    EXPECT_EQ(marshallInstanceList(small.get(), list.get(), 0), -1);
    EXPECT_EQ(marshallExecQueryResults(small.get(), list.get(), "1"), -1);
}

TEST_F(MarshallInstanceTest, KeyArrayCarriesTheQualifierAndItsElements) {
    unsigned short values[] = {0, 7, 255};
    EXPECT_EQ(
        written(prop("A", CIM_UINT8_ARRAY, cim_encodeUint8Array(values, 3), true)),
        crlf({"<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\">",
              "  <QUALIFIER NAME=\"Key\" TYPE=\"boolean\">", "    <VALUE>true</VALUE>",
              "  </QUALIFIER>", "  <VALUE.ARRAY>", "    <VALUE>0</VALUE>", "    <VALUE>7</VALUE>",
              "    <VALUE>255</VALUE>", "  </VALUE.ARRAY>", "</PROPERTY.ARRAY>"}));
}

TEST_F(MarshallInstanceTest, IntegerArraysKeepTheirFullRange) {
    short s8[] = {-128, 127};
    unsigned int u16[] = {65535};
    int s16[] = {-32768};
    unsigned int u32[] = {4294967295u};
    int s32[] = {-2147483647 - 1};
    unsigned long long u64[] = {18446744073709551615ull};
    long long s64[] = {-9223372036854775807ll - 1};
    unsigned int c16[] = {65, 0x263a};
    arrayOf(CIM_SINT8_ARRAY, cim_encodeSint8Array(s8, 2), "sint8", {"-128", "127"});
    arrayOf(CIM_UINT16_ARRAY, cim_encodeUint16Array(u16, 1), "uint16", {"65535"});
    arrayOf(CIM_SINT16_ARRAY, cim_encodeSint16Array(s16, 1), "sint16", {"-32768"});
    arrayOf(CIM_UINT32_ARRAY, cim_encodeUint32Array(u32, 1), "uint32", {"4294967295"});
    arrayOf(CIM_SINT32_ARRAY, cim_encodeSint32Array(s32, 1), "sint32", {"-2147483648"});
    arrayOf(CIM_UINT64_ARRAY, cim_encodeUint64Array(u64, 1), "uint64", {"18446744073709551615"});
    arrayOf(CIM_SINT64_ARRAY, cim_encodeSint64Array(s64, 1), "sint64", {"-9223372036854775808"});
    arrayOf(CIM_CHAR16_ARRAY, cim_encodeUint16Array(c16, 2), "char16", {"65", "9786"});
}

TEST_F(MarshallInstanceTest, OtherArraysUseTheirElementText) {
    char a[] = "a<b", empty[] = "", comma[] = "c,d";
    char *strings[] = {a, empty, comma};
    int booleans[] = {1, 0};
    double r32[] = {1.5, -0.25};
    long double r64[] = {2.5L};
    unsigned int dates[] = {0, 86400};
    arrayOf(CIM_STRING_ARRAY, cim_encodeStringArray(strings, 3), "string", {"a&lt;b", "", "c,d"});
    arrayOf(CIM_BOOLEAN_ARRAY, cim_encodeBooleanArray(booleans, 2), "boolean", {"true", "false"});
    arrayOf(CIM_REAL32_ARRAY, cim_encodeReal32Array(r32, 2), "real32", {"1.500000", "-0.250000"});
    arrayOf(CIM_REAL64_ARRAY, cim_encodeReal64Array(r64, 1), "real64", {"2.500000"});
    arrayOf(CIM_DATETIME_ARRAY, cim_encodeDateTimeArray(dates, 2), "datetime", {"0", "86400"});
}

TEST_F(MarshallInstanceTest, ArrayThatDoesNotDecodeHasNoElements) {
    arrayOf(CIM_UINT32_ARRAY, "not,a,number,", "uint32", {});
    arrayOf(CIM_STRING_ARRAY, nullptr, "string", {});
    arrayOf(CIM_SINT16_ARRAY, "", "sint16", {});
}

}  // namespace
