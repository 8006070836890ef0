#include "server/ReportIndex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace nmspc_cim;
using ulvar_server::InstanceName;
using ulvar_server::KeyBinding;
using ulvar_server::ReportIndex;

CCIMInstance *disk(const char *className, const char *id) {
    CCIMInstance *instance = cim_createInstance(className, "test");
    cim_addProperty(instance, cim_createProperty("DeviceID", CIM_STRING, id, nullptr, cim_true));
    cim_addProperty(instance, cim_createProperty("Name", CIM_STRING, "n", nullptr, cim_false));
    return instance;
}

// An association from disk `from` to disk `to` (both of class Kalora_RM_DiskDrive).
CCIMInstance *basedOn(const char *from, const char *to) {
    CCIMInstance *association = cim_createInstance("CIM_BasedOn", "test");
    for (auto end : {std::make_pair("Antecedent", from), std::make_pair("Dependent", to)}) {
        CCIMInstance *named = disk("Kalora_RM_DiskDrive", end.second);
        CCIMObjectPath *path = cim_createObjectPath(named);
        cim_addProperty(association,
                        cim_createProperty(end.first, CIM_REFERENCE, nullptr, path, cim_true));
        cim_freeObjectPath(path);
        cim_freeInstance(named);
    }
    return association;
}

TEST(ReportIndexTest, NamesMatchByClassAndKeysInAnyCaseOrOrder) {
    CCIMList *list = cim_createInstanceList();
    list = cim_addInstance(list, disk("Kalora_RM_DiskDrive", "a"));
    list = cim_addInstance(list, disk("KALORA_RM_DISKDRIVE", "a"));  // the same name
    list = cim_addInstance(list, disk("Kalora_RM_DiskDrive", "A"));  // values keep their case
    list = cim_addInstance(list, disk("Kalora_RM_Unknown", "a"));
    std::string why;
    std::unique_ptr<ReportIndex> index = ReportIndex::build({list}, &why);
    ASSERT_TRUE(index) << why;
    EXPECT_EQ(index->size(), 3u);
    EXPECT_EQ(index->duplicates(), 1u);
    EXPECT_EQ(index->classOf(2), -1);
    EXPECT_EQ(index->ofClass(ulvar_server::ClassTable::schema().find("Kalora_RM_DiskDrive")).size(),
              2u);

    InstanceName name{"kalora_rm_diskdrive", {{"deviceid", "A", nullptr}}};
    EXPECT_EQ(index->find(name), 1u);
    name.keys.push_back({"Name", "n", nullptr});  // a property that is no key
    EXPECT_EQ(index->find(name), ReportIndex::kNone);
    EXPECT_EQ(index->find({"Kalora_RM_DiskDrive", {}}), ReportIndex::kNone);
}

TEST(ReportIndexTest, ReferencesLinkBothEndsAndThoseThatNameNothingAreCounted) {
    CCIMList *list = cim_createInstanceList();
    list = cim_addInstance(list, disk("Kalora_RM_DiskDrive", "a"));
    list = cim_addInstance(list, disk("Kalora_RM_DiskDrive", "b"));
    list = cim_addInstance(list, basedOn("a", "b"));
    list = cim_addInstance(list, basedOn("b", "gone"));
    std::string why;
    std::unique_ptr<ReportIndex> index = ReportIndex::build({list}, &why);
    ASSERT_TRUE(index) << why;
    EXPECT_EQ(index->danglingReferences(), 1u);
    ASSERT_EQ(index->referrers(0).size(), 1u);
    EXPECT_EQ(index->referrers(0)[0].instance, 2u);
    EXPECT_STREQ(index->property(2, index->referrers(0)[0].property)->mName, "Antecedent");
    EXPECT_EQ(index->referrers(1).size(), 2u);
    ASSERT_EQ(index->references(3).size(), 1u);
    EXPECT_EQ(index->references(3)[0].instance, 1u);

    // A client names an association by the class and keys of its ends.
    auto end = [](const char *id) {
        return std::make_shared<InstanceName>(
            InstanceName{"Kalora_RM_DiskDrive", {{"DeviceID", id, nullptr}}});
    };
    InstanceName association{"CIM_BasedOn",
                             {{"Dependent", "", end("b")}, {"Antecedent", "", end("a")}}};
    EXPECT_EQ(index->find(association), 2u);
    EXPECT_GT(index->bytes(), 0u);
}

}  // namespace
