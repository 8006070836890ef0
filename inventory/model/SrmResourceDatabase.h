// The in-memory inventory of one scan: every resource by kind and Id, the
// computers among them, the computer the scan ran on, the local-to-global
// identity maps, the cluster header values and the last-error slot.
#ifndef INVENTORY_MODEL_SRMRESOURCEDATABASE_H
#define INVENTORY_MODEL_SRMRESOURCEDATABASE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceList.h"
#include "ulvar/export.h"

class CSRMReportTupleStreamReader;
class CSRMTupleFDStream;
class SrmComputer;
class SrmError;
class SrmErrorList;
class SrmServiceGroup;

// Not reference counted: the creator deletes it, and deleting it releases every
// resource it holds.
//
// The class is the library's interface to a database, so it declares every
// operation on one; those that need particular kinds are defined in the
// folders above the kinds, as the sections below say: the links between kinds
// (computers, a resource added or removed, the destructor) in
// inventory/passes/SrmResourceDatabaseLinks.cc, resolution and the integrity
// check in inventory/passes/, database files in inventory/persist/. Results are 1 (non-zero) for
// success and 0 for failure; every failure stores an errno code (ENOENT, EIO, EBADF, ENOMEM,
// EINVAL), a message and the resource concerned in the last-error slot, which successful operations
// leave alone. Lookups give the caller no reference. Used by one thread at a time.
class ULVAR_API SrmResourceDatabase {
  public:
    // Size of the shared format buffer.
    static constexpr int kBufferLength = 2049;

    SrmResourceDatabase();
    // (passes) Lets go of every resource, group and error held.
    virtual ~SrmResourceDatabase();

    SrmResourceDatabase(const SrmResourceDatabase &) = delete;
    SrmResourceDatabase &operator=(const SrmResourceDatabase &) = delete;

    void enableLogging() { loggingFlag = 1; }

    // Copies the last error: the code when `code` is non-null, the message, and
    // the resource when `resource` is non-null (no reference is given; the
    // pointer stays valid until the slot changes).
    void getLastErrorInfo(int *code, std::string &message, SrmResource **resource) const;
    // Fills the slot; the slot holds one reference on `resource` (may be null)
    // and gives back the one it held before. Never throws: a message that finds
    // no memory is left empty (the code is still set). Messages of up to
    // kErrorMessageRoom - 1 bytes given as C strings need no memory at all, so
    // a failure for want of memory can still be told.
    void setErrorInfo(int code, std::string message, SrmResource *resource);
    void setErrorInfo(int code, const char *message, SrmResource *resource);
    static constexpr std::size_t kErrorMessageRoom = 128;

    // (passes) Binds `r` to this database and holds it under (type, Id); its LId is then
    // registered as a local identity of its Id. 0 with EINVAL for a null `r`, with
    // ENOMEM when the list refuses it (type 0, empty Id, no memory).
    int addResource(SrmResource *r);
    // (passes) Adds a computer as a resource and to the computer list; non-zero
    // `isThisComputer` also makes it this computer. 0 with EINVAL when `c` is not a
    // computer.
    int addComputer(SrmComputer *c, int isThisComputer);
    // (passes) Hands `r` to the computer `computerId`'s own list and returns its result;
    // 0 with EINVAL when there is no such computer.
    int addComputerResource(std::string computerId, SrmResource *r);
    // (passes) Names the computer the scan ran on; ignored unless `c` is a computer. The
    // database does not hold a reference for it.
    void setThisComputer(SrmComputer *c);
    // (passes) The chosen computer, else the only computer of the database; null with
    // EINVAL when none is chosen and there is not exactly one. Caches the
    // computer's host name on first use.
    SrmComputer *getThisComputer();

    SrmResource *findResource(SrmResourceType t, const std::string &id);
    // Finds the resource that newcomer `r` describes: by r's Id when the held
    // resource has no LId or that LId equals r's Id, else through the global id
    // registered for r's LId. Null when neither is found.
    SrmResource *findGlobalResource(SrmResourceType t, SrmResource *r);
    // Finds `id`, else the resource whose global id `id` is registered as a
    // local identity of.
    SrmResource *findGlobalResource(SrmResourceType t, const std::string &id);
    // (passes) Removes (t, id) from the database and unlinks it from the resources that
    // refer to it (mount points on it, shares on its volume, volume groups,
    // volumes, computers' lists). 1 when it was removed, 0 when absent.
    int removeResource(SrmResourceType t, std::string id);

