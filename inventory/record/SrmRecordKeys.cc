#include "inventory/record/SrmRecordKeys.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

// The words in id order, ten per line; the enum in the header follows the same order.
// clang-format off
constexpr const char *kKeyWords[SRM_KEY_COUNT] = {
    "Type", "HostName", "RAMMB", "SwapMB", "AddrSpaceMB", "CapacityKB", "FreeSpaceKB",
        "ProcCount", "ProcSpeedMHz", "CPUInfo",
    "HWInfo", "OS", "OSInfo", "MgmtURL", "DisplayMgmtURL", "NodeType", "HostId", "IPAddr",
        "NodeId", "Disk",
    "MountPoint", "FileSystem", "Volume", "VolumeGroup", "VolumeManager", "VirtualServer",
        "DiskChunk", "State", "System", "Id",
    "PubId", "Name", "Make", "Model", "Revision", "SerialNum", "DiskType", "SectorSize",
        "SectorStart", "SectorFree",
    "FactoryDefect", "GrownDefect", "RPM", "Sign", "Status", "StatusDesc", "AWRE", "Version",
        "Sbc", "IdType",
    "IdValue", "AddrBus", "AddrTarget", "AddrId", "AddrLUN", "LLTId", "ShareName", "SharePath",
        "ShareFsType", "ShareFlags",
    "ShareUser", "Domain", "ShareDesc", "VolumeId", "VolumeCount", "DiskCount", "DiskChunkCount",
        "VolumeType", "VolumeTypeDesc", "HierType",
    "VolumeDesc", "Vendor", "VendorVer", "MountPointName", "MountType", "MountToSystem",
        "MountAtStartup", "MountLocation", "FSType", "IsCluster",
    "ClusterName", "ClusterVersion", "ClusterState", "MemberList", "MemberCount", "Member",
        "AliasSource", "ClusterAlias", "ServiceGroup", "ResourceCount",
    "ChildServiceGroup", "VolumeMgrName", "VolumeMgrVersion", "ClusterChecksum",
        "ClusterStatePid", "FileSystemLocation", "SrmResourceDbVersion", "Start", "Length", "Pack",
    "Encrypt", "FileCnt", "MaxFileCnt", "MaxFileSz", "ReadOnly", "MountOptions", "Share", "Port",
        "SGCount", "Error",
    "ErrorDesc", "Ecode", "Sev", "Etype", "Eclass", "Efunc", "TIM", "FileName", "OSystem", "LId",
    "SubVolumeCount", "UsedSpaceKB", "ReservedSpaceKB", "PrimaryId", "SecondaryId", "ClusterId",
};
// clang-format on

// The word lookup: a perfect hash over the 126 words. A word's first two and
// last two bytes and its length, packed into 64 bits and multiplied by
// kHashFactor, give in their top kHashBits bits a slot that no other word has;
// the slot holds the word's id, and one comparison with that word (kept with
// its length in one 32-byte line of the table, beside no pointer) decides. The
// factor was found by trying odd numbers until every word had a slot of its
// own; the table is built when the library is compiled, and a word list on
// which the factor no longer works fails the build.
constexpr int kHashBits = 10;
constexpr uint64_t kHashFactor = 0x0885bd4ac1576f6full;
constexpr uint8_t kNoWord = 0xff;
constexpr std::size_t kShortestWord = 2;  // every word has a first and a last two bytes
constexpr std::size_t kLongestWord = 20;

constexpr std::size_t WordLength(const char *word) {
    std::size_t n = 0;
    while (word[n] != '\0') {
        ++n;
    }
    return n;
}

constexpr uint64_t u8(char c) {
    return static_cast<unsigned char>(c);
}

constexpr uint32_t SlotOf(const char *p, std::size_t n) {
    uint64_t packed = u8(p[0]) | u8(p[1]) << 8 | u8(p[n - 2]) << 16 | u8(p[n - 1]) << 24 |
                      static_cast<uint64_t>(n) << 32;
    return static_cast<uint32_t>((packed * kHashFactor) >> (64 - kHashBits));
}

struct Word {
    char text[kLongestWord + 11];  // zero-padded
    uint8_t length;
};

static_assert(sizeof(Word) == 32, "a word and its length fill one half cache line");

