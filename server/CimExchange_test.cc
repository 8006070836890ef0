#include "server/CimExchange.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <string>
#include <utility>
#include <vector>

#include "inventory/testing/CimDtd.h"
#include "server/testing/HttpClient.h"
#include "server/testing/SampleReports.h"

namespace {

using ulvar_server::CimExchange;
using ulvar_server::CimHeaders;
using ulvar_server::CimResponse;
using ulvar_server::ReportIndex;
using ulvar_server::testing::cimCall;

std::string param(const std::string &name, const std::string &value) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + value + "</IPARAMVALUE>";
}
std::string className(const std::string &name, const std::string &cls) {
    return param(name, "<CLASSNAME NAME=\"" + cls + "\"/>");
}
std::string value(const std::string &name, const std::string &text) {
    return param(name, "<VALUE>" + text + "</VALUE>");
}
std::string instanceName(const std::string &name, const std::string &cls,
                         std::vector<std::pair<std::string, std::string>> keys) {
    std::string bindings;
    for (const auto &key : keys) {
        bindings += "<KEYBINDING NAME=\"" + key.first + "\"><KEYVALUE>" + key.second +
                    "</KEYVALUE></KEYBINDING>";
    }
    return param(name, "<INSTANCENAME CLASSNAME=\"" + cls + "\">" + bindings + "</INSTANCENAME>");
}

// A disk of the sample cluster, its keys in another order and case.
const std::string kDisk = instanceName("InstanceName", "Kalora_RM_DiskDrive",
                                       {{"deviceid", "disk-lun-0001"},
                                        {"SYSTEMNAME", "4711"},
                                        {"CreationClassName", "Kalora_RM_DiskDrive"},
                                        {"SystemCreationClassName", "CIM_ComputerSystem"}});
const std::string kCluster =
    instanceName("ObjectName", "Kalora_RM_VornCluster",
                 {{"CreationClassName", "Kalora_RM_VornCluster"}, {"Name", "4711"}});

struct Answer {
    unsigned http = 0;
    std::string cimError;
    std::string document;
};

class CimExchangeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { cluster = ulvar_server::testing::sampleIndex(true); }
    static void TearDownTestSuite() { cluster.reset(); }

    // The whole answer to `body`, written a piece of `piece` bytes at a time.
    static Answer exchange(const std::string &body, CimHeaders headers, std::size_t piece = 4096) {
        Answer answer;
        CimExchange done = exchangeCim(headers, body.data(), body.size(), cluster);
        answer.http = done.httpStatus;
        answer.cimError = done.cimError != nullptr ? done.cimError : "";
        if (done.response) {
            sbuf *out = sbufCreate(1024);
            CimResponse::Status status;
            while ((status = done.response->writeSome(out, sbufGetSize(out) + piece)) ==
                   CimResponse::kMore) {
            }
            EXPECT_EQ(status, CimResponse::kDone);
            answer.document.assign(sbufGetString(out), sbufGetSize(out));
            sbufDestroy(out);
        }
        return answer;
    }

    static CimHeaders headersFor(const char *method) {
        CimHeaders headers;
        headers.operation = "MethodCall";
        headers.method = method;
        headers.object = "root%2Fcimv2";
        headers.protocolVersion = "1.0";
        return headers;
    }

    // The response to `method` with `params`, which must be valid CIM-XML.
    static std::string perform(const std::string &method, const std::string &params,
                               const std::string &nameSpace = "root/cimv2") {
        CimHeaders headers = headersFor(method.c_str());
        const std::string object = nameSpace == "root/cimv2" ? "root%2Fcimv2" : nameSpace;
        headers.object = object.c_str();
        Answer answer = exchange(cimCall(method, params, nameSpace), headers);
        EXPECT_EQ(answer.http, 200u) << method << " " << answer.cimError;
        if (!ulvar::testing::dtdPath().empty()) {
            EXPECT_EQ(ulvar::testing::cimDtdViolations(answer.document), "") << answer.document;
        }
        return answer.document;
    }

    // The number `expression` gives over `document`.
    static double evaluate(const std::string &document, const std::string &expression) {
        xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr,
                                      nullptr, XML_PARSE_NONET);
        if (doc == nullptr) {
            return -1;
        }
        xmlXPathContextPtr context = xmlXPathNewContext(doc);
        xmlXPathObjectPtr result =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar *>(expression.c_str()), context);
        double number = result != nullptr ? xmlXPathCastToNumber(result) : -1;
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
        xmlFreeDoc(doc);
        return number;
    }

    static std::shared_ptr<const ReportIndex> cluster;
};

