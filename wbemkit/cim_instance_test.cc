#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wbemkit/cim.h"

using namespace nmspc_cim;

namespace {

CCIMProperty *propertyAt(const CCIMList *list, size_t index) {
    for (size_t i = 0; list != nullptr; list = list->mNext) {
        if (list->mDataObject != nullptr && i++ == index) {
            return static_cast<CCIMProperty *>(list->mDataObject);
        }
    }
    return nullptr;
}

std::vector<std::string> propertyNames(const CCIMList *list) {
    std::vector<std::string> names;
    for (; list != nullptr; list = list->mNext) {
        if (list->mDataObject != nullptr) {
            names.push_back(static_cast<CCIMProperty *>(list->mDataObject)->mName);
        }
    }
    return names;
}

class CimInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        disk = cim_createInstance("Disk", "test");
        ASSERT_NE(disk, nullptr);
        add(disk, "DeviceID", CIM_STRING, "c0t0d0", cim_true);
        add(disk, "Size", CIM_UINT64, "1024", cim_false);
        add(disk, "SystemName", CIM_STRING, "host", cim_true);
    }
    void TearDown() override { cim_freeInstance(disk); }

    static void add(CCIMInstance *inst, const char *name, CIMType type, const char *value,
                    CIMBool isKey) {
        CCIMProperty *prop = cim_createProperty(name, type, value, nullptr, isKey);
        ASSERT_NE(prop, nullptr);
        ASSERT_EQ(cim_addProperty(inst, prop), cim_true);
    }

    CCIMInstance *disk = nullptr;
};

TEST_F(CimInstanceTest, PropertiesKeepCopiesInAddingOrder) {
    std::string value = "c0t0d0";
    CCIMProperty *prop = cim_createProperty("Name", CIM_STRING, value.c_str(), nullptr, 5);
    ASSERT_NE(prop, nullptr);
    value[0] = 'X';
    EXPECT_STREQ(prop->mValue, "c0t0d0");
    EXPECT_EQ(prop->mKeyProperty, cim_true);
    EXPECT_EQ(prop->mType, CIM_STRING);
    EXPECT_EQ(prop->mObjPath, nullptr);
    EXPECT_EQ(prop->mInstance, nullptr);
    cim_freeProperty(prop);

    EXPECT_EQ(propertyNames(disk->mProperties),
              (std::vector<std::string>{"DeviceID", "Size", "SystemName"}));
}

TEST_F(CimInstanceTest, ObjectPathCopiesKeysInOrderWithDefaultNamespace) {
    CCIMObjectPath *path = cim_createObjectPath(disk);
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(path->mName, "Disk");
    EXPECT_STREQ(path->mNameSpace, "root/cimv2");
    EXPECT_EQ(propertyNames(path->mKeyProperties),
              (std::vector<std::string>{"DeviceID", "SystemName"}));
    CCIMProperty *key = propertyAt(path->mKeyProperties, 0);
    EXPECT_NE(key, propertyAt(disk->mProperties, 0));
    EXPECT_STREQ(key->mValue, "c0t0d0");
    cim_freeObjectPath(path);
    // The instance's own properties are untouched by freeing the path.
    EXPECT_STREQ(propertyAt(disk->mProperties, 0)->mValue, "c0t0d0");
}

TEST_F(CimInstanceTest, ObjectPathOfKeylessInstanceHasEmptyKeyList) {
    CCIMInstance *bare = cim_createInstance("Bare");
    CCIMObjectPath *path = cim_createObjectPath(bare);
    ASSERT_NE(path, nullptr);
    ASSERT_NE(path->mKeyProperties, nullptr);
    EXPECT_EQ(path->mKeyProperties->mDataObject, nullptr);
    cim_freeObjectPath(path);
    cim_freeInstance(bare);
}

// The instance builder makes a reference property from a path and frees the
// path at once; the property must not share anything with it.
TEST_F(CimInstanceTest, ReferencePropertyOutlivesThePathItWasMadeFrom) {
    CCIMObjectPath *path = cim_createObjectPath(disk);
    CCIMProperty *ref = cim_createProperty("Antecedent", CIM_REFERENCE, nullptr, path, cim_true);
    cim_freeObjectPath(path);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->mValue, nullptr);
    ASSERT_NE(ref->mObjPath, nullptr);
    EXPECT_STREQ(ref->mObjPath->mName, "Disk");
    EXPECT_STREQ(ref->mObjPath->mNameSpace, "root/cimv2");
    EXPECT_STREQ(propertyAt(ref->mObjPath->mKeyProperties, 1)->mValue, "host");
    cim_freeProperty(ref);
}