struct WordSlots {
    uint8_t id[1u << kHashBits];
    alignas(32) Word word[SRM_KEY_COUNT];
};

constexpr WordSlots BuildWordSlots() {
    WordSlots t{};
    for (uint8_t &slot : t.id) {
        slot = kNoWord;
    }
    for (int id = 0; id < SRM_KEY_COUNT; ++id) {
        std::size_t n = WordLength(kKeyWords[id]);
        if (n < kShortestWord || n > kLongestWord) {
            throw "a dictionary word is shorter or longer than the lookup allows";
        }
        uint32_t slot = SlotOf(kKeyWords[id], n);
        if (t.id[slot] != kNoWord) {
            throw "two dictionary words share a slot: find another kHashFactor";
        }
        t.id[slot] = static_cast<uint8_t>(id);
        for (std::size_t i = 0; i < n; ++i) {
            t.word[id].text[i] = kKeyWords[id][i];
        }
        t.word[id].length = static_cast<uint8_t>(n);
    }
    return t;
}

constexpr WordSlots kWordSlots = BuildWordSlots();

#define SRM_COUNT(array) (sizeof(array) / sizeof((array)[0]))

const int kTypeId[] = {SRM_KEY_Type, SRM_KEY_Id};

const int kComputerKeys[] = {
    SRM_KEY_Type,         SRM_KEY_Id,         SRM_KEY_PubId,          SRM_KEY_State,
    SRM_KEY_LId,          SRM_KEY_HostName,   SRM_KEY_RAMMB,          SRM_KEY_SwapMB,
    SRM_KEY_AddrSpaceMB,  SRM_KEY_CapacityKB, SRM_KEY_FreeSpaceKB,    SRM_KEY_ProcCount,
    SRM_KEY_ProcSpeedMHz, SRM_KEY_CPUInfo,    SRM_KEY_HWInfo,         SRM_KEY_OS,
    SRM_KEY_OSInfo,       SRM_KEY_MgmtURL,    SRM_KEY_DisplayMgmtURL, SRM_KEY_HostId,
    SRM_KEY_IPAddr,       SRM_KEY_NodeId,     SRM_KEY_LLTId,          SRM_KEY_ResourceCount,
    SRM_KEY_SGCount,      SRM_KEY_TIM};

const int kDiskKeys[] = {
    SRM_KEY_Type,          SRM_KEY_Id,          SRM_KEY_PubId,      SRM_KEY_Status,
    SRM_KEY_State,         SRM_KEY_LId,         SRM_KEY_StatusDesc, SRM_KEY_IdType,
    SRM_KEY_IdValue,       SRM_KEY_Name,        SRM_KEY_Model,      SRM_KEY_Make,
    SRM_KEY_Revision,      SRM_KEY_SerialNum,   SRM_KEY_Sign,       SRM_KEY_CapacityKB,
    SRM_KEY_FreeSpaceKB,   SRM_KEY_AWRE,        SRM_KEY_AddrBus,    SRM_KEY_AddrTarget,
    SRM_KEY_AddrLUN,       SRM_KEY_LLTId,       SRM_KEY_DiskType,   SRM_KEY_RPM,
    SRM_KEY_FactoryDefect, SRM_KEY_GrownDefect, SRM_KEY_Sbc,        SRM_KEY_VendorVer};

const int kDiskChunkKeys[] = {SRM_KEY_Type,  SRM_KEY_Id,    SRM_KEY_PubId,
                              SRM_KEY_State, SRM_KEY_LId,   SRM_KEY_DiskChunk,
                              SRM_KEY_Disk,  SRM_KEY_Start, SRM_KEY_Length};

const int kVolumeKeys[] = {
    SRM_KEY_Type,           SRM_KEY_Id,           SRM_KEY_PubId,          SRM_KEY_LId,
    SRM_KEY_Name,           SRM_KEY_State,        SRM_KEY_HierType,       SRM_KEY_CapacityKB,
    SRM_KEY_FreeSpaceKB,    SRM_KEY_MgmtURL,      SRM_KEY_DisplayMgmtURL, SRM_KEY_VolumeType,
    SRM_KEY_VolumeTypeDesc, SRM_KEY_Status,       SRM_KEY_StatusDesc,     SRM_KEY_DiskChunkCount,
    SRM_KEY_SubVolumeCount, SRM_KEY_VolumeManager};