std::shared_ptr<const ReportIndex> CimExchangeTest::cluster;

// Each intrinsic method over the sample cluster: how many objects of the
// result's kind come back, or which CIM error.
TEST_F(CimExchangeTest, EveryMethodFindsWhatTheSampleClusterHolds) {
    const std::string noKeys = param("ObjectName", "<INSTANCENAME CLASSNAME=\"CIM_System\"/>");
    const struct {
        const char *method;
        std::string params;
        int error;          // 0: none
        const char *found;  // the element each object of the result is
        int count;
    } cases[] = {
        {"EnumerateInstanceNames", className("ClassName", "CIM_LogicalDevice"), 0, "INSTANCENAME",
         6},
        {"EnumerateInstances", className("ClassName", "cim_computersystem"), 0,
         "VALUE.NAMEDINSTANCE", 5},
        {"EnumerateInstances",
         className("ClassName", "CIM_ManagedElement") + value("DeepInheritance", "FALSE"), 0,
         "VALUE.NAMEDINSTANCE", 19},
        {"EnumerateInstances", className("ClassName", "CIM_Nothing"), 5, "", 0},
        {"EnumerateInstances", "", 4, "", 0},
        {"EnumerateInstances", className("ClassName", "CIM_System") + value("Deep", "TRUE"), 4, "",
         0},
        {"EnumerateInstances",
         className("ClassName", "CIM_System") + value("DeepInheritance", "maybe"), 4, "", 0},
        {"GetInstance", kDisk, 0, "INSTANCE", 1},
        {"GetInstance",
         instanceName("InstanceName", "Kalora_RM_DiskDrive", {{"DeviceID", "disk-lun-0001"}}), 6,
         "", 0},
        {"GetInstance", instanceName("InstanceName", "Kalora_RM_Tape", {{"DeviceID", "t"}}), 5, "",
         0},
        {"GetProperty", kDisk + value("PropertyName", "diskmake"), 0, "VALUE", 1},
        {"GetProperty", kDisk + value("PropertyName", "Caption"), 0, "*", 0},
        {"GetProperty", kDisk + value("PropertyName", "Colour"), 12, "", 0},
        {"AssociatorNames", kCluster, 0, "OBJECTPATH", 13},
        {"AssociatorNames",
         kCluster + className("AssocClass", "CIM_SystemDevice") +
             className("ResultClass", "CIM_DiskDrive"),
         0, "OBJECTPATH", 2},
        {"AssociatorNames",
         kCluster + className("AssocClass", "CIM_SystemDevice") + value("Role", "PartComponent"), 0,
         "OBJECTPATH", 0},
        {"Associators",
         kCluster + className("ResultClass", "CIM_StorageExtent") +
             value("ResultRole", "partcomponent"),
         0, "VALUE.OBJECTWITHPATH", 2},
        {"Associators", noKeys, 0, "*", 0},
        {"Associators", className("ObjectName", "CIM_System"), 0, "*", 0},
        {"Associators", kCluster + className("AssocClass", "CIM_Nothing"), 5, "", 0},
        {"ReferenceNames", kCluster, 0, "OBJECTPATH", 15},
        {"References", kCluster + className("ResultClass", "CIM_SystemDevice"), 0,
         "VALUE.OBJECTWITHPATH", 4},
        {"ExecQuery", value("QueryLanguage", "WQL") + value("Query", "select * from cim_diskdrive"),
         0, "VALUE.OBJECTWITHPATH", 2},
        {"ExecQuery",
         value("QueryLanguage", "DMTF:CQL") + value("Query", " SELECT\t* FROM CIM_LogicalDevice ;"),
         0, "VALUE.OBJECTWITHPATH", 6},
        {"ExecQuery",
         value("QueryLanguage", "WQL") + value("Query", "SELECT Name FROM CIM_DiskDrive"), 15, "",
         0},
        {"ExecQuery", value("QueryLanguage", "XPath") + value("Query", "//disk"), 14, "", 0},
        {"EnumerateClassNames", className("ClassName", "CIM_StorageExtent"), 0, "CLASSNAME", 2},
        {"EnumerateClassNames", value("DeepInheritance", "TRUE"), 0, "CLASSNAME",
         ulvar_server::ClassTable::schema().size()},
        {"EnumerateClasses",
         className("ClassName", "CIM_StorageVolume") + value("DeepInheritance", "TRUE"), 0, "CLASS",
         1},
        {"GetClass", className("ClassName", "Kalora_RM_DiskDrive"), 0, "CLASS", 1},
        {"GetClass", className("ClassName", "CIM_Nothing"), 5, "", 0},
        {"CreateInstance", "", 7, "", 0},
        {"DeleteInstance", kDisk, 7, "", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.params);
        std::string document = perform(c.method, c.params);
        EXPECT_EQ(evaluate(document, "sum(//ERROR/@CODE)"), c.error);
        if (c.error == 0) {
            EXPECT_EQ(evaluate(document, std::string("count(//IRETURNVALUE/") + c.found + ")"),
                      c.count);
        }
    }
}

