#include <gtest/gtest.h>

#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/testing/CimXml.h"

namespace {

using namespace ulvar::testing;

const std::string kHead =
    crlf({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "",
          "<CIM DTDVERSION=\"2.0\" CIMVERSION=\"2.0\">",
          "  <MESSAGE ID=\"42\" PROTOCOLVERSION=\"1.0\">", "    <SIMPLERSP>"});
const std::string kTail = crlf({"    </SIMPLERSP>", "  </MESSAGE>", "</CIM>"});

// An instance holding a property of every scalar type, keys among them (one
// of them blank), and a property without a value.
CCIMInstance *everyScalar() {
    return instance(
        "Vendor_Everything",
        {prop("U8", CIM_UINT8, "255", true), prop("S8", CIM_SINT8, "-128"),
         prop("U16", CIM_UINT16, "65535"), prop("S16", CIM_SINT16, "-32768"),
         prop("U32", CIM_UINT32, "   ", true), prop("S32", CIM_SINT32, "-1"),
         prop("U64", CIM_UINT64, "18446744073709551615"),
         prop("S64", CIM_SINT64, "-9223372036854775808"),
         prop("Name", CIM_STRING, "<disk & \"quoted\" 'name'>", true),
         prop("B", CIM_BOOLEAN, "true"), prop("R32", CIM_REAL32, "1.5"),
         prop("R64", CIM_REAL64, "-2.25e300"),
         prop("When", CIM_DATETIME, "20240101000000.000000+000"), prop("C", CIM_CHAR16, "x"),
         prop("Missing", CIM_STRING, nullptr), prop("Embedded", CIM_INSTANCE, nullptr)});
}

// An instance holding a property of every array type.
CCIMInstance *everyArray() {
    unsigned short u8[] = {1, 255};
    short s8[] = {-1};
    unsigned int u16[] = {2, 3};
    int s16[] = {-4};
    unsigned int u32[] = {5};
    int s32[] = {-6};
    unsigned long long u64[] = {7};
    long long s64[] = {-8};
    char a[] = "one", b[] = "t&o", c[] = "";
    char *strings[] = {a, b, c};
    int booleans[] = {1, 0, 1};
    double r32[] = {0.5};
    long double r64[] = {-1e10L};
    unsigned int dates[] = {1700000000};
    unsigned int c16[] = {'A'};
    CCIMInstance *inst = instance("Vendor_Arrays", {prop("Id", CIM_STRING, "arrays", true)});
    // Each encoded text is copied into its property at once, before the
    // library may reuse it.
    cim_addProperty(inst, prop("U8", CIM_UINT8_ARRAY, cim_encodeUint8Array(u8, 2), true));
    cim_addProperty(inst, prop("S8", CIM_SINT8_ARRAY, cim_encodeSint8Array(s8, 1)));
    cim_addProperty(inst, prop("U16", CIM_UINT16_ARRAY, cim_encodeUint16Array(u16, 2)));
    cim_addProperty(inst, prop("S16", CIM_SINT16_ARRAY, cim_encodeSint16Array(s16, 1)));
    cim_addProperty(inst, prop("U32", CIM_UINT32_ARRAY, cim_encodeUint32Array(u32, 1)));
    cim_addProperty(inst, prop("S32", CIM_SINT32_ARRAY, cim_encodeSint32Array(s32, 1)));
    cim_addProperty(inst, prop("U64", CIM_UINT64_ARRAY, cim_encodeUint64Array(u64, 1)));
    cim_addProperty(inst, prop("S64", CIM_SINT64_ARRAY, cim_encodeSint64Array(s64, 1)));
    cim_addProperty(inst, prop("Str", CIM_STRING_ARRAY, cim_encodeStringArray(strings, 3)));
    cim_addProperty(inst, prop("B", CIM_BOOLEAN_ARRAY, cim_encodeBooleanArray(booleans, 3)));
    cim_addProperty(inst, prop("R32", CIM_REAL32_ARRAY, cim_encodeReal32Array(r32, 1)));
    cim_addProperty(inst, prop("R64", CIM_REAL64_ARRAY, cim_encodeReal64Array(r64, 1)));
    cim_addProperty(inst, prop("D", CIM_DATETIME_ARRAY, cim_encodeDateTimeArray(dates, 1)));
    cim_addProperty(inst, prop("C16", CIM_CHAR16_ARRAY, cim_encodeUint16Array(c16, 1)));
    cim_addProperty(inst, prop("Undecodable", CIM_UINT32_ARRAY, "x,y,"));
    return inst;
}

// An association whose references name instances in multi-level
// namespaces, one of them with a reference-valued key.
CCIMInstance *association() {
    Path system =
        pathTo("Vendor_System", "/root//vendor/storage/",
               {prop("Name", CIM_STRING, "host<1>", true), prop("Blank", CIM_STRING, "", true)});
    Path disk = pathTo("Vendor_Disk", "root/cimv2",
                       {prop("Id", CIM_STRING, "disk 0", true),
                        prop("System", CIM_REFERENCE, nullptr, true, system.get())});
    return instance("Vendor_SystemDevice",
                    {prop("GroupComponent", CIM_REFERENCE, nullptr, true, system.get()),
                     prop("PartComponent", CIM_REFERENCE, nullptr, true, disk.get()),
                     prop("Dangling", CIM_REFERENCE, nullptr, false)});
}

class MarshallResponseTest : public ::testing::Test {
  protected:
    void expectValid() {
        SKIP_WITHOUT_DTD();
        EXPECT_EQ(dtdProblems(text(buffer.get())), "") << text(buffer.get());
    }