const int kVolumeGroupKeys[] = {
    SRM_KEY_Type,       SRM_KEY_Id,         SRM_KEY_PubId,         SRM_KEY_State,
    SRM_KEY_LId,        SRM_KEY_CapacityKB, SRM_KEY_FreeSpaceKB,   SRM_KEY_Status,
    SRM_KEY_StatusDesc, SRM_KEY_Name,       SRM_KEY_VolumeManager, SRM_KEY_DiskCount,
    SRM_KEY_VolumeCount};

const int kVolumeManagerKeys[] = {SRM_KEY_Type,          SRM_KEY_Id,
                                  SRM_KEY_PubId,         SRM_KEY_IdType,
                                  SRM_KEY_VolumeMgrName, SRM_KEY_VolumeMgrVersion};

const int kFileSystemKeys[] = {
    SRM_KEY_Type,       SRM_KEY_Id,          SRM_KEY_Volume,      SRM_KEY_PubId,
    SRM_KEY_State,      SRM_KEY_LId,         SRM_KEY_FSType,      SRM_KEY_Pack,
    SRM_KEY_Encrypt,    SRM_KEY_FileCnt,     SRM_KEY_MaxFileCnt,  SRM_KEY_MaxFileSz,
    SRM_KEY_CapacityKB, SRM_KEY_FreeSpaceKB, SRM_KEY_UsedSpaceKB, SRM_KEY_ReservedSpaceKB};

const int kMountPointKeys[] = {
    SRM_KEY_Type,          SRM_KEY_Id,           SRM_KEY_PubId,          SRM_KEY_State,
    SRM_KEY_LId,           SRM_KEY_VolumeId,     SRM_KEY_MountPointName, SRM_KEY_MountType,
    SRM_KEY_MountToSystem, SRM_KEY_MountOptions, SRM_KEY_MountAtStartup, SRM_KEY_ReadOnly,
    SRM_KEY_MountLocation};

const int kShareKeys[] = {SRM_KEY_Type,      SRM_KEY_Id,          SRM_KEY_PubId,
                          SRM_KEY_State,     SRM_KEY_LId,         SRM_KEY_ShareName,
                          SRM_KEY_SharePath, SRM_KEY_ShareFsType, SRM_KEY_ShareFlags,
                          SRM_KEY_ShareUser, SRM_KEY_Domain,      SRM_KEY_ShareDesc,
                          SRM_KEY_VolumeId};

const int kVirtualServerKeys[] = {SRM_KEY_Type,  SRM_KEY_Id,          SRM_KEY_PubId,
                                  SRM_KEY_State, SRM_KEY_HostName,    SRM_KEY_IPAddr,
                                  SRM_KEY_Name,  SRM_KEY_ServiceGroup};

const int kAliasKeys[] = {SRM_KEY_Type,      SRM_KEY_Id,          SRM_KEY_PubId,
                          SRM_KEY_PrimaryId, SRM_KEY_SecondaryId, SRM_KEY_IdType};
const int kAliasShortKeys[] = {SRM_KEY_Type, SRM_KEY_Id, SRM_KEY_IdType, SRM_KEY_PrimaryId};

const int kServiceGroupKeys[] = {SRM_KEY_Type, SRM_KEY_Id, SRM_KEY_ChildServiceGroup,
                                 SRM_KEY_ResourceCount};

const int kErrorKeys[] = {SRM_KEY_Type,  SRM_KEY_Id,     SRM_KEY_ErrorDesc,
                          SRM_KEY_Ecode, SRM_KEY_Sev,    SRM_KEY_FileName,
                          SRM_KEY_Etype, SRM_KEY_Eclass, SRM_KEY_Efunc};

const int kHeaderKeys[] = {
    SRM_KEY_SrmResourceDbVersion, SRM_KEY_ResourceCount,  SRM_KEY_ClusterAlias, SRM_KEY_ClusterId,
    SRM_KEY_ClusterName,          SRM_KEY_ClusterVersion, SRM_KEY_MemberCount,  SRM_KEY_SGCount};

#define SRM_LAYOUT(word, full, shortForm) \
    { word, full, SRM_COUNT(full), shortForm, SRM_COUNT(shortForm) }

