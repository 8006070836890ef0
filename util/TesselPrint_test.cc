#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tessel/Tessel.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;
using tessel::testing::LogTail;

const std::string kPropertiesHead = "\n-------------PROPERTIES---------------\n";
const std::string kPropertiesEnd = "---------------------------------------\n\n";
const std::string kInstanceHead =
    "\n**********************************************************\n\n";

CCIMProperty *StringProperty(const char *name, const char *value, int key) {
    return nmspc_cim::cim_createProperty(name, nmspc_cim::CIM_STRING, value, nullptr, key);
}

// An instance of class "Disk" with the key property DeviceID="d0".
CCIMInstance *DiskInstance() {
    CCIMInstance *inst = nmspc_cim::cim_createInstance("Disk");
    nmspc_cim::cim_addProperty(inst, StringProperty("DeviceID", "d0", cim_true));
    return inst;
}

class TesselPrintTest : public ::testing::Test {
  protected:
    Tessel job{"print-job"};
};

TEST_F(TesselPrintTest, PropertyWithKeyAtIndentOne) {
    CCIMProperty *p = StringProperty("Name", "disk0", cim_true);
    ::testing::internal::CaptureStdout();
    job.printProperty(1, p);
    EXPECT_EQ(
        "    Property Name=\"Name\"\n"
        "        Value=\"disk0\"\n"
        "        Type=8(\"string\")\n"
        "        Property is KEY.\n",
        ::testing::internal::GetCapturedStdout());
    nmspc_cim::cim_freeProperty(p);
}

TEST_F(TesselPrintTest, NullObjectsPrintTheirNotice) {
    ::testing::internal::CaptureStdout();
    job.printProperty(2, nullptr);
    job.printObjectPath(0, nullptr);
    job.printInstance(1, nullptr);
    EXPECT_EQ(
        "        NULL Property!\n"
        "NULL ObjectPath!\n"
        "    NULL Instance!\n",
        ::testing::internal::GetCapturedStdout());
}

TEST_F(TesselPrintTest, ArrayValuesAreDecodedElementByElement) {
    const unsigned int numbers[] = {1, 65535};
    const int flags[] = {1, 0};
    char a[] = "a";
    char bc[] = "b,c";
    char *const strings[] = {a, bc};
    std::string n = nmspc_cim::cim_encodeUint16Array(numbers, 2);
    std::string f = nmspc_cim::cim_encodeBooleanArray(flags, 2);
    std::string s = nmspc_cim::cim_encodeStringArray(strings, 2);
    const long long big[] = {-9000000000LL};
    std::string l = nmspc_cim::cim_encodeSint64Array(big, 1);

    ::testing::internal::CaptureStdout();
    job.printPropertyValue(0, "Value=", nmspc_cim::CIM_UINT16_ARRAY, &n[0]);
    job.printPropertyValue(1, "Value=", nmspc_cim::CIM_BOOLEAN_ARRAY, &f[0]);
    job.printPropertyValue(0, "V:", nmspc_cim::CIM_STRING_ARRAY, &s[0]);
    job.printPropertyValue(0, "Value=", nmspc_cim::CIM_SINT64_ARRAY, &l[0]);
    char plain[] = "42";
    job.printPropertyValue(0, "Value=", nmspc_cim::CIM_UINT32, plain);
    EXPECT_EQ(
        "Value=\"1\" \"65535\" \n"
        "    Value=\"true\" \"false\" \n"
        "V:\"a\" \"b,c\" \n"
        "Value=\"-9000000000\" \n"
        "Value=\"42\"\n",
        ::testing::internal::GetCapturedStdout());
}

TEST_F(TesselPrintTest, InstanceWithItsProperties) {
    CCIMInstance *inst = nmspc_cim::cim_createInstance("C");
    nmspc_cim::cim_addProperty(
        inst, nmspc_cim::cim_createProperty("P", nmspc_cim::CIM_UINT32, "7", nullptr, cim_false));
    nmspc_cim::cim_addProperty(
        inst, nmspc_cim::cim_createProperty("Q", nmspc_cim::CIM_STRING, nullptr, nullptr, 0));
    ::testing::internal::CaptureStdout();
    job.printInstance(0, inst);
    EXPECT_EQ(kInstanceHead +
                  "INSTANCE ClassName = \"C\"\n"
                  "    " +
                  kPropertiesHead +
                  "    Property Name=\"P\"\n"
                  "        Value=\"7\"\n"
                  "        Type=4(\"uint32\")\n"
                  "    " +
                  kPropertiesHead +
                  "    Property Name=\"Q\"\n"
                  "        Value=NULL\n"
                  "        Type=8(\"string\")\n"
                  "    " +
                  kPropertiesEnd,
              ::testing::internal::GetCapturedStdout());
    nmspc_cim::cim_freeInstance(inst);
}

