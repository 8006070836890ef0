// The report driver: turns one loaded resource database into the CIM instances
// and associations a CIM provider returns for a scan, and records a status
// result for every failure on the way.
//
//   OMX_Report report;
//   report.setJobId(jobId);
//   if (report.GenerateCIMReports(database, "host")) {
//       nmspc_cim::CCIMList *list = report.GetReport();  // the caller's now
//       ...
//       nmspc_cim::cim_freeInstanceList(list);
//   }
#ifndef INVENTORY_REPORT_OMX_REPORT_H
#define INVENTORY_REPORT_OMX_REPORT_H

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "inventory/model/SrmResourceList.h"
#include "ulvar/export.h"
#include "wbemkit/cim.h"

class SrmDisk;
class SrmResourceDatabase;
class SrmVolume;
class SrmVolumeManager;
class Tessel;
namespace rm_report {
class InstanceHoldings;
class NameIndex;
class ReportBuild;
struct ReportMaps;
}  // namespace rm_report

// Every instance is filed under its natural name (as a rule the resource's Id)
// in one of nine instance maps, by category; associations are filed in a map
// of their own under "<one end>~<other end>". Log lines go to the agent's log
// with module "OMX_SRMAgentAdapter"; status results go to the job's Tessel
// object. Integer results are 1 for success and 0 for failure; nothing throws.
// One thread at a time.
//
// Ownership: the report owns every instance filed with it until GetReport
// hands it over. An instance that no map keeps is freed at once, the
// destructor frees every instance never handed over, and an instance is handed
// over once only (see GetReport). Instances handed over stay filed, so that
// later lookups still find them: a list returned by GetReport must outlive
// every further use of this report but GetReport and the destructor.
class ULVAR_API OMX_Report {
  public:
    // Instance categories (the maps UpdateCIMInstMaps and FindCIMInstance
    // select); 6 is filed by nothing, 0 means "any" to FindCIMInstance.
    static constexpr int kComputerSystems = 1;  // systems, clusters, nodes, endpoints
    static constexpr int kDevices = 2;          // disk drives and partitions
    static constexpr int kFileSystems = 3;
    static constexpr int kVolumes = 4;
    static constexpr int kDiskGroups = 5;
    static constexpr int kShares = 7;
    static constexpr int kFileSystemsByVolume = 8;  // under the Id of their volume
    static constexpr int kAliases = 9;

    OMX_Report();
    // Frees every instance never handed over, and the instance list unless
    // GetReport handed it out.
    virtual ~OMX_Report();

    OMX_Report(const OMX_Report &) = delete;
    OMX_Report &operator=(const OMX_Report &) = delete;

    // The job whose Tessel object receives the status results. The empty id
    // (the default) is passed to Tessel::getInstance as it is, which then
    // decides: it makes and keeps a job object under the empty id.
    void setJobId(std::string jobId) { this->jobId = std::move(jobId); }
    const std::string &getJobId() const { return jobId; }

    // Converts `database` (not owned; it must outlive the report's use of it)
    // as a "host" or a "cluster" report: first its error records become
    // status results, and any of severity below 4 stops the conversion; then
    // the generators run in a fixed order up to the first failure. Instances
    // of a failed conversion stay filed (GetReport may still hand them over).
    int GenerateCIMReports(SrmResourceDatabase *database, std::string type);

    // Hands over, as one instance list, every instance not handed over before:
    // the shares first, then the instances of maps 1, 2, 4, 5, 3 and 9 and
    // the associations, each map in its name order (maps 6, 7 and 8 are not
    // handed over from the maps). The list is the caller's (free it with
    // cim_freeInstanceList); a second call returns a new list holding only
    // what was filed since (an empty list when nothing was). Null when memory
    // runs out for the list or for any of its entries: nothing is handed
    // over then, and the instances stay with the report.
    nmspc_cim::CCIMList *GetReport();

    // Files `instance` under `naturalName` in map `category`: in 0 or 1 it
    // replaces an instance of the same name, in 2 to 9 an instance of the
    // same name stays and `instance` is not filed (both still return 1). The
    // report takes `instance` over in every case but a null one: an instance
    // no map keeps (not filed, replaced, or refused for a blank name or a
    // category of 10 or more) is freed unless another map still holds it or
    // it is in the report's list. 0 for a null instance, a blank name or a
    // bad category.
    int UpdateCIMInstMaps(nmspc_cim::CCIMInstance *instance, std::string naturalName, int category);
    // The instance filed under `naturalName` in map `category` (1 to 9), or
    // in the first of maps 1, 2, 3, 4, 9, 5, 6, 7, 8 holding it (0). Null,
    // with "W_CIMINSTANCE_NOT_FOUND", when there is none. No ownership moves.
    nmspc_cim::CCIMInstance *FindCIMInstance(std::string naturalName, int category);
    // Empties every map (instances, associations, class names, chunk ids).
    // Associations never handed over are freed (nothing else can reach
    // them); instances stay the report's, and the destructor frees those
    // never handed over.
    void ClearCIMInstMaps();

