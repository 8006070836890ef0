#include "bench/InventoryGenerator.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "inventory/kinds/SrmResourceFields.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/SrmRecordKeys.h"

namespace {

constexpr long kDisksPerGroup = 16;
constexpr long kLeavesPerParent = 8;  // the first two of every eight get a parent
constexpr long kDuplicateEvery = 10;
constexpr long kGroupsPerChain = 4;
constexpr const char *kManagerNumber = "1";

// Sizes and serial numbers vary by disk, the same way on every run.
uint32_t mix(long i) {
    uint32_t x = static_cast<uint32_t>(i) * 2654435761u;
    x ^= x >> 16;
    return x * 2246822519u;
}

// Collects records into batches of one kind and hands each full batch on.
class BatchBuilder {
  public:
    BatchBuilder(SrmResourceType kind, int perBatch, const InventoryGenerator::Sink &sink)
        : kind(kind), perBatch(perBatch < 1 ? 1 : perBatch), sink(sink) {}
    ~BatchBuilder() { flush(); }
    BatchBuilder(const BatchBuilder &) = delete;
    BatchBuilder &operator=(const BatchBuilder &) = delete;

    // Adds `record`'s text with its ending. A batch ends only before a
    // resource's own record: the member records that follow a container must
    // reach the same reader.
    void commit(const SrmRecordBuilder &record) {
        if (records == perBatch) {
            flush();
        }
        append(record);
        ++records;
    }
    // Adds a member record of the container committed last.
    void commitMember(const SrmRecordBuilder &record) { append(record); }

  private:
    void append(const SrmRecordBuilder &record) {
        record.format(pending);
        batch += pending;
        batch += ";\n";
    }
    void flush() {
        if (records > 0) {
            sink(kind, batch);
        }
        batch.clear();
        records = 0;
    }

    SrmResourceType kind;
    int perBatch;
    const InventoryGenerator::Sink &sink;
    std::string pending;
    std::string batch;
    int records = 0;
};

std::string numbered(const char *prefix, long i) {
    return prefix + std::to_string(i);
}

}  // namespace

long InventoryCounts::of(SrmResourceType t) const {
    switch (t) {
        case SRM_RES_COMPUTER:
            return computers;
        case SRM_RES_DISK:
            return disks;
        case SRM_RES_VOLUME:
            return volumes;
        case SRM_RES_FILESYSTEM:
            return fileSystems;
        case SRM_RES_MOUNTPOINT:
            return mountPoints;
        case SRM_RES_VIRTUALSERVER:
            return virtualServers;
        case SRM_RES_VOLUMEGROUP:
            return volumeGroups;
        case SRM_RES_VOLUMEMANAGER:
            return volumeManagers;
        case SRM_RES_DISKCHUNK:
            return chunks;
        case SRM_RES_SHARE:
            return shares;
        case SRM_RES_ID:
            return aliases;
        default:
            return 0;
    }
}

long InventoryCounts::resources() const {
    return computers + volumeManagers + disks + chunks + volumes + volumeGroups + fileSystems +
           mountPoints + shares + aliases + virtualServers;
}

InventoryGenerator::InventoryGenerator(const InventoryShape &shape) : layout(shape) {
    if (layout.disks < 1) {
        layout.disks = 1;
    }
    if (layout.nodes < 1) {
        layout.nodes = 1;
    }
    const long n = layout.disks;
    long parents = n >= 2 ? (n - 2) / kLeavesPerParent + 1 : 0;
    long top = n - parents;
    totals.computers = layout.nodes;
    totals.volumeManagers = 1;
    totals.disks = n;
    totals.chunks = 2 * n;
    totals.volumes = n + parents;
    totals.subVolumes = 2 * parents;
    totals.volumeGroups = (n + kDisksPerGroup - 1) / kDisksPerGroup;
    totals.fileSystems = top;
    totals.mountPoints = top;
    totals.shares = (top + 3) / 4;
    totals.aliases = n;
    if (layout.nodes > 1) {
        totals.virtualServers = totals.volumeGroups;
        totals.serviceGroups = totals.volumeGroups;
    }
}

InventoryShape InventoryGenerator::shapeFor(long resources, bool cluster) {
    InventoryShape shape;
    shape.nodes = cluster ? 2 : 1;
    auto total = [&](long disks) {
        shape.disks = disks;
        return InventoryGenerator(shape).counts().resources();
    };
    // The total grows with the disk count; find the first count reaching the
    // target, then keep whichever neighbour lands closer.
    long lo = 1;
    long hi = 1;
    while (total(hi) < resources) {
        hi *= 2;
    }
    while (lo < hi) {
        long mid = lo + (hi - lo) / 2;
        if (total(mid) < resources) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo > 1 && resources - total(lo - 1) < total(lo) - resources) {
        --lo;
    }
    shape.disks = lo;
    return shape;
}

