// The top of the report: the reported computer with its endpoints, or the
// cluster with its virtual servers, their endpoints and its nodes.
#include <cstddef>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/report/RM_KeyTables.h"
#include "inventory/report/internal/ReportBuild.h"
#include "inventory/report/internal/ReportStatus.h"
#include "inventory/report/internal/ReportWalk.h"
#include "tessel/log.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CIM_UINT16;
using nmspc_cim::CIM_UINT32;
using nmspc_cim::CIM_UINT64;
using rm_report::decimal;
using rm_report::kKey;
using rm_report::kLogError;
using rm_report::kLogInfo;
using rm_report::kModule;
using rm_report::kNatural;
using rm_report::ReportBuild;

namespace {

constexpr const char *kUnitaryClass = "Kalora_RM_VerdaneUnitaryComputerSystem";
constexpr const char *kVirtualClass = "Kalora_RM_VerdaneVirtualComputerSystem";
constexpr const char *kEndpointClass = "CIM_IPProtocolEndpoint";

// The words of `text` between runs of blanks.
std::vector<std::string> blankSeparatedWords(const std::string &text) {
    std::vector<std::string> words;
    std::size_t at = text.find_first_not_of(' ');
    while (at != std::string::npos) {
        std::size_t end = text.find(' ', at);
        words.push_back(text.substr(at, end == std::string::npos ? end : end - at));
        at = text.find_first_not_of(' ', end);
    }
    return words;
}

// The non-empty pieces of `text` between commas.
std::vector<std::string> addresses(const std::string &text) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > at) {
            pieces.push_back(text.substr(at, end - at));
        }
        at = end + 1;
    }
    return pieces;
}

}  // namespace

