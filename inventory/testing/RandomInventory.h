// Random scans as a scanner hands them over: one batch of record text per
// kind, in the order a scanner sends them, sometimes followed by a rescan of a
// kind or two. Every record is well formed, but the Ids come from small pools,
// so that records repeat (the merge road) and references repeat, dangle (name
// nothing the scan holds) and loop: a volume may list itself, or a volume that
// lists it, among its sub-volumes, and may say it is a sub-volume ("HierType"
// 4) that no volume lists. Local identities ("LId") stand in for Ids in
// references. Half the scans are tidy, as a sound scan is: their disks have
// names and signatures, a computer is always there, and chunks, file systems,
// mount points, shares and volume groups name only what the scan sent, so that
// their reports get past the error records; their volume lists loop all the
// same. The same seed gives the same scan.
#ifndef INVENTORY_TESTING_RANDOMINVENTORY_H
#define INVENTORY_TESTING_RANDOMINVENTORY_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "inventory/model/SrmResource.h"
#include "inventory/persist/SrmBatches.h"
#include "inventory/testing/RandomValues.h"

namespace ulvar {
namespace testing {

class RandomInventory : private RandomValues {
  public:
    struct Batch {
        SrmResourceType kind;
        std::string text;
    };

    explicit RandomInventory(uint32_t seed) : RandomValues(seed) {}

    // Computers, volume managers, disks, chunks, volumes, volume groups, file
    // systems, mount points, shares and aliases (a batch may be empty), then
    // up to two kinds scanned again.
    std::vector<Batch> scan() {
        tidy = chance(50);
        sent.clear();
        std::vector<Batch> batches;
        for (const SrmBatch &b : kSrmBatches) {
            batches.push_back({b.kind, batchOf(b.kind)});
        }
        constexpr int kinds = kSrmBatchCount;
        for (int n = chance(30) ? upTo(1) + 1 : 0; n > 0; --n) {
            SrmResourceType kind = kSrmBatches[upTo(kinds - 1)].kind;
            batches.push_back({kind, batchOf(kind)});
        }
        return batches;
    }

  private:
    // A record of elements "key=value", added in order.
    class Record {
      public:
        Record(const char *type, const std::string &id) { add("Type", type).add("Id", id); }
        Record &add(const char *key, const std::string &value) {
            text += std::string("\"") + key + "=" + value + "\",";
            return *this;
        }
        Record &add(const char *key, long value) { return add(key, std::to_string(value)); }
        std::string end() const { return text + ";\n"; }

      private:
        std::string text;
    };

