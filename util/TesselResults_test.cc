#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tessel/Tessel.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMProperty;
using tessel::testing::LogTail;

// Owns an instance list handed out by a job.
struct ListHolder {
    explicit ListHolder(CCIMList *l) : list(l) {}
    ~ListHolder() { nmspc_cim::cim_freeInstanceList(list); }
    ListHolder(const ListHolder &) = delete;
    ListHolder &operator=(const ListHolder &) = delete;
    CCIMList *list;
};

// The named property of `inst`, or null.
CCIMProperty *Property(CCIMInstance *inst, const std::string &name) {
    for (CCIMList *node = inst->mProperties; node != nullptr; node = node->mNext) {
        CCIMProperty *p = static_cast<CCIMProperty *>(node->mDataObject);
        if (p != nullptr && name == p->mName) {
            return p;
        }
    }
    return nullptr;
}

std::string KeyOf(CCIMList *node) {
    CCIMProperty *p = Property(static_cast<CCIMInstance *>(node->mDataObject), "KeyDescription");
    return p != nullptr && p->mValue != nullptr ? p->mValue : "";
}

// The KeyDescription values of the instances of `list`, in order.
std::vector<std::string> Keys(CCIMList *list) {
    std::vector<std::string> keys;
    for (CCIMList *node = list; node != nullptr; node = node->mNext) {
        if (node->mDataObject != nullptr) {
            keys.push_back(KeyOf(node));
        }
    }
    return keys;
}

std::vector<std::string> DecodeStrings(const char *text) {
    int count = 0;
    char **values = nmspc_cim::cim_decodeStringArray(text, &count);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(values[i]);
    }
    nmspc_cim::cim_freeStringArray(values, count);
    return out;
}

class TesselResultsTest : public ::testing::Test {
  protected:
    void Store(const std::string &key) {
        ASSERT_EQ(0, job.storeResult(new Result(key, TESSEL_RESULT_BUNDLE)));
    }

    tessel::testing::ManualClock clock{1700000000L};
    Tessel job{"results-job"};
};

TEST_F(TesselResultsTest, StoreResultRefusesNull) {
    EXPECT_EQ(TESSEL_ERR_BAD_ARGUMENT, job.storeResult(nullptr));
}

TEST_F(TesselResultsTest, ConvertedListOrdersSeveritiesFailedFirst) {
    Store("S_1");
    Store("F_1");
    Store("X_1");
    Store("W_1");
    Store("I_1");
    Store("F_2");
    Store("UNKNOWN");
    Store("W_2");
    Store("S_2");
    Store("I_2");
    ListHolder converted(job.getCIMInstanceList());
    std::vector<std::string> expected = {"F_1", "F_2", "W_1", "W_2", "I_1",
                                         "I_2", "S_1", "S_2", "X_1", "UNKNOWN"};
    EXPECT_EQ(expected, Keys(converted.list));
}

TEST_F(TesselResultsTest, ConversionConsumesResultsAndHandsTheListOver) {
    Store("F_1");
    ListHolder first(job.getCIMInstanceList());
    EXPECT_EQ(std::vector<std::string>{"F_1"}, Keys(first.list));

    // Nothing new: the job holds no list any more.
    EXPECT_EQ(nullptr, job.getCIMInstanceList());

    // New results go to a new list; the one handed out is left alone.
    Store("W_2");
    ListHolder second(job.getCIMInstanceList());
    EXPECT_EQ(std::vector<std::string>{"W_2"}, Keys(second.list));
    EXPECT_EQ(std::vector<std::string>{"F_1"}, Keys(first.list));
}