    Buffer buffer = newBuffer();
};

TEST_F(MarshallResponseTest, MethodResponseFramesTheEscapedReturnValue) {
    Property result(prop("ReturnValue", CIM_STRING, "0 <ok>"));
    EXPECT_EQ(marshallInvokeMethodResults(buffer.get(), result.get(), "42", "Rescan"), 0);
    EXPECT_EQ(text(buffer.get()),
              kHead +
                  crlf({"      <METHODRESPONSE NAME=\"Rescan\">", "        <RETURNVALUE>",
                        "          <VALUE>0 &lt;ok&gt;</VALUE>", "        </RETURNVALUE>",
                        "      </METHODRESPONSE>"}) +
                  kTail);
    expectValid();
}

TEST_F(MarshallResponseTest, MethodResponseWithoutValueHasAnEmptyValue) {
    EXPECT_EQ(marshallInvokeMethodResults(buffer.get(), nullptr, "42", "Rescan"), 0);
    EXPECT_NE(text(buffer.get()).find("\r\n          <VALUE></VALUE>\r\n"), std::string::npos);
    expectValid();
}

TEST_F(MarshallResponseTest, CreateInstanceWithoutPathIsAnErrorAtLevelFour) {
    EXPECT_EQ(marshallCreateInstanceResults(buffer.get(), nullptr, "42"), 0);
    EXPECT_EQ(text(buffer.get()),
              kHead +
                  crlf({"      <IMETHODRESPONSE NAME=\"CreateInstance\">",
                        "        <ERROR CODE=\"1\"/>", "      </IMETHODRESPONSE>"}) +
                  kTail);
    expectValid();
}

TEST_F(MarshallResponseTest, CreateInstanceNamesTheNewInstanceByItsKeys) {
    Path path = pathTo("Vendor_Disk", "root/cimv2",
                       {prop("Id", CIM_STRING, "d1", true), prop("Blank", CIM_UINT16, " ", true)});
    EXPECT_EQ(marshallCreateInstanceResults(buffer.get(), path.get(), "42"), 0);
    EXPECT_EQ(
        text(buffer.get()),
        kHead +
            crlf({"      <IMETHODRESPONSE NAME=\"CreateInstance\">", "        <IRETURNVALUE>",
                  "          <INSTANCENAME CLASSNAME=\"Vendor_Disk\">",
                  "            <KEYBINDING NAME=\"Id\">", "              <KEYVALUE>d1</KEYVALUE>",
                  "            </KEYBINDING>", "            <KEYBINDING NAME=\"Blank\">",
                  "              <KEYVALUE>0</KEYVALUE>", "            </KEYBINDING>",
                  "          </INSTANCENAME>", "        </IRETURNVALUE>",
                  "      </IMETHODRESPONSE>"}) +
            kTail);
    expectValid();
}

TEST_F(MarshallResponseTest, CreateInstanceWithReferenceKeyIsValid) {
    Path system = pathTo("Vendor_System", "root/a/b", {prop("Name", CIM_STRING, "s", true)});
    Path path = pathTo("Vendor_Disk", "root/cimv2",
                       {prop("System", CIM_REFERENCE, nullptr, true, system.get())});
    EXPECT_EQ(marshallCreateInstanceResults(buffer.get(), path.get(), "42"), 0);
    expectValid();
}

TEST_F(MarshallResponseTest, ExecQueryOfEveryKindOfPropertyIsValid) {
    InstanceList list = instanceList({everyScalar(), everyArray(), association()});
    EXPECT_EQ(marshallExecQueryResults(buffer.get(), list.get(), "1001"), 0);
    const std::string out = text(buffer.get());
    const std::string head =
        crlf({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "",
              "<CIM DTDVERSION=\"2.0\" CIMVERSION=\"2.0\">",
              "  <MESSAGE ID=\"1001\" PROTOCOLVERSION=\"1.0\">", "    <SIMPLERSP>"});
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_NE(out.find(crlf({"      <IMETHODRESPONSE NAME=\"ExecQuery\">", "        <IRETURNVALUE>",
                             "          <VALUE.OBJECT>",
                             "            <INSTANCE CLASSNAME=\"Vendor_Everything\">"})),
              std::string::npos);
    EXPECT_EQ(out.substr(out.size() - kTail.size()), kTail);
    expectValid();
}

TEST_F(MarshallResponseTest, ExecQueryOfNothingIsValid) {
    InstanceList list = instanceList({});
    EXPECT_EQ(marshallExecQueryResults(buffer.get(), list.get(), "42"), 0);
    EXPECT_EQ(text(buffer.get()),
              kHead +
                  crlf({"      <IMETHODRESPONSE NAME=\"ExecQuery\">", "        <IRETURNVALUE>",
                        "        </IRETURNVALUE>", "      </IMETHODRESPONSE>"}) +
                  kTail);
    expectValid();
}

TEST_F(MarshallResponseTest, EveryByteInValuesAndNamesStillGivesAValidDocument) {
    std::string all;
    for (int c = 1; c <= 255; ++c) {
        all += static_cast<char>(c);
    }
    char *strings[] = {&all[0], &all[0]};
    CCIMInstance *inst = instance(all.c_str(), {prop(all.c_str(), CIM_STRING, all.c_str(), true),
                                                prop("Plain", CIM_STRING, all.c_str())});
    cim_addProperty(inst, prop("Many", CIM_STRING_ARRAY, cim_encodeStringArray(strings, 2)));
    Path target = pathTo("T", ("root/" + all).c_str(), {prop("K", CIM_STRING, all.c_str(), true)});
    cim_addProperty(inst, prop("Ref", CIM_REFERENCE, nullptr, true, target.get()));
    InstanceList list = instanceList({inst});
    EXPECT_EQ(marshallExecQueryResults(buffer.get(), list.get(), all.c_str()), 0);
    const std::string out = text(buffer.get());
    for (unsigned char c : out) {
        EXPECT_TRUE((c >= 0x20 && c <= 0x7e) || c == '\r' || c == '\n') << int{c};
    }
    expectValid();

    Property result(prop("ReturnValue", CIM_STRING, all.c_str()));
    sbufClear(buffer.get());
    EXPECT_EQ(marshallInvokeMethodResults(buffer.get(), result.get(), all.c_str(), all.c_str()), 0);
    expectValid();
}

TEST_F(MarshallResponseTest, ValidationCatchesAnIncompleteDocument) {
    // Guards the document tests above against a validator that passes anything.
    SKIP_WITHOUT_DTD();
    InstanceList list = instanceList({instance("C", {})});
    EXPECT_EQ(marshallExecQueryResults(buffer.get(), list.get(), "42"), 0);
    std::string broken = text(buffer.get());
    broken.erase(broken.find("    <INSTANCE"),
                 broken.find("</INSTANCE>\r\n") + 13 - broken.find("    <INSTANCE"));
    EXPECT_NE(dtdProblems(broken), "") << broken;
}

TEST_F(MarshallResponseTest, NullBufferFailsEveryMessage) {
    EXPECT_EQ(marshallExecQueryResults(nullptr, nullptr, "1"), -1);
    EXPECT_EQ(marshallCreateInstanceResults(nullptr, nullptr, "1"), -1);
    EXPECT_EQ(marshallInvokeMethodResults(nullptr, nullptr, "1", "M"), -1);
}

}  // namespace