std::string InventoryGenerator::diskId(long i) {
    char id[32];
    snprintf(id, sizeof id, "600A0B80%08lX", static_cast<unsigned long>(i));
    return id;
}

std::string InventoryGenerator::diskLocalId(long i) {
    return "c" + std::to_string(i % 4 + 1) + "t" + std::to_string(i) + "d0";
}

std::string InventoryGenerator::chunkId(long disk, int slice) {
    return diskLocalId(disk) + "s" + std::to_string(slice);
}

std::string InventoryGenerator::volumeId(long i) {
    return numbered("vol", i);
}

std::string InventoryGenerator::parentVolumeId(long k) {
    return numbered("cvol", k);
}

std::string InventoryGenerator::volumeGroupId(long g) {
    return numbered("dg", g);
}

std::string InventoryGenerator::serviceGroupName(long g) {
    return numbered("sg", g);
}

std::string InventoryGenerator::nodeId(long k) const {
    return layout.nodes > 1 ? numbered("node", k) : "sanhost01";
}

bool InventoryGenerator::hasParent(long k) const {
    return k * kLeavesPerParent + 1 < layout.disks;
}

bool InventoryGenerator::isSubVolume(long i) const {
    return i % kLeavesPerParent <= 1 && hasParent(i / kLeavesPerParent);
}

template <typename F>
void InventoryGenerator::forEachTopVolume(F f) const {
    for (long i = 0; i < layout.disks; ++i) {
        if (i % kLeavesPerParent == 0 && hasParent(i / kLeavesPerParent)) {
            f(parentVolumeId(i / kLeavesPerParent), i);
        }
        if (!isSubVolume(i)) {
            f(volumeId(i), i);
        }
    }
}

void InventoryGenerator::forEachBatch(const Sink &sink) const {
    emitComputers(sink);
    {
        BatchBuilder b(SRM_RES_VOLUMEMANAGER, layout.batchRecords, sink);
        SrmRecordBuilder rec(SRM_RES_VOLUMEMANAGER);
        rec.set(SRM_KEY_Id, "vxvm");
        rec.set(SRM_KEY_IdType, 1);
        rec.set(SRM_KEY_VolumeMgrName, "Veritas Volume Manager");
        rec.set(SRM_KEY_VolumeMgrVersion, "5.1");
        b.commit(rec);
    }
    emitDisks(sink);
    emitChunks(sink);
    emitVolumes(sink);
    emitVolumeGroups(sink);
    emitPresentation(sink);
    emitAliases(sink);
}

void InventoryGenerator::emitComputers(const Sink &sink) const {
    BatchBuilder b(SRM_RES_COMPUTER, layout.batchRecords, sink);
    for (long k = 0; k < layout.nodes; ++k) {
        SrmRecordBuilder rec(SRM_RES_COMPUTER);
        rec.set(SRM_KEY_Id, nodeId(k));
        rec.set(SRM_KEY_HostName, nodeId(k));
        rec.set(SRM_KEY_RAMMB, 65536);
        rec.set(SRM_KEY_SwapMB, 16384);
        rec.set(SRM_KEY_AddrSpaceMB, 1LL << 40);
        rec.set(SRM_KEY_ProcCount, 16);
        rec.set(SRM_KEY_ProcSpeedMHz, 2400);
        rec.set(SRM_KEY_OS, "SunOS");
        rec.set(SRM_KEY_OSInfo, "5.10 Generic_147440-01");
        rec.set(SRM_KEY_IPAddr, "10.0.0." + std::to_string(k + 1));
        rec.set(SRM_KEY_NodeId, layout.nodes > 1 ? static_cast<int>(k) : -1);
        rec.set(SRM_KEY_LLTId, layout.nodes > 1 ? static_cast<int>(k) : -1);
        rec.set(SRM_KEY_TIM, k == 0 ? 1 : 0);
        b.commit(rec);
    }
}

