#include "inventory/report/OMX_Report.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <utility>
#include <vector>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/report/internal/InstanceHoldings.h"
#include "inventory/report/internal/NameOrder.h"
#include "inventory/report/internal/ReportBuild.h"
#include "inventory/report/internal/ReportMaps.h"
#include "inventory/report/internal/ReportPin.h"
#include "inventory/report/internal/ReportStatus.h"
#include "tessel/Tessel.h"
#include "tessel/log.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using rm_report::kLogError;
using rm_report::kLogInfo;
using rm_report::kLogWarning;
using rm_report::kModule;
using rm_report::recordResult;

namespace {

constexpr const char *kGenerate = "GenerateCIMReports";

}  // namespace

OMX_Report::OMX_Report() {
    instanceList = nmspc_cim::cim_createInstanceList();
    ClearCIMInstMaps();
    classNamesMissing = !makeClassNames();
}

bool OMX_Report::makeClassNames() {
    try {
        classNames = {{"System", "Kalora_RM_VerdaneUnitaryComputerSystem"},
                      {"Disk", "Kalora_RM_DiskDrive"},
                      {"Volume", "Kalora_RM_StorageVolume"},
                      {"VolumeGroup", "Kalora_RM_VMDiskGroup"},
                      {"Share", "Kalora_RM_FileShare"},
                      {"FileSystem", "Kalora_RM_UnixLocalFileSystem"}};
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

OMX_Report::~OMX_Report() {
    ClearCIMInstMaps();
    if (holdings) {
        holdings->forEach([](rm_report::InstanceHoldings::Holding &h) {
            if (!h.listed) {
                nmspc_cim::cim_freeInstance(h.instance);
            }
        });
    }
    // Never handed out: its instances (the shares) go with it.
    nmspc_cim::cim_freeInstanceList(instanceList);
}

// ---- Ownership ----

rm_report::InstanceHoldings &OMX_Report::held() {
    if (!holdings) {
        holdings = std::make_unique<rm_report::InstanceHoldings>();
    }
    return *holdings;
}

void OMX_Report::hold(CCIMInstance *instance) {
    ++held().of(instance).entries;
}

void OMX_Report::drop(CCIMInstance *instance) {
    rm_report::InstanceHoldings::Holding *holding = holdings ? holdings->find(instance) : nullptr;
    if (holding == nullptr || (holding->entries > 0 && --holding->entries > 0)) {
        return;
    }
    if (!holding->listed) {
        nmspc_cim::cim_freeInstance(instance);
    }
    holding->live = false;
}

int OMX_Report::appendToList(CCIMInstance *instance) {
    if (instanceList == nullptr) {
        instanceList = nmspc_cim::cim_createInstanceList();
    }
    CCIMList *grown = nmspc_cim::cim_addInstance(instanceList, instance);
    if (grown == nullptr) {
        return 0;
    }
    instanceList = grown;
    return 1;
}

// ---- Driver ----

int OMX_Report::GenerateCIMReports(SrmResourceDatabase *database, std::string type) {
    try {
        if (database == nullptr) {
            prv_log(kLogError, kModule, kGenerate, "SrmResourceDatabase is NULL.");
            recordResult(jobId, utilities, "F_NULL_POINTER", "ResourceDatabase", "Pointer");
            return 0;
        }
        bool cluster = type == "cluster";
        if (!cluster && type != "host") {
            prv_log(kLogError, kModule, kGenerate, "Invalid rdb type - %s", type.c_str());
            recordResult(jobId, utilities, "F_INVALID_RDB_TYPE", type, "Type of the rdb");
            return 0;
        }
        this->database = database;
        computerName.clear();
        systemNaturalName.clear();

        auto failedAt = [this](const char *failurePoint) {
            LogError(failurePoint);
            return 0;
        };
        if (Get_Error_Instances() != 0) {
            prv_log(kLogError, kModule, kGenerate, "SrmAgent returned error objects");
            return 0;
        }
        reserveFor(*database);
        // The generators in their fixed order, up to the first failure: its
        // own line, and the step named as the failure point.
        if (cluster && Get_Cluster_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_Cluster_Instances FAILED");
            return failedAt("Get_Cluster_Instances");
        }
        if (!cluster && Get_System_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_System_Instances FAILED");
            return failedAt("Get_System_Instances");
        }
        if (Get_Alias_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_Alias_Instances FAILED");
            return failedAt("Get_Alias_Instances");
        }
        if (Get_Disk_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_Disk_Instances FAILED");
            return failedAt("Get_Disk_Instances");
        }
        if (Get_DiskPartition_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_DiskPartition_Instances FAILED");
            return failedAt("Get_DiskPartition_Instances");
        }
        if (GetVolumeMgrInfo() == 0) {
            prv_log(kLogError, kModule, kGenerate, "GetVolumeMgrInfo FAILED");
            return failedAt("Get_VolumeMgr_Instances");
        }
        if (Get_Volumes_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_Volumes_Instances FAILED");
            return failedAt("Get_Volumes_Instances");
        }
        if (Get_DiskGroup_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_DiskGroup_Instances FAILED");
            return failedAt("Get_DiskGroup_Instances");
        }
        if (Get_FileSystem_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_FileSystem_Instances");
            return failedAt("Get_FileSystem_Instances");
        }
        if (Get_Share_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_Share_Instances FAILED");
            return failedAt("Get_Shares_Instances");
        }
        if (cluster && Get_ServiceGroup_Instances() == 0) {
            prv_log(kLogError, kModule, kGenerate, "Get_ServiceGroup_Instances FAILED");
            return failedAt("Get_ServiceGroup_Instances");
        }
        prv_log(kLogInfo, kModule, kGenerate, "Done creating CIM Instances for all objects");
        return 1;
    } catch (const std::bad_alloc &) {
        prv_log(kLogError, kModule, kGenerate, "Out of memory");
        LogError("Out of memory");
        return 0;
    }
}

// Sizes the maps for the database once, so that filing a million instances
// never rehashes a table that large.
void OMX_Report::reserveFor(SrmResourceDatabase &db) {
    SrmResourceList *resources = db.getResourceList();
    if (resources == nullptr) {
        return;
    }
    auto count = [resources](std::initializer_list<SrmResourceType> kinds) {
        std::size_t n = 0;
        for (SrmResourceType t : kinds) {
            n += static_cast<std::size_t>(resources->getTypeCount(t));
        }
        return n;
    };
    InstanceMap *instanceMaps = maps().instances;
    std::size_t systems = count({SRM_RES_COMPUTER, SRM_RES_VIRTUALSERVER});
    instanceMaps[0].reserve(2 * systems + 1);  // and their endpoints
    instanceMaps[1].reserve(count({SRM_RES_DISK, SRM_RES_DISKCHUNK}));
    instanceMaps[2].reserve(count({SRM_RES_FILESYSTEM}));
    instanceMaps[3].reserve(count({SRM_RES_VOLUME}));
    instanceMaps[4].reserve(count({SRM_RES_VOLUMEGROUP}));
    instanceMaps[6].reserve(count({SRM_RES_SHARE}));
    instanceMaps[7].reserve(count({SRM_RES_FILESYSTEM}));
    instanceMaps[8].reserve(count({SRM_RES_ID}));
    // About two links per resource: to its system and to what it lies on.
    maps().associations.reserve(2 * static_cast<std::size_t>(resources->getResourceCount()));
}

int OMX_Report::Get_Error_Instances() {
    SrmErrorList *errors = database != nullptr ? database->getErrorList() : nullptr;
    if (errors == nullptr || errors->getErrorCount() == 0) {
        return 0;
    }
    const SrmErrorMap &groups = errors->getErrorMap();
    if (groups.empty()) {
        return 1;
    }
    utilities = Tessel::getInstance(jobId);
    if (utilities == nullptr) {
        prv_log(kLogError, kModule, "OMX_Report::Get_Error_Instances",
                "Could not create a Utilities object for error handling");
    }
    bool sawError = false;
    for (const auto &group : groups) {
        for (const SrmError *error : group.second) {
            if (error == nullptr) {
                continue;
            }
            if (error->Sev < 4) {
                sawError = true;
            }
            const char *key = "F_SRMAGENT_ERROR";
            int level = kLogError;
            if (error->Sev == 4) {
                key = "W_SRMAGENT_WARNING";
                level = kLogWarning;
            } else if (error->Sev == 5) {
                key = "I_SRMAGENT_INFO";
                level = kLogInfo;
            }
            std::string message = computerName + ":ErrorCode: " + std::to_string(error->Ecode) +
                                  ": " + error->ErrorDesc;
            prv_log(level, kModule, "SrmError", "%s:ErrorCode: %d: %s", computerName.c_str(),
                    static_cast<int>(error->Ecode), error->ErrorDesc.c_str());
            std::string argument = message;
            switch (error->Ecode) {
                case 2000:
                    key = "F_CANNOT_LOAD_ULVAR";
                    break;
                case 2001:
                    key = "W_NEW_FS_FOUND_RUN_DETAILSCAN";
                    break;
                case 2002:
                    key = "W_GIDU_FAILURE";
                    break;
                case 2003:
                    key = "F_GIDU_NOT_RESPONDING";
                    argument = computerName;
                    break;
                case 3000:
                    key = "F_INVALID_AGENT_NAME";
                    break;
                default:
                    break;
            }
            if (utilities != nullptr) {
                recordResult(jobId, utilities, key, argument, "SrmAgent Error Message");
            }
        }
    }
    return sawError ? 1 : 0;
}

// ---- Maps ----

rm_report::ReportMaps &OMX_Report::maps() {
    if (!filings) {
        filings = std::make_unique<rm_report::ReportMaps>();
    }
    return *filings;
}

OMX_Report::InstanceMap *OMX_Report::mapOf(int category) {
    return filings && category >= 1 && category <= 9 ? &filings->instances[category - 1] : nullptr;
}

int OMX_Report::UpdateCIMInstMaps(CCIMInstance *instance, std::string naturalName, int category) {
    const char *const fn = "UpdateCIMInstMaps";
    if (instance == nullptr) {
        prv_log(kLogError, kModule, fn, "CCIMInstance is NULL.");
        return 0;
    }
    try {
        Pin taken(*this, instance);  // frees it on return unless a map or a list keeps it
        if (naturalName.empty()) {
            prv_log(kLogError, kModule, fn, "NaturalName (unique id) is blank.");
            return 0;
        }
        if (static_cast<unsigned>(category) >= 10) {
            prv_log(kLogError, kModule, fn, "Invalid resource type.");
            return 0;
        }
        InstanceMap &map = maps().instances[category == 0 ? 0 : category - 1];
        bool made;
        InstanceMap::Entry &filed = map.file(naturalName, instance, made);
        if (made) {
            hold(instance);
        } else if (category <= 1 && filed.instance != instance) {
            // Computer systems: the newest wins.
            CCIMInstance *older = filed.instance;
            filed.instance = instance;
            hold(instance);
            drop(older);
        }
        return 1;
    } catch (const std::bad_alloc &) {
        prv_log(kLogError, kModule, fn, "Out of memory");
        return 0;
    }
}

CCIMInstance *OMX_Report::FindCIMInstance(std::string naturalName, int category) {
    return find(naturalName, category);
}

CCIMInstance *OMX_Report::find(const std::string &naturalName, int category) {
    if (naturalName.empty()) {
        prv_log(kLogError, kModule, "FindCIMInstance", "NaturalName (unique id) is blank.");
        return nullptr;
    }
    static const int kAnyOrder[] = {1, 2, 3, 4, 9, 5, 6, 7, 8};
    CCIMInstance *found = nullptr;
    if (category >= 1 && category <= 9) {
        InstanceMap *map = mapOf(category);
        InstanceMap::Entry *hit = map != nullptr ? map->find(naturalName) : nullptr;
        found = hit != nullptr ? hit->instance : nullptr;
    } else if (category == 0) {
        for (int each : kAnyOrder) {
            InstanceMap *map = mapOf(each);
            InstanceMap::Entry *hit = map != nullptr ? map->find(naturalName) : nullptr;
            if (hit != nullptr && hit->instance != nullptr) {
                found = hit->instance;
                break;
            }
        }
    }
    bool searchedAll = category == 0;
    bool noSuchMap = category < 0 || category > 9;
    if (found == nullptr && (searchedAll || noSuchMap)) {
        prv_log(kLogInfo, kModule, "FindCIMInstMaps",
                "Invalid resource type OR Not found in any resource map.");
    }
    if (found == nullptr) {
        recordResult(jobId, utilities, "W_CIMINSTANCE_NOT_FOUND", naturalName,
                     "OMXID of the ciminstance trying to find.");
        prv_log(kLogWarning, kModule, "FindCIMInstMaps",
                "Could not find a CIMInstance with omxid '%s', to be used for CIM Associations."
                " The Association will not be created.",
                naturalName.c_str());
    }
    return found;
}

void OMX_Report::ClearCIMInstMaps() {
    if (filings) {
        for (InstanceMap &map : filings->instances) {
            map.clear();
        }
        for (InstanceMap::Entry &entry : filings->associations.entries()) {
            if (!entry.listed) {
                nmspc_cim::cim_freeInstance(entry.instance);
            }
        }
        filings->associations.clear();
    }
    classNames.clear();
    chunkIds.clear();
}

CCIMList *OMX_Report::GetReport() {
    // Every instance goes over, or none does: a list short of some would pass
    // for the whole report. When memory runs out the list is cut back to what
    // it held before, and what this call would have handed over stays the
    // report's.
    int before = 0;
    for (CCIMList *node = instanceList; node != nullptr; node = node->mNext) {
        before += node->mDataObject != nullptr ? 1 : 0;
    }
    std::vector<bool *> takenOver;
    auto takeBack = [&]() -> CCIMList * {
        for (bool *listed : takenOver) {
            *listed = false;
        }
        CCIMList *added =
            before > 0 ? nmspc_cim::cim_splitList(instanceList, before) : instanceList;
        for (CCIMList *node = added; node != nullptr; node = node->mNext) {
            node->mDataObject = nullptr;  // the report's again, not the list's
        }
        nmspc_cim::cim_freeInstanceList(added);
        if (before == 0) {
            instanceList = nullptr;
        }
        return nullptr;
    };
    try {
        if (instanceList == nullptr) {
            instanceList = nmspc_cim::cim_createInstanceList();
            if (instanceList == nullptr) {
                return nullptr;
            }
        }
        // The entries not handed over yet, each map in its name order. Room
        // for the largest map, and for every entry taken over, is made once:
        // growing by doubling would touch twice the memory, all of it new at
        // a million entries.
        rm_report::ReportMaps &filed = maps();
        std::size_t largest = filed.associations.entries().size();
        std::size_t all = largest;
        for (int category : {1, 2, 4, 5, 3, 9}) {
            std::size_t size = filed.instances[category - 1].entries().size();
            largest = std::max(largest, size);
            all += size;
        }
        std::vector<rm_report::NamedInstance> fresh;
        fresh.reserve(largest);
        takenOver.reserve(all);
        auto handOver = [&]() {
            rm_report::sortByName(fresh);
            for (const rm_report::NamedInstance &entry : fresh) {
                // An instance filed in two of these maps goes with the first.
                if (!*entry.listed) {
                    takenOver.push_back(entry.listed);
                    if (appendToList(entry.instance) == 0) {
                        return false;
                    }
                    *entry.listed = true;
                }
            }
            fresh.clear();
            return true;
        };
        for (int category : {1, 2, 4, 5, 3, 9}) {
            InstanceMap &map = filed.instances[category - 1];
            for (InstanceMap::Entry &entry : map.entries()) {
                auto *holding = holdings ? holdings->find(entry.instance) : nullptr;
                if (holding != nullptr && !holding->listed) {
                    fresh.push_back({map.nameOf(entry), entry.instance, &holding->listed, 0});
                }
            }
            if (!handOver()) {
                return takeBack();
            }
        }
        for (InstanceMap::Entry &entry : filed.associations.entries()) {
            if (!entry.listed) {
                fresh.push_back(
                    {filed.associations.nameOf(entry), entry.instance, &entry.listed, 0});
            }
        }
        if (!handOver()) {
            return takeBack();
        }
    } catch (const std::bad_alloc &) {
        return takeBack();
    }
    CCIMList *handed = instanceList;
    instanceList = nullptr;
    return handed;
}

// ---- Helpers ----

void OMX_Report::LogError(std::string failurePoint) {
    if (!failurePoint.empty()) {
        recordResult(jobId, utilities, "F_REPORT_CONV_FAILURE", failurePoint, "FailurePoint");
    }
}

void OMX_Report::LogMissingResoruce(std::string name) {
    if (name.empty()) {
        return;
    }
    prv_log(kLogWarning, kModule, "LogMissingResoruce",
            "CIMInstance not found for - %s. Associations for this resource will be missing.",
            name.c_str());
    recordResult(jobId, utilities, "W_INSTANCE_NOT_FOUND", name, "Missing Resource name");
}

std::string OMX_Report::DecodeOMXID(std::string id) {
    return id;
}

std::string OMX_Report::GetDiskTypeAsString(int diskType) {
    static const char *const kWords[] = {"Unknown", "IDE", "SCSI", "FC", "SSA", "Serial", "Other"};
    return diskType >= 0 && diskType <= 6 ? kWords[diskType] : "Unknown";
}

SrmResourceIdMap *OMX_Report::kind(SrmResourceType t) {
    SrmResourceList *resources = database != nullptr ? database->getResourceList() : nullptr;
    SrmResourceIdMap *map = resources != nullptr ? resources->getSrmResourceIdMap(t) : nullptr;
    return map != nullptr && !map->empty() ? map : nullptr;
}

int OMX_Report::GetVolumeMgrInfo() {
    volumeManagers = kind(SRM_RES_VOLUMEMANAGER);
    volumeManagerByIdType.clear();
    if (volumeManagers == nullptr) {
        prv_log(kLogInfo, kModule, "GetVolumeMgrInfo", "No volume managers found.");
        return 1;
    }
    for (const auto &entry : *volumeManagers) {
        if (auto *manager = dynamic_cast<SrmVolumeManager *>(entry.second)) {
            volumeManagerByIdType.emplace(manager->IdType, manager);  // the first in Id order stays
        }
    }
    return 1;
}

int OMX_Report::GetVolMgrNameandVer(std::string volumeManagerId, std::string &name,
                                    std::string &version) {
    if (volumeManagerId.empty()) {
        return 1;
    }
    if (volumeManagers == nullptr) {
        prv_log(kLogWarning, kModule, "GetVolMgrNameandVer",
                "No volume managers found but volumes are present.");
        return 1;
    }
    auto found = volumeManagerByIdType.find(
        static_cast<int>(std::strtol(volumeManagerId.c_str(), nullptr, 10)));
    if (found == volumeManagerByIdType.end()) {
        name = "Unknown";
        version = "Unknown";
    } else {
        name = found->second->VolumeMgrName;
        version = found->second->VolumeMgrVersion;
    }
    return 1;
}

int OMX_Report::file(rm_report::ReportBuild &build, int category) {
    // The name is copied while the builder still owns the instance: a copy
    // that fails afterwards would lose it.
    std::string name = build.naturalName();
    CCIMInstance *instance = build.take();
    if (instance == nullptr) {
        return 0;
    }
    return UpdateCIMInstMaps(instance, std::move(name), category);
}

int OMX_Report::fileAssociation(rm_report::ReportBuild &build, const std::string &key) {
    CCIMInstance *instance = build.take();
    if (instance == nullptr) {
        return 0;
    }
    bool filed;
    try {
        maps().associations.file(key, instance, filed);
    } catch (const std::bad_alloc &) {
        nmspc_cim::cim_freeInstance(instance);
        throw;
    }
    if (!filed) {
        nmspc_cim::cim_freeInstance(instance);  // the first under a key stays
    }
    return 1;
}

int OMX_Report::associate(const char *className, std::string *keyNames, const char *firstRole,
                          CCIMInstance *first, const char *secondRole, CCIMInstance *second,
                          const std::string &key) {
    maps().associations.prefetch(key);  // the table is large, and building takes a while
    rm_report::ReportBuild build(jobId, className, 2, keyNames);
    build.ref(firstRole, first).ref(secondRole, second);
    return fileAssociation(build, key);
}
