// Synthetic inventories of any size, as the scanner hands them over: record
// text batches per kind, in the order a scan sends them.
//
// The host variant is one SAN host with N disks. Every disk has two chunks; the
// leaf volume vol<i> is a mirror of chunk s0 of disk i and chunk s1 of disk i+1;
// every eighth pair of leaves is concatenated into a parent volume cvol<k> that
// holds them as sub-volumes. Every sixteen disks form a volume group with the
// top-level volumes that start on them. Each top-level volume carries a file
// system and a mount point, every fourth one also a share; each disk has an
// alias. One volume manager serves them all. About one disk in ten is reported
// twice (the merge road). As a real scan's, the inventory converts into a
// whole report: every disk has a signature (so the resolution files no error
// record), shares are NFS exports, chunks start at a byte offset, and aliases
// name the kind of what they stand for.
//
// The cluster variant spreads the volume groups over several nodes and adds,
// per volume group, a virtual server and a service group holding the group, the
// virtual server and the node, with groups chained four at a time; its database
// carries the cluster's header values as a cluster's database file does.
//
// References between records use both global and local identities (a chunk's
// disk, a file system's volume), so loading exercises the database's identity
// maps as a scan does. The output depends only on the shape: two generators of
// the same shape emit the same bytes.
#ifndef BENCH_INVENTORYGENERATOR_H
#define BENCH_INVENTORYGENERATOR_H

#include <functional>
#include <string>

#include "inventory/model/SrmResource.h"

class SrmResourceDatabase;

struct InventoryShape {
    long disks = 0;           // N; the other kinds follow from it
    int nodes = 1;            // computers; more than one makes the cluster variant
    int batchRecords = 1000;  // resources per batch at most; members stay with their container
};

// What a database holds after the batches (and, for a cluster, the service
// groups) went in: one entry per kind, duplicates merged.
struct InventoryCounts {
    long computers = 0;
    long volumeManagers = 0;
    long disks = 0;
    long chunks = 0;
    long volumes = 0;     // leaves and parents
    long subVolumes = 0;  // leaves held by a parent
    long volumeGroups = 0;
    long fileSystems = 0;
    long mountPoints = 0;
    long shares = 0;
    long aliases = 0;
    long virtualServers = 0;
    long serviceGroups = 0;  // not resources

    long of(SrmResourceType t) const;
    // Resources of all kinds.
    long resources() const;
};

class InventoryGenerator {
  public:
    // Receives one batch: the kind of its records and their text. The text is
    // valid only during the call.
    using Sink = std::function<void(SrmResourceType kind, const std::string &text)>;

    explicit InventoryGenerator(const InventoryShape &shape);

    // The shape whose resource count is closest to `resources` (at least one disk).
    static InventoryShape shapeFor(long resources, bool cluster);

    const InventoryShape &shape() const { return layout; }
    const InventoryCounts &counts() const { return totals; }

    // Emits every batch: computers, the volume manager, disks, chunks, volumes
    // (sub-volumes before their parents), volume groups, file systems, mount
    // points, shares, aliases. Only one batch is held in memory at a time.
    void forEachBatch(const Sink &sink) const;

    // Cluster variant: adds the virtual servers and service groups to `db`, which
    // must hold the loaded batches. The number of service groups added (0 for the
    // host variant).
    long addServiceGroups(SrmResourceDatabase *db) const;

    // Cluster variant: gives `db` the cluster's header values (product
    // "VornCluster", alias, id, version, member count), which only a database
    // file can carry, by loading a file that holds the header alone. 1 when
    // done, 0 when it failed, and 0 without touching `db` for the host variant.
    int addClusterHeader(SrmResourceDatabase *db) const;

    // Identities, for checks of a loaded database.
    static std::string diskId(long i);
    static std::string diskLocalId(long i);
    static std::string chunkId(long disk, int slice);
    static std::string volumeId(long i);
    static std::string parentVolumeId(long k);
    static std::string volumeGroupId(long g);
    static std::string serviceGroupName(long g);
    std::string nodeId(long k) const;

  private:
    // Volume i is a sub-volume of parent i / 8 when this holds.
    bool isSubVolume(long i) const;
    bool hasParent(long k) const;
    // The ids of the top-level volumes, in the order their file systems are made.
    template <typename F>
    void forEachTopVolume(F f) const;

    void emitComputers(const Sink &sink) const;
    void emitDisks(const Sink &sink) const;
    void emitChunks(const Sink &sink) const;
    void emitVolumes(const Sink &sink) const;
    void emitVolumeGroups(const Sink &sink) const;
    void emitPresentation(const Sink &sink) const;
    void emitAliases(const Sink &sink) const;

    InventoryShape layout;
    InventoryCounts totals;
};

#endif
