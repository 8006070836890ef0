#include "server/ClassTable.h"

#include <strings.h>

#include <cctype>
#include <initializer_list>

#include "wbemkit/cim.h"

namespace ulvar_server {

namespace {

using nmspc_cim::CIM_REFERENCE;
using nmspc_cim::CIM_STRING;
using nmspc_cim::CIM_UINT16;
using nmspc_cim::CIM_UINT32;
using nmspc_cim::CIM_UINT64;

std::string lowered(std::string name) {
    for (char &c : name) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

marshallClassProperty text(const char *name) {
    return {name, CIM_STRING, 0, nullptr};
}
marshallClassProperty key(const char *name) {
    return {name, CIM_STRING, 1, nullptr};
}
marshallClassProperty number(const char *name, int type) {
    return {name, type, 0, nullptr};
}
marshallClassProperty reference(const char *name, const char *referenceClass) {
    return {name, CIM_REFERENCE, 1, referenceClass};
}

}  // namespace

const ClassTable &ClassTable::schema() {
    static const ClassTable table;
    return table;
}

ClassTable::ClassTable() {
    auto add = [this](const char *name, const char *superClass,
                      std::initializer_list<marshallClassProperty> own) {
        CimClass c{name, superClass, false, {}, {}};
        int parent = superClass != nullptr ? find(superClass) : -1;
        if (parent >= 0) {
            c.association = classes[parent].association;
            c.properties = classes[parent].properties;
            c.ancestors = classes[parent].ancestors;
        }
        c.ancestors.insert(c.ancestors.begin(), static_cast<int>(classes.size()));
        for (const marshallClassProperty &p : own) {
            c.association |= p.type == CIM_REFERENCE;
            bool overridden = false;
            for (marshallClassProperty &inherited : c.properties) {
                if (strcasecmp(inherited.name, p.name) == 0) {
                    inherited = p;
                    overridden = true;
                }
            }
            if (!overridden) {
                c.properties.push_back(p);
            }
        }
        byName.emplace(lowered(name), static_cast<int>(classes.size()));
        classes.push_back(std::move(c));
    };
    const std::initializer_list<marshallClassProperty> clusterOwn = {
        text("SoftwareVersion"), number("ClusterState", CIM_UINT16),
        number("MaxNumberOfNodes", CIM_UINT32), text("ClusterType")};

    // Elements.
    add("CIM_ManagedElement", nullptr, {text("Caption"), text("Description"), text("ElementName")});
    add("CIM_ManagedSystemElement", "CIM_ManagedElement", {text("Name")});
    add("CIM_LogicalElement", "CIM_ManagedSystemElement", {});
    add("CIM_EnabledLogicalElement", "CIM_LogicalElement", {});
    add("CIM_System", "CIM_EnabledLogicalElement", {key("CreationClassName"), key("Name")});
    add("CIM_ComputerSystem", "CIM_System", {});
    add("CIM_UnitaryComputerSystem", "CIM_ComputerSystem", {});
    add("CIM_VirtualComputerSystem", "CIM_ComputerSystem", {});
    add("CIM_Cluster", "CIM_ComputerSystem", {});
    add("Kalora_RM_VerdaneUnitaryComputerSystem", "CIM_UnitaryComputerSystem",
        {text("OSVersion"), text("OSType"), number("RAM", CIM_UINT64),
         number("MaxInstalledProcessorSpeed", CIM_UINT16),
         number("NumInstalledProcessors", CIM_UINT16)});
    add("Kalora_RM_VerdaneVirtualComputerSystem", "CIM_VirtualComputerSystem", {});
    add("Kalora_RM_VornCluster", "CIM_Cluster", clusterOwn);
    add("Kalora_RM_VeritasCluster", "CIM_Cluster", clusterOwn);
    add("CIM_LogicalDevice", "CIM_EnabledLogicalElement",
        {key("SystemCreationClassName"), key("SystemName"), key("CreationClassName"),
         key("DeviceID")});
    add("CIM_MediaAccessDevice", "CIM_LogicalDevice", {});
    add("CIM_DiskDrive", "CIM_MediaAccessDevice", {});
    add("Kalora_RM_DiskDrive", "CIM_DiskDrive",
        {text("DiskMake"), text("DiskModel"), text("Revision"), number("DiskRPM", CIM_UINT64),
         text("SerialNumber"), text("DiskType"), number("TotalCapacity", CIM_UINT64)});
    add("CIM_StorageExtent", "CIM_LogicalDevice", {});
    add("CIM_MediaPartition", "CIM_StorageExtent", {});
    add("CIM_DiskPartition", "CIM_MediaPartition", {});
    add("Kalora_RM_DiskPartition", "CIM_DiskPartition",
        {number("StartByte", CIM_UINT64), number("Length", CIM_UINT64)});
    add("CIM_StorageVolume", "CIM_StorageExtent", {});
    add("Kalora_RM_StorageVolume", "CIM_StorageVolume",
        {text("VolMgrName"), text("VolMgrVersion"), number("StatusCode", CIM_UINT16),
         number("VolumeType", CIM_UINT16), number("TotalStorage", CIM_UINT64),
         number("AvailableStorage", CIM_UINT64)});
    add("CIM_FileSystem", "CIM_EnabledLogicalElement",
        {key("CSCreationClassName"), key("CSName"), key("CreationClassName"), key("Name"),
         text("FileSystemType"), number("FileSystemSize", CIM_UINT64),
         number("AvailableSpace", CIM_UINT64)});
    add("CIM_LocalFileSystem", "CIM_FileSystem", {});
    add("CIM_UnixLocalFileSystem", "CIM_LocalFileSystem", {});
    add("Kalora_RM_UnixLocalFileSystem", "CIM_UnixLocalFileSystem",
        {number("UsedSpace", CIM_UINT64), number("FSReservedCapacity", CIM_UINT64)});
    add("CIM_ServiceAccessPoint", "CIM_EnabledLogicalElement",
        {key("SystemCreationClassName"), key("SystemName"), key("CreationClassName"), key("Name")});
    add("CIM_ProtocolEndpoint", "CIM_ServiceAccessPoint", {});
    add("CIM_IPProtocolEndpoint", "CIM_ProtocolEndpoint", {text("IPv4Address")});
    add("CIM_Share", "CIM_EnabledLogicalElement",
        {key("SystemCreationClassName"), key("SystemName"), key("CreationClassName"), key("Name")});
    add("CIM_FileShare", "CIM_Share", {});
    add("Kalora_RM_FileShare", "CIM_FileShare", {text("Type"), text("DirectoryName")});
    add("CIM_Collection", "CIM_ManagedElement", {});
    add("CIM_CollectionOfMSEs", "CIM_Collection", {key("CollectionID")});
    add("CIM_DiskGroup", "CIM_CollectionOfMSEs", {});
    add("Kalora_RM_VMDiskGroup", "CIM_DiskGroup",
        {text("CreationClassName"), number("TotalStorage", CIM_UINT64),
         number("AvailableStorage", CIM_UINT64), text("VolMgrName"), text("VolMgrVersion")});
    // An alias names a reported identity; the schema has no class for it.
    add("Kalora_RM_AliasEntry", "CIM_ManagedElement",
        {key("ReportedOMXIdentity"), key("OMXIdentityAlias"), text("AssociatedObjectType")});

    // Associations: each narrows the references of its superclass.
    add("CIM_Dependency", nullptr,
        {reference("Antecedent", "CIM_ManagedElement"),
         reference("Dependent", "CIM_ManagedElement")});
    add("CIM_Component", nullptr,
        {reference("GroupComponent", "CIM_ManagedElement"),
         reference("PartComponent", "CIM_ManagedElement")});
    add("CIM_SystemComponent", "CIM_Component",
        {reference("GroupComponent", "CIM_System"),
         reference("PartComponent", "CIM_ManagedSystemElement")});
    add("CIM_SystemDevice", "CIM_SystemComponent",
        {reference("GroupComponent", "CIM_System"),
         reference("PartComponent", "CIM_LogicalDevice")});
    add("CIM_HostedFileSystem", "CIM_SystemComponent",
        {reference("GroupComponent", "CIM_System"), reference("PartComponent", "CIM_FileSystem")});
    // A system's path to a disk it sees, named by the path.
    add("Kalora_RM_PathToDisk", "CIM_SystemComponent",
        {reference("GroupComponent", "CIM_System"), reference("PartComponent", "CIM_DiskDrive"),
         text("PathName")});
    add("Kalora_RM_SystemDiskGroup", "CIM_Component",
        {reference("GroupComponent", "CIM_System"), reference("PartComponent", "CIM_DiskGroup")});
    add("CIM_ConcreteComponent", "CIM_Component", {});
    add("CIM_BasedOn", "CIM_Dependency",
        {reference("Antecedent", "CIM_StorageExtent"), reference("Dependent", "CIM_StorageExtent"),
         number("StartingAddress", CIM_UINT64), number("EndingAddress", CIM_UINT64),
         number("OrderIndex", CIM_UINT16)});
    add("CIM_HostedDependency", "CIM_Dependency", {});
    add("CIM_HostedAccessPoint", "CIM_HostedDependency",
        {reference("Antecedent", "CIM_System"), reference("Dependent", "CIM_ServiceAccessPoint")});
    add("CIM_HostedShare", "CIM_HostedDependency",
        {reference("Antecedent", "CIM_System"), reference("Dependent", "CIM_Share")});
    add("CIM_HostingCS", "CIM_HostedDependency",
        {reference("Antecedent", "CIM_ComputerSystem"),
         reference("Dependent", "CIM_VirtualComputerSystem")});
    add("CIM_ParticipatingCS", "CIM_Dependency",
        {reference("Antecedent", "CIM_ComputerSystem"), reference("Dependent", "CIM_Cluster")});
    add("Kalora_RM_ParticipatingCS", "CIM_ParticipatingCS", {number("ClusterIndex", CIM_UINT16)});
    add("CIM_ResidesOnExtent", "CIM_Dependency",
        {reference("Antecedent", "CIM_StorageExtent"), reference("Dependent", "CIM_FileSystem")});
    add("Kalora_RM_ResidesOnVolume", "CIM_ResidesOnExtent",
        {reference("Antecedent", "CIM_StorageVolume")});
    add("CIM_CollectedMSEs", nullptr,
        {reference("Collection", "CIM_CollectionOfMSEs"),
         reference("Member", "CIM_ManagedSystemElement")});
    add("CIM_DriveInDiskGroup", "CIM_CollectedMSEs",
        {reference("Collection", "CIM_DiskGroup"), reference("Member", "CIM_DiskDrive")});
    add("CIM_ExtentInDiskGroup", "CIM_CollectedMSEs",
        {reference("Collection", "CIM_DiskGroup"), reference("Member", "CIM_StorageExtent")});
    add("CIM_LogicalIdentity", nullptr,
        {reference("SystemElement", "CIM_ManagedElement"),
         reference("SameElement", "CIM_ManagedElement")});
    add("CIM_SharedElement", "CIM_LogicalIdentity",
        {reference("SystemElement", "CIM_LogicalElement"), reference("SameElement", "CIM_Share")});
}

int ClassTable::find(const std::string &name) const {
    auto found = byName.find(lowered(name));
    return found != byName.end() ? found->second : -1;
}

bool ClassTable::isA(int id, int ancestor) const {
    if (id < 0 || id >= size()) {
        return false;
    }
    for (int a : classes[id].ancestors) {
        if (a == ancestor) {
            return true;
        }
    }
    return false;
}

std::vector<int> ClassTable::subclasses(int id, bool deep) const {
    std::vector<int> out;
    for (int c = 0; c < size(); ++c) {
        const std::vector<int> &chain = classes[c].ancestors;
        if (id < 0) {
            if (deep || chain.size() == 1) {
                out.push_back(c);
            }
        } else if (deep ? (c != id && isA(c, id)) : (chain.size() > 1 && chain[1] == id)) {
            out.push_back(c);
        }
    }
    return out;
}

const marshallClassProperty *ClassTable::property(int id, const char *name) const {
    for (const marshallClassProperty &p : classes[id].properties) {
        if (strcasecmp(p.name, name) == 0) {
            return &p;
        }
    }
    return nullptr;
}

marshallClassDefinition ClassTable::definition(int id) const {
    const CimClass &c = classes[id];
    return {c.name, c.superClass, c.association ? 1 : 0, c.properties.data(),
            static_cast<int>(c.properties.size())};
}

}  // namespace ulvar_server