int OMX_Report::Get_System_Instances() {
    const char *const fn = "Get_System_Instances";
    if (database != nullptr) {
        database->getThisComputer();  // establishes the host name
        computerName = database->getHostName();
    }
    SrmResourceIdMap *computers = kind(SRM_RES_COMPUTER);
    if (computers == nullptr) {
        prv_log(kLogError, kModule, fn, "No Computers found. FAILURE");
        return 0;
    }
    systemNaturalName.clear();
    for (const auto &entry : *computers) {
        auto *computer = dynamic_cast<SrmComputer *>(entry.second);
        if (computer == nullptr || computer->HostName != computerName) {
            continue;
        }
        systemNaturalName = DecodeOMXID(computer->Id);
        ReportBuild build(jobId, kUnitaryClass, 2, rm_computersystem_keys);
        build.text("CreationClassName", kUnitaryClass, kKey)
            .text("Name", systemNaturalName, kKey | kNatural)
            .text("ElementName", computerName);
        if (!computer->OS.empty()) {
            // A private copy is split: the computer's own text stays whole.
            std::vector<std::string> words = blankSeparatedWords(computer->OS);
            build.text("OSVersion", words.size() > 1 ? words[1] : std::string())
                .text("OSType", words.empty() ? std::string() : words[0]);
        }
        build.set("RAM", CIM_UINT64, rm_report::unsignedDecimal(computer->RAMMB * 1048576LL))
            .set("MaxInstalledProcessorSpeed", CIM_UINT16, decimal(computer->ProcSpeedMHz))
            .set("NumInstalledProcessors", CIM_UINT16, decimal(computer->ProcCount));
        if (file(build, kComputerSystems) == 0) {
            return 0;
        }
        for (const std::string &address : addresses(computer->IPAddr)) {
            if (CreateIPAddressReport(address.c_str(), systemNaturalName) == 0) {
                return 0;
            }
        }
        break;
    }
    if (systemNaturalName.empty()) {
        prv_log(kLogError, kModule, fn,
                "The rdb's computer is '%s'. None of the Computers in the rdb match this name."
                " This condition means that the rdb is in a erroneous state.",
                computerName.c_str());
        rm_report::recordResult(jobId, utilities, "F_INVALID_COMPUTER_NAME", computerName,
                                "RDB's Computer Name");
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created System CIM Instances");
    return 1;
}

int OMX_Report::Get_Cluster_Instances() {
    const char *const fn = "Get_Cluster_Instances";
    std::string type = database != nullptr ? database->getClusterName() : std::string();
    const char *className = type == "VornCluster"      ? "Kalora_RM_VornCluster"
                            : type == "VeritasCluster" ? "Kalora_RM_VeritasCluster"
                                                       : nullptr;
    if (className == nullptr) {
        prv_log(kLogError, kModule, fn, "ERROR!!! Unsupported cluster - %s. Failing scan",
                type.c_str());
        rm_report::recordResult(jobId, utilities, "F_UNSUPPORTED_CLUSTER", type, "Cluster Type");
        return 0;
    }
    systemNaturalName = database->getClusterId();
    computerName = database->getClusterAlias();

    ReportBuild build(jobId, className, 2, rm_computersystem_keys);
    build.text("CreationClassName", className, kKey)
        .text("Name", systemNaturalName, kKey | kNatural)
        .text("ElementName", computerName)
        .text("SoftwareVersion", database->getClusterVersion())
        .set("ClusterState", CIM_UINT16, "2")
        .set("MaxNumberOfNodes", CIM_UINT32, decimal(database->getMemberCount()))
        .text("ClusterType", type);
    if (file(build, kComputerSystems) == 0) {
        return 0;
    }
    if (Get_VirtualServer_Instances() == 0) {
        prv_log(kLogError, kModule, fn, "Get_VirtualServer_Instances FAILED");
        LogError("Get_VirtualServer_Instances");
        return 0;
    }
    if (CreateClusterNodeReport() == 0) {
        prv_log(kLogError, kModule, fn, "CreateClusterNodeReport FAILED");
        LogError("CreateClusterNodeReport");
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Cluster CIM Instance");
    return 1;
}

int OMX_Report::Get_VirtualServer_Instances() {
    const char *const fn = "Get_VirtualServer_Instances";
    SrmResourceIdMap *servers = kind(SRM_RES_VIRTUALSERVER);
    if (servers == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No Virtual Servers found.");
        return 1;
    }
    int done = rm_report::forEach<SrmVirtualServer>(servers, [&](SrmVirtualServer *server) {
        ReportBuild build(jobId, kVirtualClass, 2, rm_computersystem_keys);
        build.text("CreationClassName", kVirtualClass, kKey)
            .text("Name", server->Id, kKey | kNatural)
            .text("ElementName", server->HostName);
        if (file(build, kComputerSystems) == 0) {
            return 0;
        }
        CCIMInstance *hosted = find(server->Id, kComputerSystems);
        CCIMInstance *cluster = find(systemNaturalName, kComputerSystems);
        if (hosted == nullptr || cluster == nullptr ||
            associate("CIM_HostingCS", rm_antdep_asso_keys, "Dependent", hosted, "Antecedent",
                      cluster, server->Id + "~" + systemNaturalName) == 0) {
            return 0;
        }
        // A virtual server's address text is one address, commas and all.
        return CreateIPAddressReport(server->IPAddr.c_str(), server->Id);
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created VirtualServer CIM Instance");
    return 1;
}

int OMX_Report::CreateClusterNodeReport() {
    const char *const fn = "CreateClusterNodeReport";
    SrmResourceIdMap *computers = kind(SRM_RES_COMPUTER);
    if (computers == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No systems in the cluster - %s", computerName.c_str());
        return 1;
    }
    int done = rm_report::forEach<SrmComputer>(computers, [&](SrmComputer *node) {
        ReportBuild build(jobId, kUnitaryClass, 2, rm_computersystem_keys);
        build.text("CreationClassName", kUnitaryClass, kKey)
            .text("Name", node->Id, kKey | kNatural)
            .text("ElementName", node->HostName);
        if (file(build, kComputerSystems) == 0) {
            return 0;
        }
        CCIMInstance *member = find(node->Id, kComputerSystems);
        CCIMInstance *cluster = find(systemNaturalName, kComputerSystems);
        if (member == nullptr || cluster == nullptr) {
            return 0;
        }
        ReportBuild link(jobId, "Kalora_RM_ParticipatingCS", 2, rm_antdep_asso_keys);
        link.ref("Dependent", cluster)
            .ref("Antecedent", member)
            .set("ClusterIndex", CIM_UINT16, decimal(node->LLTId));
        return fileAssociation(link, node->Id + "~" + systemNaturalName);
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Cluster Nodes CIM Instances");
    return 1;
}

int OMX_Report::CreateIPAddressReport(const char *ipAddress, std::string systemName) {
    std::string address = ipAddress != nullptr ? ipAddress : "";
    std::string endpoint = systemName + "~IPv4~" + address;
    ReportBuild build(jobId, kEndpointClass, 4, rm_ipprotocolendpoint_keys);
    build.text("SystemCreationClassName", "CIM_ComputerSystem", kKey)
        .text("CreationClassName", kEndpointClass, kKey)
        .text("SystemName", systemName, kKey)
        .text("Name", endpoint, kKey | kNatural)
        .text("IPv4Address", address);
    if (file(build, kComputerSystems) == 0) {
        return 0;
    }
    CCIMInstance *access = find(endpoint, kComputerSystems);
    CCIMInstance *system = find(systemName, kComputerSystems);
    if (access == nullptr || system == nullptr) {
        return 0;
    }
    return associate("CIM_HostedAccessPoint", rm_antdep_asso_keys, "Dependent", access,
                     "Antecedent", system, endpoint + "~" + systemName);
}
