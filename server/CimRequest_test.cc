#include "server/CimRequest.h"

#include <gtest/gtest.h>

#include <string>

#include "server/testing/HttpClient.h"

namespace {

using ulvar_server::CimRequest;
using ulvar_server::ParamValue;
using ulvar_server::ParseResult;
using ulvar_server::testing::cimCall;

ParseResult parse(const std::string &body, CimRequest &request) {
    return ulvar_server::parseCimRequest(body.data(), body.size(), request);
}

// What wbemcli sends for `gi` on an association, its reference key naming
// the host it connected to.
TEST(CimRequestTest, ReadsACallWithReferenceKeys) {
    const std::string body = cimCall(
        "GetInstance",
        "<IPARAMVALUE NAME=\"LocalOnly\"><VALUE>FALSE</VALUE></IPARAMVALUE>"
        "<IPARAMVALUE NAME=\"PropertyList\"><VALUE.ARRAY><VALUE>Name</VALUE>"
        "<VALUE>a&amp;b</VALUE></VALUE.ARRAY></IPARAMVALUE>"
        "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME CLASSNAME=\"CIM_SystemDevice\">"
        "<KEYBINDING NAME=\"PartComponent\"><VALUE.REFERENCE><INSTANCEPATH><NAMESPACEPATH>"
        "<HOST>client-side</HOST><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/>"
        "<NAMESPACE NAME=\"cimv2\"/></LOCALNAMESPACEPATH></NAMESPACEPATH>"
        "<INSTANCENAME CLASSNAME=\"Kalora_RM_DiskDrive\"><KEYBINDING NAME=\"DeviceID\">"
        "<KEYVALUE VALUETYPE=\"string\">d&lt;1</KEYVALUE></KEYBINDING></INSTANCENAME>"
        "</INSTANCEPATH></VALUE.REFERENCE></KEYBINDING>"
        "<KEYBINDING NAME=\"GroupComponent\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"S\">"
        "<KEYBINDING NAME=\"Name\"><KEYVALUE>h</KEYVALUE></KEYBINDING></INSTANCENAME>"
        "</VALUE.REFERENCE></KEYBINDING></INSTANCENAME></IPARAMVALUE>",
        "root/cimv2");
    CimRequest request;
    ASSERT_EQ(parse(body, request), ParseResult::kOk);
    EXPECT_EQ(request.messageId, "4711");
    EXPECT_TRUE(request.intrinsic);
    EXPECT_EQ(request.method, "GetInstance");
    EXPECT_EQ(request.nameSpace, "root/cimv2");
    EXPECT_EQ(request.param("localonly")->text, "FALSE");
    EXPECT_EQ(request.param("PropertyList")->values, (std::vector<std::string>{"Name", "a&b"}));
    const ParamValue *name = request.param("InstanceName");
    ASSERT_EQ(name->kind, ParamValue::kInstanceName);
    ASSERT_EQ(name->instance.keys.size(), 2u);
    const ulvar_server::KeyBinding &part = name->instance.keys[0];
    ASSERT_TRUE(part.reference);
    EXPECT_EQ(part.reference->className, "Kalora_RM_DiskDrive");
    EXPECT_EQ(part.reference->keys[0].value, "d<1");
    EXPECT_EQ(name->instance.keys[1].reference->keys[0].value, "h");
    EXPECT_EQ(comparedForm(name->instance),
              comparedForm(ulvar_server::InstanceName{
                  "cim_systemdevice", {name->instance.keys[1], name->instance.keys[0]}}));
}

TEST(CimRequestTest, RefusesWhatIsNoSimpleCimRequest) {
    const std::string head = "<?xml version=\"1.0\"?>";
    const struct {
        const char *what;
        std::string body;
        ParseResult expected;
    } cases[] = {
        {"nothing", "", ParseResult::kNotWellFormed},
        {"not XML", "GET / HTTP/1.0", ParseResult::kNotWellFormed},
        {"a key value as wbemcli sends it unescaped",
         cimCall("GetInstance",
                 "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME CLASSNAME=\"C\">"
                 "<KEYBINDING NAME=\"K\"><KEYVALUE>a&<c</KEYVALUE></KEYBINDING>"
                 "</INSTANCENAME></IPARAMVALUE>"),
         ParseResult::kNotWellFormed},
        {"an entity nobody declared", head + "<CIM>&x;</CIM>", ParseResult::kNotWellFormed},
        {"entities that grow a billionfold",
         head + "<!DOCTYPE CIM [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">"
                "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;\">]><CIM>&c;</CIM>",
         ParseResult::kNotValid},
        {"an external entity",
         head + "<!DOCTYPE CIM [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><CIM>&e;</CIM>",
         ParseResult::kNotValid},
        {"a DTD from the network",
         head + "<!DOCTYPE CIM SYSTEM \"http://127.0.0.1:9/cim.dtd\"><CIM/>",
         ParseResult::kNotValid},
        {"another root", head + "<HTML/>", ParseResult::kNotValid},
        {"no message", head + "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"/>",
         ParseResult::kNotValid},
        {"a message without ID", head + "<CIM><MESSAGE><SIMPLEREQ/></MESSAGE></CIM>",
         ParseResult::kNotValid},
        {"several requests",
         head + "<CIM><MESSAGE ID=\"1\"><MULTIREQ><SIMPLEREQ/><SIMPLEREQ/></MULTIREQ>"
                "</MESSAGE></CIM>",
         ParseResult::kMultipleRequests},
        {"a call without namespace",
         head + "<CIM><MESSAGE ID=\"1\"><SIMPLEREQ><IMETHODCALL NAME=\"GetClass\"/>"
                "</SIMPLEREQ></MESSAGE></CIM>",
         ParseResult::kNotValid},
        {"a parameter with two values",
         cimCall("GetClass",
                 "<IPARAMVALUE NAME=\"ClassName\"><CLASSNAME NAME=\"A\"/>"
                 "<CLASSNAME NAME=\"B\"/></IPARAMVALUE>"),
         ParseResult::kNotValid},
        {"a key binding without value",
         cimCall("GetInstance",
                 "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME "
                 "CLASSNAME=\"C\"><KEYBINDING NAME=\"K\"/></INSTANCENAME>"
                 "</IPARAMVALUE>"),
         ParseResult::kNotValid},
    };
    for (const auto &c : cases) {
        CimRequest request;
        EXPECT_EQ(parse(c.body, request), c.expected) << c.what;
    }
}

TEST(CimRequestTest, ReadsTheNamespaceOfAnExtrinsicCall) {
    CimRequest request;
    ASSERT_EQ(parse("<CIM><MESSAGE ID=\"7\"><SIMPLEREQ><METHODCALL NAME=\"Reset\">"
                    "<LOCALINSTANCEPATH><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/>"
                    "<NAMESPACE NAME=\"cimv2\"/></LOCALNAMESPACEPATH>"
                    "<INSTANCENAME CLASSNAME=\"C\"/></LOCALINSTANCEPATH>"
                    "<PARAMVALUE NAME=\"Force\"><VALUE>true</VALUE></PARAMVALUE>"
                    "</METHODCALL></SIMPLEREQ></MESSAGE></CIM>",
                    request),
              ParseResult::kOk);
    EXPECT_FALSE(request.intrinsic);
    EXPECT_EQ(request.method, "Reset");
    EXPECT_EQ(request.nameSpace, "root/cimv2");
    EXPECT_EQ(request.param("Force")->text, "true");
}

}  // namespace