TEST_F(CimExchangeTest, OnlyTheNamespaceOfTheReportIsServed) {
    std::string document =
        perform("EnumerateInstances", className("ClassName", "CIM_System"), "root/other");
    EXPECT_EQ(evaluate(document, "sum(//ERROR/@CODE)"), 3);
}

TEST_F(CimExchangeTest, PropertyListAndQualifiersShapeTheInstanceButNeverItsName) {
    const std::string disks = className("ClassName", "Kalora_RM_DiskDrive");
    std::string listed = perform(
        "EnumerateInstances",
        disks + param("PropertyList", "<VALUE.ARRAY><VALUE>diskmake</VALUE></VALUE.ARRAY>"));
    EXPECT_EQ(evaluate(listed, "count(//INSTANCE/PROPERTY)"), 2);
    EXPECT_EQ(evaluate(listed, "count(//INSTANCE/PROPERTY[@NAME='DiskMake'])"), 2);
    EXPECT_EQ(evaluate(listed, "count(//INSTANCENAME/KEYBINDING)"), 8);
    EXPECT_EQ(evaluate(listed, "count(//QUALIFIER)"), 0);

    std::string none =
        perform("EnumerateInstances", disks + param("PropertyList", "<VALUE.ARRAY></VALUE.ARRAY>"));
    EXPECT_EQ(evaluate(none, "count(//INSTANCE/PROPERTY)"), 0);
    EXPECT_EQ(evaluate(none, "count(//INSTANCENAME/KEYBINDING)"), 8);

    std::string qualified =
        perform("EnumerateInstances", disks + value("IncludeQualifiers", "TRUE"));
    EXPECT_EQ(evaluate(qualified, "count(//INSTANCE/PROPERTY/QUALIFIER[@NAME='Key'])"), 8);

    // Without deep inheritance, only what CIM_DiskDrive defines.
    std::string shallow = perform("EnumerateInstances", className("ClassName", "CIM_DiskDrive") +
                                                            value("DeepInheritance", "FALSE"));
    EXPECT_EQ(evaluate(shallow, "count(//INSTANCE[@CLASSNAME='Kalora_RM_DiskDrive'])"), 2);
    EXPECT_EQ(evaluate(shallow, "count(//PROPERTY[@NAME='DiskMake'])"), 0);
    EXPECT_EQ(evaluate(shallow, "count(//PROPERTY[@NAME='DeviceID'])"), 2);
}