TEST_F(TesselPrintTest, ReferencePrintsItsObjectPath) {
    CCIMInstance *disk = DiskInstance();
    CCIMObjectPath *path = nmspc_cim::cim_createObjectPath(disk);
    ASSERT_NE(nullptr, path);
    CCIMProperty *ref =
        nmspc_cim::cim_createProperty("Antecedent", nmspc_cim::CIM_REFERENCE, nullptr, path, 0);
    ::testing::internal::CaptureStdout();
    job.printProperty(0, ref);
    EXPECT_EQ(
        "Property Name=\"Antecedent\"\n"
        "    Value=NULL\n"
        "    Type=28(\"reference\")\n"
        "    Property is a reference:\n"
        "        Object Path Name = \"Disk\"\n"
        "            Namespace = \"root/cimv2\"\n"
        "            Key Properties:\n"
        "                " +
            kPropertiesHead +
            "                Property Name=\"DeviceID\"\n"
            "                    Value=\"d0\"\n"
            "                    Type=8(\"string\")\n"
            "                    Property is KEY.\n"
            "                " +
            kPropertiesEnd,
        ::testing::internal::GetCapturedStdout());
    nmspc_cim::cim_freeProperty(ref);
    nmspc_cim::cim_freeObjectPath(path);
    nmspc_cim::cim_freeInstance(disk);
}

TEST_F(TesselPrintTest, EmbeddedInstanceIsPrintedTwoLevelsIn) {
    CCIMInstance *disk = DiskInstance();
    CCIMProperty *embedded =
        nmspc_cim::cim_createProperty("Element", nmspc_cim::CIM_INSTANCE, nullptr, nullptr, 0);
    embedded->mInstance = disk;  // the property owns it from here on
    ::testing::internal::CaptureStdout();
    job.printProperty(0, embedded);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("    Property is an instance:\n        " + kInstanceHead +
                                          "        INSTANCE ClassName = \"Disk\"\n"));
    nmspc_cim::cim_freeProperty(embedded);
}

TEST_F(TesselPrintTest, ConfigurationsPrintTheirPropertiesToStandardOutput) {
    CCIMList *list = nmspc_cim::cim_createPropertyList();
    list = nmspc_cim::cim_addPropertyToPropertyList(list, StringProperty("A", "1", 0));
    ASSERT_EQ(0, job.storeConfig("cfg", list));
    nmspc_cim::cim_freePropertyList(list);
    std::vector<CCIMList *> stored;
    ASSERT_EQ(0, job.retrieveConfig("cfg", stored));
    Tessel::ConfigMap configs{{"cfg", stored[0]}};
    std::vector<CCIMList *> none;
    Tessel::ConfigMap noConfigs;

    ::testing::internal::CaptureStdout();
    job.printMultiMap(configs);
    job.printVector(stored);
    job.printVector(none);
    job.printMultiMap(noConfigs);
    const std::string one = kPropertiesHead +
                            "Property Name=\"A\"\n"
                            "    Value=\"1\"\n"
                            "    Type=8(\"string\")\n" +
                            kPropertiesEnd;
    EXPECT_EQ(one + one, ::testing::internal::GetCapturedStdout());
}

TEST_F(TesselPrintTest, TypeNames) {
    EXPECT_STREQ("uint8", job.typeToString(nmspc_cim::CIM_UINT8));
    EXPECT_STREQ("char16", job.typeToString(nmspc_cim::CIM_CHAR16));
    EXPECT_STREQ("uint8_array", job.typeToString(nmspc_cim::CIM_UINT8_ARRAY));
    EXPECT_STREQ("string_array", job.typeToString(nmspc_cim::CIM_STRING_ARRAY));
    EXPECT_STREQ("char16_array", job.typeToString(nmspc_cim::CIM_CHAR16_ARRAY));
    EXPECT_STREQ("reference", job.typeToString(nmspc_cim::CIM_REFERENCE));
    EXPECT_STREQ("instance", job.typeToString(nmspc_cim::CIM_INSTANCE));
    EXPECT_STREQ("unknown", job.typeToString(static_cast<nmspc_cim::CIMType>(30)));
    EXPECT_STREQ("unknown", job.typeToString(static_cast<nmspc_cim::CIMType>(-1)));
}

class TesselPrintLogTest : public tessel::testing::TesselLogTest {
  protected:
    std::string Banner() { return LogTail("*************", "DEBUG", "*************************"); }

    Tessel job{"print-log-job"};
};