    // Registers `localId` as a local identity of `globalId` for kinds disk,
    // volume, file system, volume group, mount point and share. 0 when either is
    // empty, they are equal, the kind has no map, or `localId` is already mapped
    // (the first mapping stays).
    int addGlobalId(SrmResourceType t, std::string localId, std::string globalId);
    // 1 when `localId` maps to a non-empty global id, which `globalId` receives.
    int getGlobalId(SrmResourceType t, std::string localId, std::string &globalId);

    // Merges `other`'s resources and computers into this database; resources
    // added are shared (each database holds its own reference). 0 for a null
    // `other` or a refused merge. `other` keeps everything.
    int mergeResourceDatabase(SrmResourceDatabase *other);

    // ---- Service groups (defined in SrmResourceDatabaseGroups.cc) ----
    // Holds `g` under its name with one reference and binds it and its member
    // list to this database. 0 for a null `g` or a name already held.
    int addServiceGroup(SrmServiceGroup *g);
    // The held group of that name, or null; no reference is given.
    SrmServiceGroup *findServiceGroup(std::string name);
    // Drops the group (its reference is given back) after clearing every child
    // link that points at it. 0 for an empty or unknown name.
    int removeServiceGroup(std::string name);
    // Links `parent` to `child` (both held); 0 when either is empty or unknown.
    int setChildServiceGroup(std::string parent, std::string child);
    // Adds `r` to the group's members; 0 for a null `r` or an unknown group.
    int addServiceGroupResource(std::string name, SrmResource *r);
    // Empties every group's member list; the number of groups.
    int removeAllServiceGroupResources();
    // Removes `r` from every group; the number of groups it was removed from.
    int removeServiceGroupResource(SrmResource *r);
    // The groups by name (owned by the database).
    const std::map<std::string, SrmServiceGroup *> &getServiceGroups() const {
        return serviceGroups;
    }

    // ---- Error records (defined in SrmResourceDatabaseErrors.cc) ----
    // Files `e` under `key`; the error list owns `e` on success. 0 with ENOMEM
    // for a null `e` or no error list, with EINVAL for an empty key or description;
    // on 0 `e` is untouched and still the caller's.
    int addError(SrmError *e, std::string key);
    // Makes and files an error; 0 without a last error for an empty key or
    // description, with ENOMEM when the error cannot be made.
    int addError(std::string key, std::string description, int code, int severity);
    // The error list (owned by the database).
    SrmErrorList *getErrorList() { return errors; }

    // ---- Record stream (defined in SrmResourceDatabaseStream.cc) ----
    // Replaces any attached stream and reader by new ones reading `fd` (not
    // owned, never closed). 0 with (EINVAL, "attach Stream failed") when refused.
    int attachStream(int fd);
    // The same with a read buffer of `bufferSize` bytes instead of the stream's
    // default of 1024 (which it keeps when that much memory cannot be had):
    // for a caller that reads a whole file.
    int attachStream(int fd, int bufferSize);
    // Deletes the attached stream and reader; `fd` is not closed. 0 with
    // (EBADF, "detach Stream failed") for a negative `fd`.
    int detachStream(int fd);
    // Records the attached reader has handed out, nested ones included; with no
    // reader attached, what the last reader had handed out when it was
    // detached (0 before any). After a load or a batch that failed, the number
    // of the record where reading stopped. Changes no result and no slot.
    long getRecordsRead() const;

    // ---- Whole-database records (defined in inventory/persist/SrmDatabaseSerializer.cc) ----
    // Writes the header, the resources in file order, the errors and the
    // service groups to `fd`; `flags` goes to every top-level writer. 1 on
    // success. Every resource is written, whatever its volume links: a
    // sub-volume that no volume holds stands where a top volume would. A
    // header that does not go out whole leaves (EIO, "Failed to serialize the
    // database"); a record, the same message followed by ": <Type> "<Id>" not
    // written whole" and, for a resource, the resource; ENOMEM and the bare
    // message instead when memory ran out. After a failed write(2) errno is
    // what it left (untouched by a short write). What was written stays
    // written.
    int serialize(int fd, int flags);
    // Writes `volume` after its sub-volumes, each volume once per write; adds
    // the volumes written to `written`. 0 when a write fails, with the slot
    // filled as serialize fills it for the volume whose record failed.
    int serializeVolumes(SrmResource *volume, int fd, int flags, int &written);
    // Loads a whole database from `fd` into this one; `t` is not used. 1 on
    // success; on failure what was read so far stays. A load that runs out of
    // memory fails with ENOMEM and the message of the step it was in, even
    // when the counts came out right: a record or an element may be missing.
    int deserialize(int fd, CSRMReportTuple *t);