TEST_F(CimExchangeTest, ResponseIsTheSameWrittenInAnyPieces) {
    const std::string body = cimCall("EnumerateInstances", className("ClassName", "CIM_System"));
    const std::string whole = exchange(body, headersFor("EnumerateInstances"), 1 << 20).document;
    EXPECT_EQ(exchange(body, headersFor("EnumerateInstances"), 1).document, whole);
    EXPECT_EQ(exchange(body, headersFor("EnumerateInstances"), 700).document, whole);
}

// Refusals before anything is performed: the HTTP status and the CIMError
// header DSP0200 names.
TEST_F(CimExchangeTest, HeadersThatDisagreeWithTheBodyAreRefused) {
    const std::string body = cimCall("GetClass", className("ClassName", "CIM_System"));
    const struct {
        const char *what;
        const char *operation;
        const char *method;
        const char *object;
        const char *version;
        std::string body;
        unsigned http;
        const char *cimError;
    } cases[] = {
        {"no CIMOperation", nullptr, "GetClass", "root%2Fcimv2", "1.0", body, 400,
         "unsupported-operation"},
        {"an export", "MethodRequest", "GetClass", "root%2Fcimv2", "1.0", body, 400,
         "unsupported-operation"},
        {"another method", "MethodCall", "GetInstance", "root%2Fcimv2", "1.0", body, 400,
         "header-mismatch"},
        {"no CIMMethod", "MethodCall", nullptr, "root%2Fcimv2", "1.0", body, 400,
         "header-mismatch"},
        {"another namespace", "MethodCall", "GetClass", "root%2Fother", "1.0", body, 400,
         "header-mismatch"},
        {"a later protocol", "MethodCall", "GetClass", "root%2Fcimv2", "2.0", body, 501,
         "unsupported-protocol-version"},
        {"not XML", "MethodCall", "GetClass", "root%2Fcimv2", "1.0", "<CIM", 400,
         "request-not-well-formed"},
        {"not CIM", "MethodCall", "GetClass", "root%2Fcimv2", "1.0", "<CIM/>", 400,
         "request-not-valid"},
        {"several requests", "MethodCall", "GetClass", "root%2Fcimv2", "1.0",
         "<CIM><MESSAGE ID=\"1\"><MULTIREQ/></MESSAGE></CIM>", 501,
         "multiple-requests-unsupported"},
        {"the namespace unencoded", "methodcall", "GetClass", "/root/cimv2", nullptr, body, 200,
         ""},
    };
    for (const auto &c : cases) {
        CimHeaders headers;
        headers.operation = c.operation;
        headers.method = c.method;
        headers.object = c.object;
        headers.protocolVersion = c.version;
        Answer answer = exchange(c.body, headers);
        EXPECT_EQ(answer.http, c.http) << c.what;
        EXPECT_EQ(answer.cimError, c.cimError) << c.what;
    }
}

TEST_F(CimExchangeTest, AnExtrinsicMethodIsNotServed) {
    CimHeaders headers = headersFor("Reset");
    headers.object = "root%2Fcimv2%3AKalora_RM_DiskDrive.DeviceID%3D%22d%22";
    Answer answer = exchange(
        "<CIM><MESSAGE ID=\"9\"><SIMPLEREQ><METHODCALL NAME=\"Reset\"><LOCALINSTANCEPATH>"
        "<LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"cimv2\"/>"
        "</LOCALNAMESPACEPATH><INSTANCENAME CLASSNAME=\"Kalora_RM_DiskDrive\"/>"
        "</LOCALINSTANCEPATH></METHODCALL></SIMPLEREQ></MESSAGE></CIM>",
        headers);
    ASSERT_EQ(answer.http, 200u);
    EXPECT_EQ(evaluate(answer.document, "sum(//METHODRESPONSE/ERROR/@CODE)"), 7);
}

}  // namespace