const SrmRecordLayout kLayouts[] = {
    SRM_LAYOUT(SRM_KEY_System, kComputerKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_Disk, kDiskKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_DiskChunk, kDiskChunkKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_Volume, kVolumeKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_VolumeGroup, kVolumeGroupKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_VolumeManager, kVolumeManagerKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_FileSystem, kFileSystemKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_MountPoint, kMountPointKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_Share, kShareKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_VirtualServer, kVirtualServerKeys, kTypeId),
    SRM_LAYOUT(SRM_KEY_Id, kAliasKeys, kAliasShortKeys),
    SRM_LAYOUT(SRM_KEY_ServiceGroup, kServiceGroupKeys, kTypeId),
    {SRM_KEY_Error, kErrorKeys, SRM_COUNT(kErrorKeys), nullptr, 0},
};

const SrmRecordLayout kHeaderLayout = {-1, kHeaderKeys, SRM_COUNT(kHeaderKeys), nullptr, 0};

}  // namespace

const char *SrmRecordKeyText(int id) {
    if (id < 0 || id >= SRM_KEY_COUNT) {
        return nullptr;
    }
    return kKeyWords[id];
}

// The dictionary is constant data made when the library is compiled: there is
// nothing to build at run time and nothing to free, and any number of threads
// may look words up at once.
void buildStringKeys() {}

void freeStaticKeys() {}

namespace {

template <typename T>
T Load(const char *p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Whether the `n` bytes at `a` and `b` are equal, for 2 <= n <= 24: two or
// three overlapping loads on each side instead of a call to memcmp.
bool SameBytes(const char *a, const char *b, std::size_t n) {
    if (n >= 8) {
        return Load<uint64_t>(a) == Load<uint64_t>(b) &&
               Load<uint64_t>(a + n - 8) == Load<uint64_t>(b + n - 8) &&
               (n <= 16 || Load<uint64_t>(a + 8) == Load<uint64_t>(b + 8));
    }
    if (n >= 4) {
        return Load<uint32_t>(a) == Load<uint32_t>(b) &&
               Load<uint32_t>(a + n - 4) == Load<uint32_t>(b + n - 4);
    }
    return Load<uint16_t>(a) == Load<uint16_t>(b) &&
           Load<uint16_t>(a + n - 2) == Load<uint16_t>(b + n - 2);
}

}  // namespace

int SrmRecordKeyId(const char *text, std::size_t length) {
    static_assert(kLongestWord <= 24, "SameBytes compares at most 24 bytes");
    if (length < kShortestWord || length > kLongestWord) {
        return SRM_KEY_Type;
    }
    int id = kWordSlots.id[SlotOf(text, length)];
    if (id == kNoWord || kWordSlots.word[id].length != length ||
        !SameBytes(kWordSlots.word[id].text, text, length)) {
        return SRM_KEY_Type;
    }
    return id;
}

int SrmUlvarGetStringId(const std::string &key) {
    return SrmRecordKeyId(key.data(), key.size());
}

std::string SrmUlvarGetIdString(int id) {
    const char *word = SrmRecordKeyText(id);
    if (word == nullptr) {
        return std::string();
    }
    try {
        return std::string(word, kWordSlots.word[id].length);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return std::string();
    }
}

int SrmSplitKeyValuePair(std::string *element, std::string *key, std::string *value) {
    if (element == nullptr || key == nullptr || value == nullptr) {
        return 0;
    }
    const std::string &e = *element;
    std::size_t equals = e.find('=');
    if (equals == std::string::npos) {
        return 0;
    }
    // An element with a quote at one end only keeps that quote in its key or value.
    bool quoted = e.size() >= 2 && e.front() == '"' && e.back() == '"';
    std::size_t keyStart = quoted ? 1 : 0;
    std::size_t valueEnd = quoted ? e.size() - 1 : e.size();
    try {
        key->assign(e, keyStart, equals - keyStart);
        value->assign(e, equals + 1, valueEnd - (equals + 1));
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}

const SrmRecordLayout *SrmRecordLayoutOf(int kindWord) {
    for (const SrmRecordLayout &layout : kLayouts) {
        if (layout.kindWord == kindWord) {
            return &layout;
        }
    }
    return nullptr;
}

const SrmRecordLayout *SrmRecordHeaderLayout() {
    return &kHeaderLayout;
}