TEST_F(TesselResultsTest, ConversionGoesInFrontOfInstancesAlreadyHeld) {
    CCIMInstance *held = nmspc_cim::cim_createInstance(TESSEL_RESULT_CLASS);
    nmspc_cim::cim_addProperty(
        held, nmspc_cim::cim_createProperty("KeyDescription", nmspc_cim::CIM_STRING, "HELD",
                                            nullptr, cim_true));
    ASSERT_EQ(0, job.addToCIMInstanceList(held));
    Store("W_1");
    Store("F_1");
    ListHolder converted(job.getCIMInstanceList());
    EXPECT_EQ((std::vector<std::string>{"F_1", "W_1", "HELD"}), Keys(converted.list));
}

TEST_F(TesselResultsTest, AddAfterHandOverStartsANewList) {
    ListHolder empty(job.getCIMInstanceList());
    ASSERT_NE(nullptr, empty.list);
    EXPECT_EQ(nullptr, empty.list->mDataObject);
    EXPECT_EQ(0, job.addToCIMInstanceList(nullptr));
    ASSERT_EQ(0, job.addToCIMInstanceList(nmspc_cim::cim_createInstance("Other")));
    ListHolder next(job.getCIMInstanceList());
    ASSERT_NE(nullptr, next.list);
    ASSERT_NE(nullptr, next.list->mDataObject);
    EXPECT_STREQ("Other", static_cast<CCIMInstance *>(next.list->mDataObject)->mClassName);
}

TEST_F(TesselResultsTest, LimitKeepsOneFewerAndHoldsTheRest) {
    for (int i = 1; i <= 5; ++i) {
        Store("F_" + std::to_string(i));
    }
    ListHolder first(job.getCIMInstanceList(3));
    EXPECT_EQ((std::vector<std::string>{"F_1", "F_2"}), Keys(first.list));

    ListHolder second(job.getCIMInstanceList(0));
    EXPECT_EQ(std::vector<std::string>{"F_3"}, Keys(second.list));

    ListHolder rest(job.getCIMInstanceList(10));
    EXPECT_EQ((std::vector<std::string>{"F_4", "F_5"}), Keys(rest.list));
    EXPECT_EQ(nullptr, job.getCIMInstanceList(10));
}

TEST_F(TesselResultsTest, LimitOnEmptyListGivesNullAndKeepsIt) {
    EXPECT_EQ(nullptr, job.getCIMInstanceList(5));
    ListHolder held(job.getCIMInstanceList());
    ASSERT_NE(nullptr, held.list);
    EXPECT_EQ(nullptr, held.list->mDataObject);
}

TEST_F(TesselResultsTest, HeldRemainderStillTakesAppends) {
    for (int i = 1; i <= 3; ++i) {
        Store("F_" + std::to_string(i));
    }
    ListHolder first(job.getCIMInstanceList(2));
    ASSERT_EQ(0, job.addToCIMInstanceList(nmspc_cim::cim_createInstance("Other")));
    ListHolder rest(job.getCIMInstanceList());
    std::vector<std::string> keys = Keys(rest.list);
    ASSERT_EQ(3u, keys.size());
    EXPECT_EQ("F_2", keys[0]);
    EXPECT_EQ("F_3", keys[1]);
    EXPECT_EQ(std::vector<std::string>{"F_1"}, Keys(first.list));
}