    // Records "F_REPORT_CONV_FAILURE" naming `failurePoint`; nothing for "".
    void LogError(std::string failurePoint);
    // Logs and records ("W_INSTANCE_NOT_FOUND") a resource whose instance is
    // missing; nothing for "".
    void LogMissingResoruce(std::string name);
    // The natural name of a resource Id: the Id itself.
    std::string DecodeOMXID(std::string id);
    // Turns the database's error records into status results; 1 when any of
    // them has a severity below 4 (an error), else 0.
    int Get_Error_Instances();
    // "Unknown", "IDE", "SCSI", "FC", "SSA", "Serial", "Other" for 0 to 6;
    // "Unknown" for any other code.
    std::string GetDiskTypeAsString(int diskType);
    // Takes the database's volume managers for GetVolMgrNameandVer (1).
    int GetVolumeMgrInfo();
    // Name and version of the first volume manager (in Id order) whose IdType
    // is the decimal value of `volumeManagerId`, "Unknown" for both when none
    // is; untouched for an empty id or when the database has no volume
    // managers. Always 1.
    int GetVolMgrNameandVer(std::string volumeManagerId, std::string &name, std::string &version);

    // ---- Generators (each 1 for success, 0 for failure) ----
    // The reported computer and its endpoints (type "host").
    int Get_System_Instances();
    // The cluster, its virtual servers and its nodes (type "cluster").
    int Get_Cluster_Instances();
    int Get_VirtualServer_Instances();
    int CreateClusterNodeReport();
    // One endpoint "<systemName>~IPv4~<ipAddress>" hosted by the system filed
    // under `systemName`.
    int CreateIPAddressReport(const char *ipAddress, std::string systemName);
    int Get_Disk_Instances();
    int Get_DiskPartition_Instances();
    int Get_Volumes_Instances();
    int Get_DiskGroup_Instances();
    // Adds the natural name of every chunk of `volume` and of every volume
    // below it to the chunk-id set (which it does not empty). Walks a
    // hierarchy of any depth, and one whose lists loop, without recursion.
    // 0 only when memory ran out.
    int CollectDiskChunks(SrmVolume *volume);
    int Get_FileSystem_Instances();
    int Get_Share_Instances();
    int Get_Alias_Instances();
    int Get_ServiceGroup_Instances();

    // The chunk-id set as CollectDiskChunks left it.
    const std::map<std::string, int> &getChunkIds() const { return chunkIds; }

  private:
    using InstanceMap = rm_report::NameIndex;
    // Keeps an instance alive while a generator still uses its pointer.
    class Pin;

    // One more or one fewer entry on an instance the report took over; the
    // last one gone frees it unless a list owns it.
    void hold(nmspc_cim::CCIMInstance *instance);
    void drop(nmspc_cim::CCIMInstance *instance);
    rm_report::InstanceHoldings &held();
    // Appends to the instance list, which then owns `instance`; 0 on failure.
    int appendToList(nmspc_cim::CCIMInstance *instance);
    // Takes the built instance and files it (UpdateCIMInstMaps) under the
    // builder's natural name, or into the association map under `key`.
    int file(rm_report::ReportBuild &build, int category);
    int fileAssociation(rm_report::ReportBuild &build, const std::string &key);
    // An association of two references, named in the order they are set.
    int associate(const char *className, std::string *keyNames, const char *firstRole,
                  nmspc_cim::CCIMInstance *first, const char *secondRole,
                  nmspc_cim::CCIMInstance *second, const std::string &key);
    // FindCIMInstance without a copy of the name.
    nmspc_cim::CCIMInstance *find(const std::string &naturalName, int category);
    // "CIM_SystemDevice" and "Kalora_RM_PathToDisk" of `disk` on `system`
    // (found by the caller, filed under `systemName`).
    int linkDisk(bool pathToDisk, nmspc_cim::CCIMInstance *system, const std::string &systemName,
                 nmspc_cim::CCIMInstance *disk, const SrmDisk &d);
    int linkServiceGroup(SrmResourceList &dependants, SrmResource *server);
    SrmResourceIdMap *kind(SrmResourceType t);
    void reserveFor(SrmResourceDatabase &db);
    InstanceMap *mapOf(int category);

    SrmResourceDatabase *database = nullptr;
    // The list being filled for the next GetReport; null after GetReport
    // handed it out, until the next append.
    nmspc_cim::CCIMList *instanceList = nullptr;
    std::string computerName;
    std::string systemNaturalName;
    std::map<std::string, int> chunkIds;
    // Alias kind word -> class name.
    std::map<std::string, std::string> classNames;
    // The constructor found no memory for classNames; the alias generator
    // makes the table then, or fails.
    bool classNamesMissing = false;
    bool makeClassNames();
    SrmResourceIdMap *volumeManagers = nullptr;  // the database's; not owned
    // The first volume manager of each IdType, in Id order.
    std::unordered_map<int, SrmVolumeManager *> volumeManagerByIdType;
    // Instance maps 1 to 9 and the association map, made on first use (see
    // internal/ReportMaps.h); null before.
    std::unique_ptr<rm_report::ReportMaps> filings;
    rm_report::ReportMaps &maps();
    std::string jobId;
    Tessel *utilities = nullptr;  // the job's object as last looked up; not owned
    // Every instance the maps took over; made on first use.
    std::unique_ptr<rm_report::InstanceHoldings> holdings;
};

#endif