TEST_F(TesselPrintLogTest, ResultMapListsGroupsThenEmptiesAfterConversion) {
    Result *failed = new Result("F_X", TESSEL_RESULT_BUNDLE);
    failed->addArg("disk0", "FailurePoint");
    Result *warning = new Result("W_Y", "b");
    job.storeResult(warning);
    job.storeResult(failed);
    char address[32];
    snprintf(address, sizeof address, "%X",
             static_cast<unsigned>(reinterpret_cast<uintptr_t>(failed)));
    char address2[32];
    snprintf(address2, sizeof address2, "%X",
             static_cast<unsigned>(reinterpret_cast<uintptr_t>(warning)));
    job.printResultMap();
    nmspc_cim::cim_freeInstanceList(job.getCIMInstanceList());
    job.printResultMap();

    const std::string fn = "TESSEL::printResultMap";
    const std::string arrays = "TESSEL::printResultArrays";
    std::vector<std::string> expected = {
        Banner(),
        LogTail(fn, "DEBUG", "Starting printResultMap"),
        LogTail(fn, "DEBUG", "SEVERITY = failed", 13),
        LogTail(fn, "DEBUG", std::string("MEMORY ADDRESS = ") + address, 19),
        LogTail(fn, "DEBUG", "KEY = F_X", 8),
        LogTail(fn, "DEBUG", "BUNDLE = " TESSEL_RESULT_BUNDLE, 11),
        LogTail(fn, "DEBUG", "SEVERITY = failed", 13),
        LogTail(arrays, "DEBUG", "ARG Array contents:"),
        LogTail(arrays, "DEBUG", "disk0", 2),
        LogTail(arrays, "DEBUG", "ARG_DESCRIPTOR Array contents:"),
        LogTail(arrays, "DEBUG", "FailurePoint", 2),
        LogTail(fn, "DEBUG", "# of Result objects for failed = 1"),
        LogTail(fn, "DEBUG", "SEVERITY = warning", 13),
        LogTail(fn, "DEBUG", std::string("MEMORY ADDRESS = ") + address2, 19),
        LogTail(fn, "DEBUG", "KEY = W_Y", 8),
        LogTail(fn, "DEBUG", "BUNDLE = b", 11),
        LogTail(fn, "DEBUG", "SEVERITY = warning", 13),
        LogTail(fn, "DEBUG", "# of Result objects for warning = 1"),
        LogTail(fn, "DEBUG", "# of map entries = 2", 21),
        Banner(),
        Banner(),
        LogTail(fn, "DEBUG", "Starting printResultMap"),
        LogTail(fn, "DEBUG", "Map is EMPTY!!!"),
        Banner(),
    };
    // The arrays logged while storing come before the first banner.
    std::vector<std::string> tails = TailsOf({"*************", fn, arrays});
    ASSERT_GE(tails.size(), 4u);
    tails.erase(tails.begin(), tails.begin() + 4);
    EXPECT_EQ(expected, tails);
}

TEST_F(TesselPrintLogTest, PropertyLinesHaveLogTwins) {
    CCIMList *list = nmspc_cim::cim_createPropertyList();
    list = nmspc_cim::cim_addPropertyToPropertyList(list, StringProperty("Name", "d0", cim_true));
    list = nmspc_cim::cim_addPropertyToPropertyList(list, StringProperty("Empty", nullptr, 0));
    std::vector<CCIMList *> lists = {list};
    ::testing::internal::CaptureStdout();
    job.printVector(lists);
    ::testing::internal::GetCapturedStdout();
    nmspc_cim::cim_freePropertyList(list);

    std::vector<std::string> expected = {
        Banner(),
        LogTail("TESSEL::printVector", "DEBUG", "Starting printVector"),
        LogTail("TESSEL::printProperties", "INFO", "Starting printProperties!!!"),
        LogTail("TESSEL::printProperties", "DEBUG", "-------------PROPERTIES---------------"),
        LogTail("TESSEL::printProperty", "DEBUG", "Property Name=\"Name\"", 18),
        LogTail("TESSEL::printPropertyValue", "DEBUG", "Value=\"d0\"", 2),
        LogTail("TESSEL::printProperty", "DEBUG", "Type=8(\"string\")", 13),
        LogTail("TESSEL::printProperty", "DEBUG", "Property is KEY."),
        LogTail("TESSEL::printProperties", "DEBUG", "-------------PROPERTIES---------------"),
        LogTail("TESSEL::printProperty", "DEBUG", "Property Name=\"Empty\"", 18),
        LogTail("TESSEL::printProperty", "DEBUG", "Value = NULL"),
        LogTail("TESSEL::printProperty", "DEBUG", "Type=8(\"string\")", 13),
        LogTail("TESSEL::printProperties", "DEBUG", "------------------------------------"),
        LogTail("TESSEL::printVector", "DEBUG", "# of configurations in vector = 1", 34),
        Banner(),
    };
    EXPECT_EQ(expected, TailsOf({"*************", "TESSEL::printVector", "TESSEL::printProperties",
                                 "TESSEL::printProperty", "TESSEL::printPropertyValue"}));
}

TEST_F(TesselPrintLogTest, EmptyContainersSayTheyAreEmpty) {
    Tessel::ConfigMap configs;
    std::vector<CCIMList *> lists;
    job.printMultiMap(configs);
    job.printVector(lists);
    std::vector<std::string> expected = {
        Banner(),
        LogTail("TESSEL::printMultiMap", "DEBUG", "Starting printMultiMap"),
        LogTail("TESSEL::printMultiMap", "DEBUG", "Multi-map is EMPTY!!!"),
        Banner(),
        Banner(),
        LogTail("TESSEL::printVector", "DEBUG", "Starting printVector"),
        LogTail("TESSEL::printVector", "DEBUG", "Vector is EMPTY!!!"),
        Banner(),
    };
    EXPECT_EQ(expected, TailsOf({"*************", "TESSEL::printMultiMap", "TESSEL::printVector"}));
}

}  // namespace