TEST_F(TesselResultsTest, InstanceCarriesEveryPropertyInOrder) {
    Result r("F_REPORT_CONV_FAILURE", TESSEL_RESULT_BUNDLE);
    r.addArg("disk0", "FailurePoint");
    r.addArg("c,1\\x", "Detail");
    CCIMInstance *inst = nullptr;
    ASSERT_EQ(0, job.makeCIMInstance(&r, &inst));
    ASSERT_NE(nullptr, inst);
    EXPECT_STREQ(TESSEL_RESULT_CLASS, inst->mClassName);

    const struct {
        const char *name;
        nmspc_cim::CIMType type;
        int key;
    } expected[] = {
        {"BundleName", nmspc_cim::CIM_STRING, 1},
        {"KeyDescription", nmspc_cim::CIM_STRING, 1},
        {"OtherSeverity", nmspc_cim::CIM_STRING, 0},
        {"ResultCreationTime", nmspc_cim::CIM_DATETIME, 0},
        {"Args", nmspc_cim::CIM_STRING_ARRAY, 0},
        {"ArgDescriptions", nmspc_cim::CIM_STRING_ARRAY, 0},
    };
    CCIMList *node = inst->mProperties;
    for (const auto &e : expected) {
        ASSERT_NE(nullptr, node) << e.name;
        CCIMProperty *p = static_cast<CCIMProperty *>(node->mDataObject);
        ASSERT_NE(nullptr, p);
        EXPECT_STREQ(e.name, p->mName);
        EXPECT_EQ(e.type, p->mType) << e.name;
        EXPECT_EQ(e.key, p->mKeyProperty) << e.name;
        node = node->mNext;
    }
    EXPECT_EQ(nullptr, node);

    EXPECT_STREQ(TESSEL_RESULT_BUNDLE, Property(inst, "BundleName")->mValue);
    EXPECT_STREQ("F_REPORT_CONV_FAILURE", Property(inst, "KeyDescription")->mValue);
    EXPECT_STREQ("failed", Property(inst, "OtherSeverity")->mValue);
    EXPECT_STREQ(nmspc_cim::cim_getDateStr(1700000000L),
                 Property(inst, "ResultCreationTime")->mValue);
    EXPECT_EQ((std::vector<std::string>{"disk0", "c,1\\x"}),
              DecodeStrings(Property(inst, "Args")->mValue));
    EXPECT_EQ((std::vector<std::string>{"FailurePoint", "Detail"}),
              DecodeStrings(Property(inst, "ArgDescriptions")->mValue));
    nmspc_cim::cim_freeInstance(inst);
}

TEST_F(TesselResultsTest, EmptyBundleAndKeyBecomeInvalidResult) {
    Result r("", "");
    CCIMInstance *inst = nullptr;
    ASSERT_EQ(0, job.makeCIMInstance(&r, &inst));
    EXPECT_STREQ("F_INVALID_RESULT", Property(inst, "BundleName")->mValue);
    EXPECT_STREQ("F_INVALID_RESULT", Property(inst, "KeyDescription")->mValue);
    EXPECT_STREQ("unknown", Property(inst, "OtherSeverity")->mValue);
    EXPECT_EQ(nullptr, Property(inst, "Args"));
    EXPECT_EQ(nullptr, Property(inst, "ArgDescriptions"));
    nmspc_cim::cim_freeInstance(inst);
}

TEST_F(TesselResultsTest, ZeroCreationTimeLeavesTheTimeOut) {
    clock.Set(0);
    Result r("I_X", TESSEL_RESULT_BUNDLE);
    CCIMInstance *inst = nullptr;
    ASSERT_EQ(0, job.makeCIMInstance(&r, &inst));
    EXPECT_EQ(nullptr, Property(inst, "ResultCreationTime"));
    EXPECT_NE(nullptr, Property(inst, "OtherSeverity"));
    nmspc_cim::cim_freeInstance(inst);
}

TEST_F(TesselResultsTest, MakeInstanceRefusesNullResult) {
    CCIMInstance *inst = nullptr;
    EXPECT_EQ(TESSEL_ERR_BAD_ARGUMENT, job.makeCIMInstance(nullptr, &inst));
    EXPECT_EQ(nullptr, inst);
}

