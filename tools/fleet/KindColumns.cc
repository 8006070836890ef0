#include "tools/fleet/KindColumns.h"

#include <cctype>
#include <cstring>

namespace ulvar_fleet {

const char *const kIdColumn = "id";
const char *const kAttrsColumn = "attrs";

namespace {

constexpr SqlType I = SqlType::Integer;
constexpr SqlType B = SqlType::BigInt;
constexpr SqlType T = SqlType::Text;
constexpr Conversion Same = Conversion::Same;
constexpr Conversion KiB = Conversion::KibBytes;
constexpr Conversion MiB = Conversion::MibBytes;

// The fields an administrator asks about get a column; the rest stay in attrs.
const std::vector<KindTable> kTables = {
    {SRM_RES_COMPUTER,
     "computer",
     {
         {"HostName", "host_name", T, Same},
         {"IPAddr", "ip_address", T, Same},
         {"OS", "os", T, Same},
         {"OSInfo", "os_info", T, Same},
         {"HostId", "host_id", T, Same},
         {"NodeId", "node_id", I, Same},
         {"LLTId", "llt_id", I, Same},
         {"TIM", "this_machine", I, Same},
         {"RAMMB", "ram_bytes", B, MiB},
         {"CapacityKB", "capacity_bytes", B, KiB},
         {"FreeSpaceKB", "free_bytes", B, KiB},
     }},
    {SRM_RES_DISK,
     "disk",
     {
         {"Name", "name", T, Same},
         {"IdValue", "wwid", T, Conversion::Wwid},
         {"IdValue", "id_value", T, Same},
         {"IdType", "id_type", I, Same},
         {"Sign", "sign", B, Same},
         {"Make", "vendor", T, Same},
         {"Model", "model", T, Same},
         {"SerialNum", "serial", T, Same},
         {"Revision", "revision", T, Same},
         {"DiskType", "disk_type", I, Same},
         {"Status", "status", I, Same},
         {"StatusDesc", "status_desc", T, Same},
         {"CapacityKB", "capacity_bytes", B, KiB},
         {"FreeSpaceKB", "free_bytes", B, KiB},
     }},
    {SRM_RES_DISKCHUNK,
     "disk_chunk",
     {
         {"Disk", "disk_id", T, Same},
         {"DiskChunk", "name", T, Same},
         // The scanner gives the start as a byte offset and the length in kilobytes.
         {"Start", "start_bytes", B, Same},
         {"Length", "length_bytes", B, KiB},
     }},
    {SRM_RES_VOLUME,
     "volume",
     {
         {"Name", "name", T, Same},
         {"VolumeType", "volume_type", I, Same},
         {"VolumeTypeDesc", "volume_type_desc", T, Same},
         {"HierType", "hier_type", I, Same},
         {"Status", "status", I, Same},
         {"StatusDesc", "status_desc", T, Same},
         {"VolumeManager", "volume_manager", T, Same},
         {"CapacityKB", "capacity_bytes", B, KiB},
         {"FreeSpaceKB", "free_bytes", B, KiB},
     }},
    {SRM_RES_VOLUMEGROUP,
     "volume_group",
     {
         {"Name", "name", T, Same},
         {"Status", "status", I, Same},
         {"StatusDesc", "status_desc", T, Same},
         {"VolumeManager", "volume_manager", T, Same},
         {"CapacityKB", "capacity_bytes", B, KiB},
         {"FreeSpaceKB", "free_bytes", B, KiB},
     }},
    {SRM_RES_VOLUMEMANAGER,
     "volume_manager",
     {
         {"VolumeMgrName", "name", T, Same},
         {"VolumeMgrVersion", "version", T, Same},
         {"IdType", "manager_number", I, Same},
     }},
    {SRM_RES_FILESYSTEM,
     "file_system",
     {
         {"Volume", "volume_id", T, Same},
         {"FSType", "fs_type", T, Same},
         {"CapacityKB", "capacity_bytes", B, KiB},
         {"FreeSpaceKB", "free_bytes", B, KiB},
         {"UsedSpaceKB", "used_bytes", B, KiB},
         {"ReservedSpaceKB", "reserved_bytes", B, KiB},
     }},
    {SRM_RES_MOUNTPOINT,
     "mount_point",
     {
         {"VolumeId", "volume_id", T, Same},
         {"MountPointName", "name", T, Same},
         {"MountLocation", "location", T, Same},
         {"MountToSystem", "system_name", T, Same},
         {"ReadOnly", "read_only", I, Same},
         {"MountAtStartup", "at_startup", I, Same},
         {"MountType", "mount_type", I, Same},
         {"MountOptions", "mount_options", I, Same},
     }},
    {SRM_RES_SHARE,
     "share",
     {
         {"VolumeId", "volume_id", T, Same},
         {"ShareName", "name", T, Same},
         {"SharePath", "path", T, Same},
         {"ShareFsType", "share_type", I, Same},
         {"ShareFlags", "share_flags", I, Same},
         {"ShareUser", "share_user", T, Same},
         {"Domain", "domain", T, Same},
         {"ShareDesc", "description", T, Same},
     }},
    {SRM_RES_ID,
     "alias",
     {
         {"PrimaryId", "primary_id", T, Same},
         {"SecondaryId", "secondary_id", T, Same},
         {"IdType", "id_type", T, Same},
     }},
    {SRM_RES_VIRTUALSERVER,
     "virtual_server",
     {
         {"Name", "name", T, Same},
         {"HostName", "host_name", T, Same},
         {"IPAddr", "ip_address", T, Same},
         {"ServiceGroup", "service_group_id", T, Same},
     }},
};

bool isHex(const std::string &s) {
    for (char c : s) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return !s.empty();
}

bool startsWith(const std::string &s, const char *prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

const std::vector<KindTable> &kindTables() {
    return kTables;
}

const KindTable *kindTableOf(SrmResourceType type) {
    for (const KindTable &t : kTables) {
        if (t.type == type) {
            return &t;
        }
    }
    return nullptr;
}

const std::vector<std::string> &commonAndCountKeys() {
    static const std::vector<std::string> keys = {
        "Type",           "Id",      "PubId",     "LId",         "State",
        "ResourceCount",  "SGCount", "DiskCount", "VolumeCount", "DiskChunkCount",
        "SubVolumeCount",
    };
    return keys;
}

std::string normalizedWwid(const std::string &idValue) {
    std::string w = idValue;
    for (char &c : w) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char *prefix : {"wwn-0x", "naa.", "0x"}) {
        if (startsWith(w, prefix)) {
            w.erase(0, std::strlen(prefix));
            break;
        }
    }
    if ((w.size() == 17 || w.size() == 33) && w[0] == '3' && isHex(w)) {
        w.erase(0, 1);
    }
    return w;
}

}  // namespace ulvar_fleet