// The same property in one step, and the same failures as the two steps.
TEST_F(CimInstanceTest, ReferencePropertyInOneStepEqualsTheTwoSteps) {
    CCIMObjectPath *path = cim_createObjectPath(disk);
    CCIMProperty *twoSteps =
        cim_createProperty("Dependent", CIM_REFERENCE, nullptr, path, cim_false);
    cim_freeObjectPath(path);
    CCIMProperty *oneStep = cim_createReferenceProperty("Dependent", disk, cim_false);
    ASSERT_NE(oneStep, nullptr);
    for (CCIMProperty *p : {twoSteps, oneStep}) {
        EXPECT_STREQ(p->mName, "Dependent");
        EXPECT_EQ(p->mType, CIM_REFERENCE);
        EXPECT_EQ(p->mValue, nullptr);
        EXPECT_EQ(p->mKeyProperty, cim_false);
        EXPECT_STREQ(p->mObjPath->mName, "Disk");
        EXPECT_STREQ(p->mObjPath->mNameSpace, "root/cimv2");
        EXPECT_EQ(propertyNames(p->mObjPath->mKeyProperties),
                  (std::vector<std::string>{"DeviceID", "SystemName"}));
        EXPECT_STREQ(propertyAt(p->mObjPath->mKeyProperties, 0)->mValue, "c0t0d0");
    }
    cim_freeProperty(twoSteps);
    cim_freeProperty(oneStep);

    EXPECT_EQ(cim_createReferenceProperty("R", nullptr, cim_true), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_NO_INSTANCE);
    CCIMInstance nameless{nullptr, nullptr};
    EXPECT_EQ(cim_createReferenceProperty("R", &nameless, cim_true), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(cim_createReferenceProperty(nullptr, disk, cim_true), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
}

TEST_F(CimInstanceTest, CopyPropertyIsDeepIncludingPathAndEmbeddedInstance) {
    CCIMObjectPath *path = cim_createObjectPath(disk);
    CCIMProperty *ref = cim_createProperty("Dependent", CIM_REFERENCE, nullptr, path, cim_false);
    cim_freeObjectPath(path);
    CCIMProperty *embedded = cim_createProperty("Inner", CIM_INSTANCE, nullptr, nullptr, cim_false);
    embedded->mInstance = cim_createInstance("Inner");
    add(embedded->mInstance, "Ref", CIM_REFERENCE, nullptr, cim_false);

    CCIMProperty *refCopy = cim_copyProperty(ref);
    CCIMProperty *embeddedCopy = cim_copyProperty(embedded);
    cim_freeProperty(ref);
    cim_freeProperty(embedded);

    ASSERT_NE(refCopy, nullptr);
    EXPECT_STREQ(refCopy->mName, "Dependent");
    EXPECT_EQ(refCopy->mType, CIM_REFERENCE);
    EXPECT_EQ(propertyNames(refCopy->mObjPath->mKeyProperties),
              (std::vector<std::string>{"DeviceID", "SystemName"}));
    ASSERT_NE(embeddedCopy, nullptr);
    ASSERT_NE(embeddedCopy->mInstance, nullptr);
    EXPECT_STREQ(embeddedCopy->mInstance->mClassName, "Inner");
    EXPECT_EQ(propertyNames(embeddedCopy->mInstance->mProperties),
              (std::vector<std::string>{"Ref"}));
    cim_freeProperty(refCopy);
    cim_freeProperty(embeddedCopy);
}

// A caller may put texts of its own in a record's place; the library's need
// nothing, and the free functions release the caller's (the leak checker of
// the sanitizer build holds them to it).
TEST_F(CimInstanceTest, ValueTextsMayBeReplacedWithMallocedTexts) {
    CCIMProperty *key = propertyAt(disk->mProperties, 0);
    key->mValue = strdup("0");
    CCIMProperty *size = propertyAt(disk->mProperties, 1);
    size->mValue = nullptr;
    CCIMObjectPath *path = cim_createObjectPath(disk);
    EXPECT_STREQ(propertyAt(path->mKeyProperties, 0)->mValue, "0");
    cim_freeObjectPath(path);
}

TEST_F(CimInstanceTest, HundredThousandPropertiesOnOneInstance) {
    CCIMInstance *big = cim_createInstance("Big");
    for (int i = 0; i < 100000; ++i) {
        CCIMProperty *prop = cim_createProperty("P", CIM_UINT32, "7", nullptr, i % 1000 == 0);
        ASSERT_EQ(cim_addProperty(big, prop), cim_true);
    }
    CCIMObjectPath *path = cim_createObjectPath(big);
    size_t keys = 0;
    for (CCIMList *node = path->mKeyProperties; node != nullptr; node = node->mNext) {
        keys += node->mDataObject != nullptr;
    }
    EXPECT_EQ(keys, 100u);
    cim_freeObjectPath(path);
    cim_freeInstance(big);
}

TEST_F(CimInstanceTest, AddPropertyMakesAMissingPropertyList) {
    CCIMInstance *inst = cim_createInstance("X");
    cim_freePropertyList(inst->mProperties);
    inst->mProperties = nullptr;
    add(inst, "A", CIM_STRING, "a", cim_false);
    EXPECT_EQ(propertyNames(inst->mProperties), (std::vector<std::string>{"A"}));
    cim_freeInstance(inst);
}

TEST_F(CimInstanceTest, BadArgumentsFailWithTheirCodes) {
    EXPECT_EQ(cim_createInstance(nullptr, nullptr), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(cim_createProperty(nullptr, CIM_STRING, "v", nullptr, cim_false), nullptr);
    EXPECT_EQ(cim_createProperty("N", static_cast<CIMType>(30), "v", nullptr, cim_false), nullptr);
    EXPECT_EQ(cim_createProperty("N", static_cast<CIMType>(-1), "v", nullptr, cim_false), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(cim_copyProperty(nullptr), nullptr);

    CCIMProperty *prop = cim_createProperty("N", CIM_STRING, nullptr, nullptr, cim_false);
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(prop->mValue, nullptr);
    EXPECT_EQ(cim_addProperty(nullptr, prop), cim_false);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_NO_INSTANCE);
    EXPECT_EQ(cim_addProperty(disk, nullptr), cim_false);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    cim_freeProperty(prop);  // still the caller's after the failed add

    CCIMInstance nameless{nullptr, nullptr};
    EXPECT_EQ(cim_createObjectPath(&nameless), nullptr);
    EXPECT_EQ(cim_createObjectPath(nullptr), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_NO_INSTANCE);

    cim_freeInstance(nullptr);
    cim_freeProperty(nullptr);
    cim_freeObjectPath(nullptr);
}

}  // namespace