TEST_F(TesselResultsTest, AddPropertyReportsFailures) {
    CCIMInstance *inst = nmspc_cim::cim_createInstance("C");
    EXPECT_EQ(0, job.addPropertyToCIMInstance(&inst, "P", nmspc_cim::CIM_UINT32, "7", cim_false));
    // An out-of-range type makes no property.
    EXPECT_EQ(TESSEL_ERR_CIM_OBJECT,
              job.addPropertyToCIMInstance(&inst, "Q", static_cast<nmspc_cim::CIMType>(99), "7",
                                           cim_false));
    CCIMInstance *none = nullptr;
    EXPECT_EQ(TESSEL_ERR_CIM_OBJECT,
              job.addPropertyToCIMInstance(&none, "P", nmspc_cim::CIM_STRING, "v", cim_false));
    ASSERT_NE(nullptr, Property(inst, "P"));
    EXPECT_EQ(nullptr, Property(inst, "Q"));
    nmspc_cim::cim_freeInstance(inst);
}

class TesselConfigTest : public ::testing::Test {
  protected:
    // A new property list with one string property per value.
    static CCIMList *Properties(const std::vector<std::string> &values) {
        CCIMList *list = nmspc_cim::cim_createPropertyList();
        for (const std::string &v : values) {
            list = nmspc_cim::cim_addPropertyToPropertyList(
                list, nmspc_cim::cim_createProperty("Name", nmspc_cim::CIM_STRING, v.c_str(),
                                                    nullptr, cim_false));
        }
        return list;
    }

    static std::vector<std::string> Values(CCIMList *list) {
        std::vector<std::string> values;
        for (CCIMList *node = list; node != nullptr; node = node->mNext) {
            if (node->mDataObject != nullptr) {
                values.push_back(static_cast<CCIMProperty *>(node->mDataObject)->mValue);
            }
        }
        return values;
    }

    Tessel job{"config-job"};
};

TEST_F(TesselConfigTest, SameNameAccumulatesInStoringOrderAsCopies) {
    CCIMList *first = Properties({"a", "b"});
    CCIMList *second = Properties({"c"});
    ASSERT_EQ(0, job.storeConfig("disks", first));
    ASSERT_EQ(0, job.storeConfig("disks", second));
    ASSERT_EQ(0, job.storeConfig("other", second));
    nmspc_cim::cim_freePropertyList(first);
    nmspc_cim::cim_freePropertyList(second);

    std::vector<CCIMList *> out;
    ASSERT_EQ(0, job.retrieveConfig("disks", out));
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Values(out[0]));
    EXPECT_EQ(std::vector<std::string>{"c"}, Values(out[1]));
}

TEST_F(TesselConfigTest, EmptyListIsStoredEmpty) {
    CCIMList *empty = Properties({});
    ASSERT_EQ(0, job.storeConfig("none", empty));
    nmspc_cim::cim_freePropertyList(empty);
    std::vector<CCIMList *> out;
    ASSERT_EQ(0, job.retrieveConfig("none", out));
    ASSERT_EQ(1u, out.size());
    EXPECT_TRUE(Values(out[0]).empty());
}

TEST_F(TesselConfigTest, BadArgumentsAndUnknownNames) {
    CCIMList *list = Properties({"a"});
    EXPECT_EQ(TESSEL_ERR_BAD_ARGUMENT, job.storeConfig("", list));
    EXPECT_EQ(TESSEL_ERR_BAD_ARGUMENT, job.storeConfig("x", nullptr));
    nmspc_cim::cim_freePropertyList(list);
    std::vector<CCIMList *> out;
    EXPECT_EQ(TESSEL_ERR_BAD_ARGUMENT, job.retrieveConfig("", out));
    EXPECT_EQ(TESSEL_ERR_NOT_FOUND, job.retrieveConfig("x", out));
    EXPECT_TRUE(out.empty());
}

TEST_F(TesselConfigTest, ScanDoneFlag) {
    EXPECT_FALSE(job.getIsScanDone());
    job.setIsScanDone(true);
    EXPECT_TRUE(job.getIsScanDone());
}

class TesselResultsLogTest : public tessel::testing::TesselLogTest {
  protected:
    Tessel job{"results-log-job"};
};

