#include "tools/Kinds.h"

#include <cctype>

namespace ulvar_tool {

const std::vector<Kind> &allKinds() {
    static const std::vector<Kind> kinds = {
        {SRM_RES_COMPUTER, "computer", "computer", "System"},
        {SRM_RES_DISK, "disk", "disk", "Disk"},
        {SRM_RES_VOLUME, "volume", "volume", "Volume"},
        {SRM_RES_FILESYSTEM, "filesystem", "file system", "FileSystem"},
        {SRM_RES_MOUNTPOINT, "mountpoint", "mount point", "MountPoint"},
        {SRM_RES_VIRTUALSERVER, "virtualserver", "virtual server", "VirtualServer"},
        {SRM_RES_VOLUMEGROUP, "volumegroup", "volume group", "VolumeGroup"},
        {SRM_RES_VOLUMEMANAGER, "volumemanager", "volume manager", "VolumeManager"},
        {SRM_RES_DISKCHUNK, "diskchunk", "disk chunk", "DiskChunk"},
        {SRM_RES_SHARE, "share", "share", "Share"},
        {SRM_RES_ID, "alias", "alias", "Id"},
        {SRM_RES_NONE, "servicegroup", "service group", "ServiceGroup"},
    };
    return kinds;
}

const Kind &kindOf(SrmResourceType type) {
    for (const Kind &k : allKinds()) {
        if (k.type == type) {
            return k;
        }
    }
    return serviceGroupKind();
}

const Kind &serviceGroupKind() {
    return allKinds().back();
}

const std::map<std::string, std::string> &kindChoices() {
    static const std::map<std::string, std::string> choices = [] {
        std::map<std::string, std::string> m;
        for (const Kind &k : allKinds()) {
            std::string word = k.word;
            for (char &c : word) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            m[k.name] = k.name;
            m[word] = k.name;
        }
        // "id" is the alias's record word; the short forms people type.
        m["chunk"] = "diskchunk";
        m["fs"] = "filesystem";
        m["mount"] = "mountpoint";
        m["vg"] = "volumegroup";
        m["vm"] = "volumemanager";
        m["vs"] = "virtualserver";
        m["sg"] = "servicegroup";
        return m;
    }();
    return choices;
}

std::string kindNames() {
    std::string names;
    for (const Kind &k : allKinds()) {
        names += names.empty() ? k.name : std::string(", ") + k.name;
    }
    return names;
}

CLI::Validator kindOption() {
    return CLI::Validator(
        [](std::string &value) -> std::string {
            std::string folded = value;
            for (char &c : folded) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            auto found = kindChoices().find(folded);
            if (found == kindChoices().end()) {
                return "unknown kind \"" + value + "\" (kinds: " + kindNames() + ")";
            }
            value = found->second;
            return std::string();
        },
        "KIND");
}

}  // namespace ulvar_tool
