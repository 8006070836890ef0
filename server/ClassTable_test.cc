#include "server/ClassTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "server/testing/SampleReports.h"

namespace {

using namespace nmspc_cim;
using ulvar_server::ClassTable;

// The table must describe what the report makes, or GetClass, ResultClass
// and the subclass walks answer wrong: every class of the sample reports, and
// every property with its type and key flag, and every reference to a class
// that the property's reference class admits.
TEST(ClassTableTest, DescribesEveryInstanceOfTheSampleReports) {
    const ClassTable &table = ClassTable::schema();
    for (bool cluster : {false, true}) {
        CCIMList *report = ulvar_server::testing::reportOf(
            ulvar_server::testing::sampleDatabase(cluster), cluster);
        ASSERT_NE(report, nullptr);
        for (CCIMList *node = report; node != nullptr; node = node->mNext) {
            auto *instance = static_cast<CCIMInstance *>(node->mDataObject);
            int id = table.find(instance->mClassName);
            ASSERT_GE(id, 0) << instance->mClassName;
            for (CCIMList *p = instance->mProperties; p != nullptr; p = p->mNext) {
                auto *property = static_cast<CCIMProperty *>(p->mDataObject);
                const marshallClassProperty *declared = table.property(id, property->mName);
                ASSERT_NE(declared, nullptr) << instance->mClassName << "." << property->mName;
                EXPECT_EQ(declared->type, property->mType) << property->mName;
                EXPECT_EQ(declared->key != 0, property->mKeyProperty != 0) << property->mName;
                if (property->mType == CIM_REFERENCE) {
                    EXPECT_TRUE(table.isA(table.find(property->mObjPath->mName),
                                          table.find(declared->referenceClass)))
                        << instance->mClassName << "." << property->mName << " -> "
                        << property->mObjPath->mName;
                }
            }
        }
        cim_freeInstanceList(report);
    }
}

TEST(ClassTableTest, EveryNameItUsesIsOneOfItsClasses) {
    const ClassTable &table = ClassTable::schema();
    std::set<std::string> names;
    for (int id = 0; id < table.size(); ++id) {
        const ulvar_server::CimClass &c = table.at(id);
        EXPECT_TRUE(names.insert(c.name).second) << c.name << " twice";
        EXPECT_EQ(table.find(c.name), id);
        if (c.superClass != nullptr) {
            EXPECT_GE(table.find(c.superClass), 0) << c.name;
        }
        int references = 0;
        for (const marshallClassProperty &p : c.properties) {
            if (p.type == CIM_REFERENCE) {
                ++references;
                EXPECT_GE(table.find(p.referenceClass), 0) << c.name << "." << p.name;
            }
        }
        EXPECT_EQ(c.association, references >= 2) << c.name;
    }
}

TEST(ClassTableTest, SubclassesAreFoundAtAnyDepthOrOnlyDirectly) {
    const ClassTable &table = ClassTable::schema();
    auto names = [&table](int id, bool deep) {
        std::set<std::string> out;
        for (int c : table.subclasses(id, deep)) {
            out.insert(table.at(c).name);
        }
        return out;
    };
    std::set<std::string> devices = names(table.find("cim_logicaldevice"), true);
    for (const char *leaf : {"Kalora_RM_DiskDrive", "Kalora_RM_DiskPartition",
                             "Kalora_RM_StorageVolume", "CIM_StorageExtent"}) {
        EXPECT_EQ(devices.count(leaf), 1u) << leaf;
    }
    EXPECT_EQ(devices.count("CIM_LogicalDevice"), 0u);
    EXPECT_EQ(devices.count("Kalora_RM_UnixLocalFileSystem"), 0u);
    EXPECT_EQ(names(table.find("CIM_StorageExtent"), false),
              (std::set<std::string>{"CIM_MediaPartition", "CIM_StorageVolume"}));
    EXPECT_EQ(names(-1, false),
              (std::set<std::string>{"CIM_ManagedElement", "CIM_Dependency", "CIM_Component",
                                     "CIM_CollectedMSEs", "CIM_LogicalIdentity"}));
    EXPECT_EQ(static_cast<int>(table.subclasses(-1, true).size()), table.size());
    EXPECT_EQ(table.find("Kalora_RM_Unknown"), -1);
}

}  // namespace