void InventoryGenerator::emitDisks(const Sink &sink) const {
    BatchBuilder b(SRM_RES_DISK, layout.batchRecords, sink);
    for (long i = 0; i < layout.disks; ++i) {
        SrmRecordBuilder rec(SRM_RES_DISK);
        rec.set(SRM_KEY_Id, diskId(i));
        rec.set(SRM_KEY_PubId, diskId(i));
        rec.set(SRM_KEY_Status, 1);
        rec.set(SRM_KEY_LId, diskLocalId(i));
        rec.set(SRM_KEY_StatusDesc, "online");
        rec.set(SRM_KEY_IdType, 3);
        rec.set(SRM_KEY_IdValue, diskId(i));
        rec.set(SRM_KEY_Name, diskLocalId(i));
        rec.set(SRM_KEY_Model, "DF600F");
        rec.set(SRM_KEY_Make, "HITACHI");
        rec.set(SRM_KEY_Revision, "0000");
        rec.set(SRM_KEY_SerialNum, "D6" + std::to_string(mix(i)));
        rec.set(SRM_KEY_Sign, static_cast<long>(mix(i) & 0x7fffffff));
        rec.set(SRM_KEY_CapacityKB, 1048576L * (1 + mix(i) % 64));
        rec.set(SRM_KEY_FreeSpaceKB, 0);
        rec.set(SRM_KEY_AddrBus, static_cast<int>(i % 4 + 1));
        rec.set(SRM_KEY_AddrTarget, static_cast<int>(i % 128));
        rec.set(SRM_KEY_AddrLUN, static_cast<int>(i / 128));
        rec.set(SRM_KEY_DiskType, 1);
        rec.set(SRM_KEY_RPM, 15000);
        b.commit(rec);
    }
    // The second path to some disks: the same disk again, merged into the first.
    for (long i = 3; i < layout.disks; i += kDuplicateEvery) {
        SrmRecordBuilder rec(SRM_RES_DISK);
        rec.set(SRM_KEY_Id, diskId(i));
        rec.set(SRM_KEY_LId, diskLocalId(i));
        rec.set(SRM_KEY_Status, 2);
        rec.set(SRM_KEY_StatusDesc, "online, second path");
        b.commit(rec);
    }
}

void InventoryGenerator::emitChunks(const Sink &sink) const {
    BatchBuilder b(SRM_RES_DISKCHUNK, layout.batchRecords, sink);
    for (long i = 0; i < layout.disks; ++i) {
        long half = 1048576L * (1 + mix(i) % 64) / 2;  // KB
        for (int slice = 0; slice < 2; ++slice) {
            SrmRecordBuilder rec(SRM_RES_DISKCHUNK);
            rec.set(SRM_KEY_Id, chunkId(i, slice));
            rec.set(SRM_KEY_DiskChunk, chunkId(i, slice));
            // Chunks are read unbound, so they name their disk by its global id.
            rec.set(SRM_KEY_Disk, diskId(i));
            rec.set(SRM_KEY_Start, slice * half * 1024);  // bytes
            rec.set(SRM_KEY_Length, half);
            b.commit(rec);
        }
    }
}

void InventoryGenerator::emitVolumes(const Sink &sink) const {
    BatchBuilder b(SRM_RES_VOLUME, layout.batchRecords, sink);
    const long n = layout.disks;
    auto leaf = [&](long i) {
        SrmRecordBuilder rec(SRM_RES_VOLUME);
        rec.set(SRM_KEY_Id, volumeId(i));
        rec.set(SRM_KEY_LId,
                "/dev/vx/dsk/" + volumeGroupId(i / kDisksPerGroup) + "/" + volumeId(i));
        rec.set(SRM_KEY_Name, volumeId(i));
        rec.set(SRM_KEY_HierType, isSubVolume(i) ? 4 : 0);
        rec.set(SRM_KEY_CapacityKB, 1048576L * (1 + mix(i) % 32));
        rec.set(SRM_KEY_FreeSpaceKB, 0);
        rec.set(SRM_KEY_VolumeType, 2);
        rec.set(SRM_KEY_VolumeTypeDesc, "mirror");
        rec.set(SRM_KEY_Status, 1);
        rec.set(SRM_KEY_StatusDesc, "ENABLED ACTIVE");
        rec.set(SRM_KEY_DiskChunkCount, 2);
        rec.set(SRM_KEY_SubVolumeCount, 0);
        rec.set(SRM_KEY_VolumeManager, kManagerNumber);
        b.commit(rec);
        const std::string chunks[2] = {chunkId(i, 0), chunkId((i + 1) % n, 1)};
        for (const std::string &chunk : chunks) {
            SrmRecordBuilder m(SRM_RES_DISKCHUNK);
            m.set(SRM_KEY_Id, chunk);
            b.commitMember(m);
        }
    };
    for (long i = 0; i < n; ++i) {
        leaf(i);
        // A parent follows its second sub-volume, so the reader finds both.
        if (i % kLeavesPerParent == 1 && hasParent(i / kLeavesPerParent)) {
            long k = i / kLeavesPerParent;
            SrmRecordBuilder rec(SRM_RES_VOLUME);
            rec.set(SRM_KEY_Id, parentVolumeId(k));
            rec.set(SRM_KEY_Name, parentVolumeId(k));
            rec.set(SRM_KEY_HierType, 1);
            rec.set(SRM_KEY_CapacityKB, 2097152L);
            rec.set(SRM_KEY_VolumeType, 1);
            rec.set(SRM_KEY_VolumeTypeDesc, "concat");
            rec.set(SRM_KEY_DiskChunkCount, 0);
            rec.set(SRM_KEY_SubVolumeCount, 2);
            rec.set(SRM_KEY_VolumeManager, kManagerNumber);
            b.commit(rec);
            for (long sub = i - 1; sub <= i; ++sub) {
                SrmRecordBuilder m(SRM_RES_VOLUME);
                m.set(SRM_KEY_Id, volumeId(sub));
                b.commitMember(m);
            }
        }
    }
}

