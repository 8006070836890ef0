// The records of the library live in blocks and share their texts; these
// tests hold the places where that could show: shared texts replaced or set,
// records freed singly, in any order and on other threads, after the list
// that held them is gone. The sanitizer build runs them with leak checks and
// catches any record or block given back too early.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "wbemkit/cim.h"

using namespace nmspc_cim;

namespace {

CCIMInstance *diskNamed(const std::string &id) {
    CCIMInstance *inst = cim_createInstance("Vendor_DiskDrive");
    cim_addProperty(inst, cim_createProperty("CreationClassName", CIM_STRING, "Vendor_DiskDrive",
                                             nullptr, cim_true));
    cim_addProperty(inst,
                    cim_createProperty("DeviceID", CIM_STRING, id.c_str(), nullptr, cim_true));
    cim_addProperty(inst, cim_createProperty("Name", CIM_STRING, id.c_str(), nullptr, cim_false));
    return inst;
}

CCIMProperty *property(const CCIMInstance *inst, int index) {
    const CCIMList *node = inst->mProperties;
    for (int i = 0; i < index; ++i) {
        node = node->mNext;
    }
    return static_cast<CCIMProperty *>(node->mDataObject);
}

// The value of property `index` of every instance of `instances`.
std::vector<std::string> values(const std::vector<CCIMInstance *> &instances, int index) {
    std::vector<std::string> out;
    for (const CCIMInstance *inst : instances) {
        out.push_back(property(inst, index)->mValue);
    }
    return out;
}

TEST(BlockPoolTest, ReplacingOrSettingASharedTextLeavesItsOtherHoldersAlone) {
    CCIMInstance *disk = diskNamed("c0t0d0");
    CCIMProperty *id = property(disk, 1);
    CCIMProperty *name = property(disk, 2);
    ASSERT_EQ(id->mValue, name->mValue) << "a repeated value is one text of the block";

    id->mValue = strdup("replaced");  // the caller's own, freed with the instance
    EXPECT_STREQ(name->mValue, "c0t0d0");
    ASSERT_EQ(cim_setPropertyValue(name, "set"), cim_true);
    ASSERT_EQ(cim_setPropertyValue(id, nullptr), cim_true);  // releases "replaced"
    EXPECT_EQ(id->mValue, nullptr);
    EXPECT_STREQ(name->mValue, "set");
    EXPECT_STREQ(property(disk, 0)->mValue, "Vendor_DiskDrive");
    EXPECT_EQ(cim_setPropertyValue(nullptr, "x"), cim_false);

    std::string longText(5000, 'x');  // longer than a block keeps
    ASSERT_EQ(cim_setPropertyValue(name, longText.c_str()), cim_true);
    EXPECT_EQ(name->mValue, longText);
    cim_freeInstance(disk);
}

TEST(BlockPoolTest, InstancesTakenFromAListOutliveIt) {
    // Enough instances for many blocks; every third one is taken out of the
    // list before the list is freed, and freed singly afterwards.
    CCIMList *list = cim_createInstanceList();
    for (int i = 0; i < 3000; ++i) {
        list = cim_addInstance(list, diskNamed("disk-" + std::to_string(i)));
    }
    std::vector<CCIMInstance *> kept;
    std::vector<std::string> keptIds;
    int i = 0;
    for (CCIMList *node = list; node != nullptr; node = node->mNext, ++i) {
        if (i % 3 == 0) {
            kept.push_back(static_cast<CCIMInstance *>(node->mDataObject));
            keptIds.push_back("disk-" + std::to_string(i));
            node->mDataObject = nullptr;  // the list no longer owns it
        }
    }
    cim_freeInstanceList(list);
    EXPECT_EQ(values(kept, 1), keptIds);
    EXPECT_EQ(values(kept, 2), keptIds);
    // Freed backwards, and a path made from the first after the others are gone.
    for (std::size_t k = kept.size() - 1; k > 0; --k) {
        cim_freeInstance(kept[k]);
    }
    CCIMObjectPath *path = cim_createObjectPath(kept[0]);
    cim_freeInstance(kept[0]);
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(static_cast<CCIMProperty *>(path->mKeyProperties->mNext->mDataObject)->mValue,
                 "disk-0");
    cim_freeObjectPath(path);
}

TEST(BlockPoolTest, RecordsMadeOnOneThreadAreFreedOnAnother) {
    // The maker ends before its records are freed, and a second thread frees
    // them while the first's blocks are still some other thread's concern.
    std::vector<CCIMInstance *> made;
    std::thread maker([&made] {
        for (int i = 0; i < 2000; ++i) {
            made.push_back(diskNamed("d" + std::to_string(i)));
        }
    });
    maker.join();
    std::vector<CCIMInstance *> firstHalf(made.begin(), made.begin() + 1000);
    std::thread freer([&firstHalf] {
        for (CCIMInstance *inst : firstHalf) {
            cim_freeInstance(inst);
        }
    });
    for (std::size_t i = 1000; i < made.size(); ++i) {
        EXPECT_STREQ(property(made[i], 2)->mValue, ("d" + std::to_string(i)).c_str());
        cim_freeInstance(made[i]);
    }
    freer.join();
}

#if defined(__SANITIZE_ADDRESS__)
TEST(BlockPoolDeathTest, UseOfAFreedRecordIsCaught) {
    EXPECT_DEATH(
        {
            CCIMInstance *kept = diskNamed("kept");  // keeps the block alive
            CCIMInstance *gone = diskNamed("gone");
            cim_freeInstance(gone);
            volatile const char *name = gone->mClassName;
            (void)name;
            cim_freeInstance(kept);
        },
        "use-after-poison");
}
#endif

}  // namespace