    // ---- Resolution and integrity (inventory/passes/SrmResolution.cc, SrmIntegrity.cc) ----
    // Copies state words down the storage stack, takes unusable disks out of the
    // report and grows the service groups; the number of state copies made.
    // -1 with (ENOMEM, "Failed to resolve the database") when memory ran out on
    // the way: every copy that could be made was, but an error record or a
    // group member may be missing.
    int resolveDatabase();
    // IPAddr of the computer with the lowest LLTId (first in Id order among
    // equals), or "" with the last error set.
    std::string getLowestLLTNodeIp();
    // Takes resources with dangling references out of the report; 0 at the
    // first service group that fails its own check, else 1.
    int checkIntegrity();

    // (passes) OR / clear `bits` in every resource's state; this computer (when there is
    // one) gets report bits 0x4|0x8 set / cleared.
    void setAllResourceState(long bits);
    void unsetAllResourceState(long bits);

    int getResourceCount() const;
    int isCluster() const { return clusterMode == 4 ? 1 : 0; }

    // The cluster header values, as the database header record gave them.
    const std::string &getClusterName() const { return ClusterName; }
    const std::string &getClusterId() const { return ClusterId; }
    const std::string &getClusterAlias() const { return ClusterAlias; }
    const std::string &getClusterVersion() const { return ClusterVersion; }
    int32_t getMemberCount() const { return MemberCount; }

    // The lists themselves (owned by the database; null only when memory ran out
    // at construction).
    SrmResourceList *getResourceList() { return resources.get(); }
    SrmResourceList *getComputerList() { return computers.get(); }
    // Host name cached by getThisComputer; empty until then.
    const std::string &getHostName() const { return hostName; }

    // The shared format buffer (owned, kBufferLength bytes; null only when memory
    // ran out at construction) and its length.
    char *getBuffer() { return buffer.get(); }
    int getBufferLength() const { return buffer ? bufferLength : 0; }
    // Text of the record being written; the writer grows it as needed, so a
    // record is never cut. Shared by all resources like the format buffer.
    std::string &getRecordText() { return recordText; }
    // The attached input stream and record reader, owned; null when none.
    CSRMTupleFDStream *getStreamFD() { return stream; }
    CSRMReportTupleStreamReader *getTupleStream() { return reader; }

  private:
    // Makes the lists and the record buffer the constructor found no memory
    // for; false when any is still missing. A database short of its error list
    // would load a file and drop its error records without a word.
    bool completeConstruction();
    // The bodies of serialize and deserialize, which may throw std::bad_alloc;
    // `*failure` follows the load through its steps.
    int writeRecords(int fd, int flags);
    int readRecords(int fd, const char **failure);

    using GlobalIdMap = std::map<std::string, std::string>;
    GlobalIdMap *globalIdMap(SrmResourceType t);
    void unlinkResource(SrmResource *r);
    void removeMountPointsOn(SrmResource *r);
    int removeSharesOn(SrmResource *r);

    // Error records, owned; null only when memory ran out at construction.
    SrmErrorList *errors = nullptr;
    std::unique_ptr<SrmResourceList> resources;
    SrmComputer *thisComputer = nullptr;  // not counted: the lists keep it alive
    std::unique_ptr<SrmResourceList> computers;
    // Service groups by name, one reference each.
    std::map<std::string, SrmServiceGroup *> serviceGroups;
    std::string ClusterAlias;
    std::string ClusterId;
    std::string ClusterVersion;
    std::string ClusterName;
    int32_t clusterMode = 0;
    int32_t MemberCount = 0;
    std::string SrmResourceDbVersion = "1.0";
    std::string hostName;
    std::unique_ptr<char[]> buffer;
    int bufferLength = kBufferLength;
    CSRMTupleFDStream *stream = nullptr;
    CSRMReportTupleStreamReader *reader = nullptr;
    long recordsRead = 0;  // of the last reader detached
    // Disk, volume, file system, volume group, mount point, share.
    GlobalIdMap globalIds[6];
    // Volumes already written by the serializer.
    std::map<std::string, int> serializedVolumes;
    int32_t lastErrorCode = 0;
    SrmResource *lastErrorResource = nullptr;
    std::string lastErrorMessage;
    int32_t loggingFlag = 0;
    std::string recordText;
};

#endif