void InventoryGenerator::emitVolumeGroups(const Sink &sink) const {
    BatchBuilder b(SRM_RES_VOLUMEGROUP, layout.batchRecords, sink);
    const long n = layout.disks;
    for (long g = 0; g < totals.volumeGroups; ++g) {
        long first = g * kDisksPerGroup;
        long end = first + kDisksPerGroup < n ? first + kDisksPerGroup : n;
        long volumeCount = 0;
        for (long i = first; i < end; ++i) {
            if (i % kLeavesPerParent == 0 && hasParent(i / kLeavesPerParent)) {
                ++volumeCount;
            }
            if (!isSubVolume(i)) {
                ++volumeCount;
            }
        }
        SrmRecordBuilder rec(SRM_RES_VOLUMEGROUP);
        rec.set(SRM_KEY_Id, volumeGroupId(g));
        rec.set(SRM_KEY_CapacityKB, 1048576L * kDisksPerGroup * 32);
        rec.set(SRM_KEY_Status, 1);
        rec.set(SRM_KEY_StatusDesc, "enabled");
        rec.set(SRM_KEY_Name, volumeGroupId(g));
        rec.set(SRM_KEY_VolumeManager, kManagerNumber);
        rec.set(SRM_KEY_OSystem, nodeId(g % layout.nodes));
        rec.set(SRM_KEY_DiskCount, static_cast<int>(end - first));
        rec.set(SRM_KEY_VolumeCount, static_cast<int>(volumeCount));
        b.commit(rec);
        for (long i = first; i < end; ++i) {
            SrmRecordBuilder m(SRM_RES_DISK);
            // Groups are read bound to the database, which maps local names.
            m.set(SRM_KEY_Id, i % 2 == 0 ? diskId(i) : diskLocalId(i));
            b.commitMember(m);
        }
        for (long i = first; i < end; ++i) {
            if (i % kLeavesPerParent == 0 && hasParent(i / kLeavesPerParent)) {
                SrmRecordBuilder m(SRM_RES_VOLUME);
                m.set(SRM_KEY_Id, parentVolumeId(i / kLeavesPerParent));
                b.commitMember(m);
            }
            if (!isSubVolume(i)) {
                SrmRecordBuilder m(SRM_RES_VOLUME);
                m.set(SRM_KEY_Id, volumeId(i));
                b.commitMember(m);
            }
        }
    }
}