TEST_F(TesselResultsLogTest, ConversionLogsEmptyStoreAndBadResults) {
    Result r("", "");
    CCIMInstance *inst = nullptr;
    job.makeCIMInstance(&r, &inst);
    nmspc_cim::cim_freeInstance(inst);
    job.makeCIMInstance(nullptr, &inst);
    job.storeResult(nullptr);
    ListHolder list(job.getCIMInstanceList());
    EXPECT_EQ(nullptr, job.getCIMInstanceList(4));

    std::vector<std::string> expected = {
        LogTail("TESSEL::makeCIMInstance", "DEBUG", "Starting makeCIMInstance"),
        LogTail("TESSEL::makeCIMInstance", "ERR", "Unspecified bundle -- invalid result."),
        LogTail("TESSEL::makeCIMInstance", "ERR", "Unspecified key -- invalid result."),
        LogTail("TESSEL::makeCIMInstance", "DEBUG", "Starting makeCIMInstance"),
        LogTail("TESSEL::makeCIMInstance", "ERR", "Result object is NULL -- bad argument"),
        LogTail("TESSEL::storeResult", "DEBUG", "Starting storeResult"),
        LogTail("TESSEL::storeResult", "ERR", "Result object is NULL -- bad argument"),
        LogTail("TESSEL::getCIMInstanceList", "DEBUG", "Starting getCIMInstanceList"),
        LogTail("TESSEL::getCIMInstanceList", "DEBUG",
                "No Result instances to convert to\t\t\t\t\t\t\tCIM instances."),
        LogTail("TESSEL::getCIMInstanceList -- takes instanceLimit value", "DEBUG",
                "Starting getCIMInstanceList"),
        LogTail("TESSEL::getCIMInstanceList", "DEBUG", "Starting getCIMInstanceList"),
        LogTail("TESSEL::getCIMInstanceList", "DEBUG",
                "No Result instances to convert to\t\t\t\t\t\t\tCIM instances."),
    };
    EXPECT_EQ(expected, TailsOf({"TESSEL::makeCIMInstance", "TESSEL::storeResult",
                                 "TESSEL::getCIMInstanceList"}));
}

TEST_F(TesselResultsLogTest, StoredArgumentsAreLogged) {
    Result *r = new Result("W_X", TESSEL_RESULT_BUNDLE);
    r->addArg("disk0", "FailurePoint");
    job.storeResult(r);
    std::vector<std::string> expected = {
        LogTail("TESSEL::printResultArrays", "DEBUG", "ARG Array contents:"),
        LogTail("TESSEL::printResultArrays", "DEBUG", "disk0", 2),
        LogTail("TESSEL::printResultArrays", "DEBUG", "ARG_DESCRIPTOR Array contents:"),
        LogTail("TESSEL::printResultArrays", "DEBUG", "FailurePoint", 2),
    };
    EXPECT_EQ(expected, TailsOf({"TESSEL::printResultArrays"}));
}

TEST_F(TesselResultsLogTest, ConfigurationNotFoundIsInformation) {
    std::vector<CCIMList *> out;
    job.retrieveConfig("missing", out);
    job.retrieveConfig("", out);
    job.storeConfig("", nullptr);
    std::vector<std::string> expected = {
        LogTail("TESSEL::retrieveConfig", "DEBUG", "Starting retrieveConfig"),
        LogTail("TESSEL::retrieveConfig", "INFO", "No configuration is found for missing",
                std::string("No configuration is found for %s").size()),
        LogTail("TESSEL::retrieveConfig", "DEBUG", "Starting retrieveConfig"),
        LogTail("TESSEL::retrieveConfig", "ERR", "Configuration Name is NULL -- bad argument."),
        LogTail("TESSEL::storeConfig", "DEBUG", "Starting storeConfig"),
        LogTail("TESSEL::storeConfig", "ERR", "NULL pointer -- bad argument(s)"),
    };
    EXPECT_EQ(expected, TailsOf({"TESSEL::retrieveConfig", "TESSEL::storeConfig"}));
}

}  // namespace