    // A member of a pool by its Id ("v3"), or by the local identity it takes
    // ("lv3").
    std::string member(const char *prefix, int poolSize) {
        return prefix + std::to_string(upTo(poolSize - 1));
    }
    // A reference to a member of a pool: its Id, its local identity, a name
    // nothing has, or nothing at all.
    std::string refTo(const char *prefix, const char *localPrefix, int poolSize) {
        int roll = upTo(99);
        if (roll < 60) {
            return member(prefix, poolSize);
        }
        if (roll < 80) {
            return member(localPrefix, poolSize);
        }
        return roll < 95 ? "x" + std::to_string(upTo(3)) : std::string();
    }
    // A reference by Id to a resource of `type` the scan sent, when it is
    // tidy (none when it sent none); otherwise `untidy`.
    std::string sentOr(const char *type, const std::string &untidy) {
        if (!tidy) {
            return untidy;
        }
        const std::string *id = pick(sent[type]);
        return id != nullptr ? *id : std::string();
    }
    // A record of a member of a pool, sometimes with its local identity (its
    // own, so that one never stands for two Ids) and a state word.
    Record pooled(const char *type, const char *prefix, const char *localPrefix, int poolSize) {
        const std::string n = std::to_string(upTo(poolSize - 1));
        sent[type].push_back(prefix + n);
        Record r(type, prefix + n);
        if (chance(60)) {
            r.add("LId", localPrefix + n);
        }
        if (chance(40)) {
            static const long kStates[] = {0, 4, 8, 12, 13};
            r.add("State", kStates[upTo(4)]);
        }
        return r;
    }
    // Up to `most` Ids of a pool's members, now and then a name nothing has;
    // in a tidy scan, of resources of `type` it sent, when `type` is given.
    std::vector<std::string> someOf(const char *prefix, int poolSize, int most,
                                    const char *type = nullptr) {
        std::vector<std::string> ids;
        for (int n = upTo(most); n > 0; --n) {
            std::string id = chance(90) ? member(prefix, poolSize) : "x" + std::to_string(upTo(3));
            id = type != nullptr ? sentOr(type, id) : id;
            if (!id.empty()) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    // `r` with the counts of its two member lists, followed by a record
    // "Type=<type>","Id=<id>" per member.
    std::string withMembers(Record r, const char *countKey, const char *type,
                            const std::vector<std::string> &ids, const char *countKey2,
                            const char *type2, const std::vector<std::string> &ids2) {
        std::string out = r.add(countKey, static_cast<long>(ids.size()))
                              .add(countKey2, static_cast<long>(ids2.size()))
                              .end();
        for (const std::string &id : ids) {
            out += Record(type, id).end();
        }
        for (const std::string &id : ids2) {
            out += Record(type2, id).end();
        }
        return out;
    }

    std::string batchOf(SrmResourceType kind) {
        std::string out;
        int n = upTo(kind == SRM_RES_VOLUME ? 8 : 4);
        bool needed = kind == SRM_RES_COMPUTER || kind == SRM_RES_VOLUMEMANAGER;
        for (n = tidy && needed ? n + 1 : n; n > 0; --n) {
            out += recordOf(kind);
        }
        return out;
    }

    std::string recordOf(SrmResourceType kind) {
        switch (kind) {
            case SRM_RES_COMPUTER: {
                const std::string n = chance(80) ? "0" : "1";
                return Record("System", "h" + n)
                    .add("HostName", "h" + n + ".example.net")
                    .add("IPAddr", "192.0.2." + n)
                    .add("LLTId", upTo(3))
                    .add("TIM", n == "0" ? 1 : 0)
                    .end();
            }
            case SRM_RES_VOLUMEMANAGER: {
                // Named by its number, which is what volumes and groups refer to.
                const std::string n = std::to_string(upTo(1) + 1);
                sent["VolumeManager"].push_back(n);
                return Record("VolumeManager", n)
                    .add("IdType", n)
                    .add("VolumeMgrName", text())
                    .end();
            }
            case SRM_RES_DISK: {
                // Without a name or a signature, resolution takes it out of
                // the report and files an error record.
                Record r = pooled("Disk", "d", "sd", kDisks);
                if (tidy || chance(85)) {
                    r.add("Name", text(4));
                }
                if (tidy || chance(85)) {
                    r.add("Sign", upTo(9999));
                }
                return r.add("CapacityKB", size()).end();
            }
            case SRM_RES_DISKCHUNK:
                return pooled("DiskChunk", "c", "p", kChunks)
                    .add("Disk", sentOr("Disk", refTo("d", "sd", kDisks)))
                    .add("Start", size())
                    .add("Length", size())
                    .end();
            case SRM_RES_VOLUME: {
                Record r = pooled("Volume", "v", "lv", kVolumes);
                r.add("Name", text(6)).add("CapacityKB", size());
                if (chance(70)) {
                    static const long kHierTypes[] = {0, 1, 4};
                    r.add("HierType", kHierTypes[upTo(2)]);
                }
                if (chance(70)) {
                    r.add("VolumeManager", sentOr("VolumeManager", std::to_string(upTo(2) + 1)));
                }
                // Sub-volumes from the same pool, this volume included.
                return withMembers(
                    r, "DiskChunkCount", "DiskChunk", someOf("c", kChunks, 2, "DiskChunk"),
                    "SubVolumeCount", "Volume",
                    chance(50) ? someOf("v", kVolumes, 3) : std::vector<std::string>());
            }
            case SRM_RES_VOLUMEGROUP:
                return withMembers(
                    pooled("VolumeGroup", "g", "vg", 2)
                        .add("Name", text(6))
                        .add("VolumeManager", sentOr("VolumeManager", std::to_string(upTo(2) + 1))),
                    "DiskCount", "Disk", someOf("d", kDisks, 3, "Disk"), "VolumeCount", "Volume",
                    someOf("v", kVolumes, 3));
            case SRM_RES_FILESYSTEM:
                return pooled("FileSystem", "f", "fs", 4)
                    .add("Volume", sentOr("Volume", refTo("v", "lv", kVolumes)))
                    .add("FSType", text(4))
                    .add("CapacityKB", size())
                    .end();
            case SRM_RES_MOUNTPOINT:
                return pooled("MountPoint", "m", "mp", 4)
                    .add("VolumeId", sentOr("Volume", refTo("v", "lv", kVolumes)))
                    .add("MountLocation", sentOr("FileSystem", member("f", 4)))
                    .end();
            case SRM_RES_SHARE:
                return pooled("Share", "s", "sh", 4)
                    .add("VolumeId", sentOr("Volume", refTo("v", "lv", kVolumes)))
                    .add("ShareFsType", upTo(1))
                    .end();
            default: {
                static const char *const kTypes[] = {"Disk", "Volume", "System", "HostName"};
                return Record("Id", member("a", 4))
                    .add("PrimaryId", refTo("d", "sd", kDisks))
                    .add("SecondaryId", text())
                    .add("IdType", kTypes[upTo(3)])
                    .end();
            }
        }
    }

    bool tidy = false;
    std::map<std::string, std::vector<std::string>> sent;  // Ids by "Type" word
    static constexpr int kDisks = 5;
    static constexpr int kChunks = 6;
    static constexpr int kVolumes = 7;
};

}  // namespace testing
}  // namespace ulvar

#endif