void InventoryGenerator::emitPresentation(const Sink &sink) const {
    // File systems, mount points and shares are read unbound: they name their
    // volume by its global id.
    {
        BatchBuilder b(SRM_RES_FILESYSTEM, layout.batchRecords, sink);
        forEachTopVolume([&](const std::string &volume, long i) {
            SrmRecordBuilder rec(SRM_RES_FILESYSTEM);
            rec.set(SRM_KEY_Id, "/export/" + volume);
            rec.set(SRM_KEY_Volume, volume);
            rec.set(SRM_KEY_FSType, i % 3 == 0 ? "ufs" : "vxfs");
            rec.set(SRM_KEY_FileCnt, static_cast<int>(mix(i) % 100000));
            rec.set(SRM_KEY_MaxFileCnt, 1000000);
            rec.set(SRM_KEY_CapacityKB, 1048576L);
            rec.set(SRM_KEY_FreeSpaceKB, 524288L);
            rec.set(SRM_KEY_UsedSpaceKB, 524288L);
            b.commit(rec);
        });
    }
    {
        BatchBuilder b(SRM_RES_MOUNTPOINT, layout.batchRecords, sink);
        forEachTopVolume([&](const std::string &volume, long i) {
            SrmRecordBuilder rec(SRM_RES_MOUNTPOINT);
            rec.set(SRM_KEY_Id, "/export/" + volume);
            rec.set(SRM_KEY_VolumeId, volume);
            rec.set(SRM_KEY_MountPointName, "/export/" + volume);
            rec.set(SRM_KEY_MountType, 1);
            rec.set(SRM_KEY_MountToSystem, nodeId((i / kDisksPerGroup) % layout.nodes));
            rec.set(SRM_KEY_MountAtStartup, 1);
            b.commit(rec);
        });
    }
    {
        BatchBuilder b(SRM_RES_SHARE, layout.batchRecords, sink);
        long t = 0;
        forEachTopVolume([&](const std::string &volume, long) {
            if (t++ % 4 != 0) {
                return;
            }
            SrmRecordBuilder rec(SRM_RES_SHARE);
            rec.set(SRM_KEY_Id, "share-" + volume);
            rec.set(SRM_KEY_ShareName, volume);
            rec.set(SRM_KEY_SharePath, "/export/" + volume);
            rec.set(SRM_KEY_ShareFsType, 0);  // NFS
            rec.set(SRM_KEY_ShareDesc, "NFS export");
            rec.set(SRM_KEY_VolumeId, volume);
            b.commit(rec);
        });
    }
}

void InventoryGenerator::emitAliases(const Sink &sink) const {
    BatchBuilder b(SRM_RES_ID, layout.batchRecords, sink);
    for (long i = 0; i < layout.disks; ++i) {
        SrmRecordBuilder rec(SRM_RES_ID);
        rec.set(SRM_KEY_Id, numbered("alias", i));
        rec.set(SRM_KEY_PrimaryId, diskId(i));
        rec.set(SRM_KEY_SecondaryId, diskLocalId(i));
        rec.set(SRM_KEY_IdType, "Disk");
        b.commit(rec);
    }
}

long InventoryGenerator::addServiceGroups(SrmResourceDatabase *db) const {
    if (db == nullptr || layout.nodes < 2) {
        return 0;
    }
    long added = 0;
    for (long g = 0; g < totals.volumeGroups; ++g) {
        const std::string name = serviceGroupName(g);
        SrmServiceGroup *group = new SrmServiceGroup(name);
        int held = db->addServiceGroup(group);
        group->Release();
        if (held == 0) {
            continue;
        }
        ++added;
        SrmVirtualServer *server = new SrmVirtualServer(numbered("vs", g));
        server->Name = server->Id;
        server->HostName = server->Id + ".cluster";
        server->IPAddr = "10.1." + std::to_string(g / 250) + "." + std::to_string(g % 250 + 1);
        server->setServiceGroup(db->findServiceGroup(name));
        db->addResource(server);
        db->addServiceGroupResource(name, server);
        server->Release();
        db->addServiceGroupResource(name, db->findResource(SRM_RES_VOLUMEGROUP, volumeGroupId(g)));
        db->addServiceGroupResource(name,
                                    db->findResource(SRM_RES_COMPUTER, nodeId(g % layout.nodes)));
        if (g % kGroupsPerChain != 0) {
            db->setChildServiceGroup(serviceGroupName(g - 1), name);
        }
    }
    return added;
}

int InventoryGenerator::addClusterHeader(SrmResourceDatabase *db) const {
    if (db == nullptr || layout.nodes < 2) {
        return 0;
    }
    char header[256];
    snprintf(header, sizeof header,
             "\"SrmResourceDbVersion=1.0\",\"ResourceCount=0\",\"ClusterAlias=sancluster\","
             "\"ClusterId=c-0001\",\"ClusterName=VornCluster\",\"ClusterVersion=8.0\","
             "\"MemberCount=%d\",\"SGCount=0\",;\n",
             layout.nodes);
    FILE *file = tmpfile();
    if (file == nullptr) {
        return 0;
    }
    int loaded = fputs(header, file) >= 0 && fflush(file) == 0 && fseek(file, 0, SEEK_SET) == 0
                     ? db->deserialize(fileno(file), nullptr)
                     : 0;
    fclose(file);
    return loaded;
}
