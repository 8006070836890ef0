// The records of the library live in blocks and share their texts; these
// tests hold the places where that could show: shared texts replaced or set,
// records freed singly, in any order and on other threads, after the list
// that held them is gone. The sanitizer build runs them with leak checks and
// catches any record or block given back too early.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <utility>
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

// Random work on instances against a model of what each should hold: new
// instances, properties added to old ones (whose blocks are long closed),
// values set and replaced by the caller, references to other instances,
// instances taken out of lists, and frees singly, by list and on a second
// thread. Texts repeat (a few names and values) and some are longer than a
// block keeps. BLOCK_POOL_STEPS sets the number of steps (default 20000).
class RandomWork {
  public:
    struct Prop {
        std::string name;
        std::string value;  // "" for none
        bool ours;          // the value text is one this test put in place
    };
    struct Model {
        CCIMInstance *inst;
        std::vector<Prop> props;
    };

    explicit RandomWork(unsigned seed) : random(seed) {}

    std::string text() {
        static const char *const kWords[] = {"", "0", "c0t0d0", "host01.example", "Vendor_Disk"};
        switch (random() % 4) {
            case 0:
                return kWords[random() % 5];
            case 1:
                return std::string(1 + random() % 1500, static_cast<char>('a' + random() % 26));
            default:
                return "id-" + std::to_string(random() % 50000);
        }
    }
    std::string name() { return "P" + std::to_string(random() % 8); }

    void add(Model &m, const std::string &n, const std::string &v) {
        CCIMProperty *p = cim_createProperty(n.c_str(), CIM_STRING, v.empty() ? nullptr : v.c_str(),
                                             nullptr, random() % 2);
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(cim_addProperty(m.inst, p), cim_true);
        m.props.push_back({n, v, false});
    }

    void step(std::vector<CCIMInstance *> &handOver) {
        int what = random() % 100;
        if (what < 30 || live.empty()) {
            Model m{cim_createInstance(text().c_str()), {}};
            ASSERT_NE(m.inst, nullptr);
            for (int i = random() % 6; i > 0; --i) {
                add(m, name(), text());
            }
            live.push_back(std::move(m));
            return;
        }
        Model &m = live[random() % live.size()];
        if (what < 45) {
            add(m, name(), text());
        } else if (what < 60 && !m.props.empty()) {
            std::size_t i = random() % m.props.size();
            std::string v = text();
            CCIMProperty *p = at(m, i);
            if (random() % 2) {
                ASSERT_EQ(cim_setPropertyValue(p, v.empty() ? nullptr : v.c_str()), cim_true);
                m.props[i].ours = false;
            } else {
                // A text of our own in place of the library's, which needs nothing
                // (ours, put there before, is ours to free).
                if (m.props[i].ours) {
                    std::free(p->mValue);
                }
                p->mValue = v.empty() ? nullptr : strdup(v.c_str());
                m.props[i].ours = true;
            }
            m.props[i].value = v;
        } else if (what < 70) {
            Model &target = live[random() % live.size()];
            CCIMProperty *ref = cim_createReferenceProperty("Ref", target.inst, cim_true);
            ASSERT_NE(ref, nullptr);
            EXPECT_EQ(keysOf(ref->mObjPath->mKeyProperties), keysOf(target.inst->mProperties));
            cim_freeProperty(ref);
        } else if (what < 85) {
            check(m);
            std::swap(m, live.back());
            if (random() % 3 == 0) {
                handOver.push_back(live.back().inst);
            } else {
                cim_freeInstance(live.back().inst);
            }
            live.pop_back();
        } else {
            // A list of some instances, every other one taken out before it goes.
            CCIMList *list = cim_createInstanceList();
            for (int i = random() % 8; i > 0 && !live.empty(); --i) {
                std::swap(live[random() % live.size()], live.back());
                check(live.back());
                list = cim_addInstance(list, live.back().inst);
                live.pop_back();
            }
            int k = 0;
            for (CCIMList *node = list; node != nullptr; node = node->mNext) {
                if (node->mDataObject != nullptr && k++ % 2 == 0) {
                    handOver.push_back(static_cast<CCIMInstance *>(node->mDataObject));
                    node->mDataObject = nullptr;
                }
            }
            cim_freeInstanceList(list);
        }
    }

    void checkAndFreeAll() {
        for (Model &m : live) {
            check(m);
            cim_freeInstance(m.inst);
        }
        live.clear();
    }

  private:
    static CCIMProperty *at(const Model &m, std::size_t i) {
        const CCIMList *node = m.inst->mProperties;
        for (; i > 0; --i) {
            node = node->mNext;
        }
        return static_cast<CCIMProperty *>(node->mDataObject);
    }
    // The name=value of every key property of `list`.
    static std::vector<std::string> keysOf(const CCIMList *list) {
        std::vector<std::string> keys;
        for (; list != nullptr; list = list->mNext) {
            const auto *p = static_cast<const CCIMProperty *>(list->mDataObject);
            if (p != nullptr && p->mKeyProperty) {
                keys.push_back(std::string(p->mName) + "=" + (p->mValue ? p->mValue : "(null)"));
            }
        }
        return keys;
    }
    static void check(const Model &m) {
        for (std::size_t i = 0; i < m.props.size(); ++i) {
            const CCIMProperty *p = at(m, i);
            ASSERT_STREQ(p->mName, m.props[i].name.c_str());
            ASSERT_EQ(std::string(p->mValue != nullptr ? p->mValue : ""), m.props[i].value);
        }
    }

    std::mt19937 random;
    std::vector<Model> live;
};

TEST(BlockPoolTest, RandomWorkKeepsEveryTextAndFreesEverything) {
    const char *steps = std::getenv("BLOCK_POOL_STEPS");
    const int n = steps != nullptr && std::atoi(steps) > 0 ? std::atoi(steps) : 20000;
    std::vector<CCIMInstance *> handOver;
    RandomWork work(4711);
    for (int i = 0; i < n && !::testing::Test::HasFatalFailure(); ++i) {
        work.step(handOver);
        if (handOver.size() >= 256 || i + 1 == n) {
            // Freed on another thread while this one goes on carving.
            std::vector<CCIMInstance *> batch;
            batch.swap(handOver);
            std::thread freer([batch] {
                for (CCIMInstance *inst : batch) {
                    cim_freeInstance(inst);
                }
            });
            for (int j = 0; j < 50 && !::testing::Test::HasFatalFailure(); ++j) {
                work.step(handOver);
            }
            freer.join();
        }
    }
    work.checkAndFreeAll();
    for (CCIMInstance *inst : handOver) {
        cim_freeInstance(inst);
    }
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
