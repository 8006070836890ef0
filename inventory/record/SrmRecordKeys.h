// The record key dictionary: the 126 words that serve as record keys and as kind words (the values
// of "Type"), their ids, and the key lists each kind of record is written with.
#ifndef INVENTORY_RECORD_SRMRECORDKEYS_H
#define INVENTORY_RECORD_SRMRECORDKEYS_H

#include <cstddef>
#include <string>

#include "ulvar/export.h"

// Key ids: a word's id is its position in the dictionary. Stored files rely on every id and word,
// including the words no record layout writes any more.
enum SrmRecordKeyId : int {
    SRM_KEY_Type = 0,
    SRM_KEY_HostName,
    SRM_KEY_RAMMB,
    SRM_KEY_SwapMB,
    SRM_KEY_AddrSpaceMB,
    SRM_KEY_CapacityKB,
    SRM_KEY_FreeSpaceKB,
    SRM_KEY_ProcCount,
    SRM_KEY_ProcSpeedMHz,
    SRM_KEY_CPUInfo,
    SRM_KEY_HWInfo,  // 10
    SRM_KEY_OS,
    SRM_KEY_OSInfo,
    SRM_KEY_MgmtURL,
    SRM_KEY_DisplayMgmtURL,
    SRM_KEY_NodeType,
    SRM_KEY_HostId,
    SRM_KEY_IPAddr,
    SRM_KEY_NodeId,
    SRM_KEY_Disk,
    SRM_KEY_MountPoint,  // 20
    SRM_KEY_FileSystem,
    SRM_KEY_Volume,
    SRM_KEY_VolumeGroup,
    SRM_KEY_VolumeManager,
    SRM_KEY_VirtualServer,
    SRM_KEY_DiskChunk,
    SRM_KEY_State,
    SRM_KEY_System,
    SRM_KEY_Id,
    SRM_KEY_PubId,  // 30
    SRM_KEY_Name,
    SRM_KEY_Make,
    SRM_KEY_Model,
    SRM_KEY_Revision,
    SRM_KEY_SerialNum,
    SRM_KEY_DiskType,
    SRM_KEY_SectorSize,
    SRM_KEY_SectorStart,
    SRM_KEY_SectorFree,
    SRM_KEY_FactoryDefect,  // 40
    SRM_KEY_GrownDefect,
    SRM_KEY_RPM,
    SRM_KEY_Sign,
    SRM_KEY_Status,
    SRM_KEY_StatusDesc,
    SRM_KEY_AWRE,
    SRM_KEY_Version,
    SRM_KEY_Sbc,
    SRM_KEY_IdType,
    SRM_KEY_IdValue,  // 50
    SRM_KEY_AddrBus,
    SRM_KEY_AddrTarget,
    SRM_KEY_AddrId,
    SRM_KEY_AddrLUN,
    SRM_KEY_LLTId,
    SRM_KEY_ShareName,
    SRM_KEY_SharePath,
    SRM_KEY_ShareFsType,
    SRM_KEY_ShareFlags,
    SRM_KEY_ShareUser,  // 60
    SRM_KEY_Domain,
    SRM_KEY_ShareDesc,
    SRM_KEY_VolumeId,
    SRM_KEY_VolumeCount,
    SRM_KEY_DiskCount,
    SRM_KEY_DiskChunkCount,
    SRM_KEY_VolumeType,
    SRM_KEY_VolumeTypeDesc,
    SRM_KEY_HierType,
    SRM_KEY_VolumeDesc,  // 70
    SRM_KEY_Vendor,
    SRM_KEY_VendorVer,
    SRM_KEY_MountPointName,
    SRM_KEY_MountType,
    SRM_KEY_MountToSystem,
    SRM_KEY_MountAtStartup,
    SRM_KEY_MountLocation,
    SRM_KEY_FSType,
    SRM_KEY_IsCluster,
    SRM_KEY_ClusterName,  // 80
    SRM_KEY_ClusterVersion,
    SRM_KEY_ClusterState,
    SRM_KEY_MemberList,
    SRM_KEY_MemberCount,
    SRM_KEY_Member,
    SRM_KEY_AliasSource,
    SRM_KEY_ClusterAlias,
    SRM_KEY_ServiceGroup,
    SRM_KEY_ResourceCount,
    SRM_KEY_ChildServiceGroup,  // 90
    SRM_KEY_VolumeMgrName,
    SRM_KEY_VolumeMgrVersion,
    SRM_KEY_ClusterChecksum,
    SRM_KEY_ClusterStatePid,
    SRM_KEY_FileSystemLocation,
    SRM_KEY_SrmResourceDbVersion,
    SRM_KEY_Start,
    SRM_KEY_Length,
    SRM_KEY_Pack,
    SRM_KEY_Encrypt,  // 100
    SRM_KEY_FileCnt,
    SRM_KEY_MaxFileCnt,
    SRM_KEY_MaxFileSz,
    SRM_KEY_ReadOnly,
    SRM_KEY_MountOptions,
    SRM_KEY_Share,
    SRM_KEY_Port,
    SRM_KEY_SGCount,
    SRM_KEY_Error,
    SRM_KEY_ErrorDesc,  // 110
    SRM_KEY_Ecode,
    SRM_KEY_Sev,
    SRM_KEY_Etype,
    SRM_KEY_Eclass,
    SRM_KEY_Efunc,
    SRM_KEY_TIM,
    SRM_KEY_FileName,
    SRM_KEY_OSystem,
    SRM_KEY_LId,
    SRM_KEY_SubVolumeCount,  // 120
    SRM_KEY_UsedSpaceKB,
    SRM_KEY_ReservedSpaceKB,
    SRM_KEY_PrimaryId,
    SRM_KEY_SecondaryId,
    SRM_KEY_ClusterId,
    SRM_KEY_COUNT  // 126, the number of words
};

extern "C" {

// The word of `id` from the constant table; null for an id
// outside 0 to 125. The text is static.
ULVAR_API const char *SrmRecordKeyText(int id);

// Do nothing: the dictionary is constant data, ready before the first lookup and alive until the
// process ends. Kept for callers that build and free it; any number of threads may look up at once.
ULVAR_API void buildStringKeys();
ULVAR_API void freeStaticKeys();

}  // extern "C"

// The id of the `length` bytes at `text` (need not be NUL-terminated; may be null when `length`
// is 0), as SrmUlvarGetStringId gives it.
ULVAR_API int SrmRecordKeyId(const char *text, std::size_t length);

// The id of a word; an unknown text (also the empty one, or one differing in case) yields 0, the
// id of "Type". Never adds to the dictionary.
ULVAR_API int SrmUlvarGetStringId(const std::string &key);

// The word of an id; an id outside 0 to 125 yields the empty string.
ULVAR_API std::string SrmUlvarGetIdString(int id);

// Splits one element at its first `=`: 1, with the key before and the value after it; when the
// element's first and last characters are both double quotes they are left out of key and value.
// 0 when the element holds no `=` or a pointer is null; `key` and `value` are then unchanged.
// `key` and `value` may not point at `element`.
ULVAR_API int SrmSplitKeyValuePair(std::string *element, std::string *key, std::string *value);

extern "C" {

// The key lists of one kind of record: the full list in written order and the short form written
// when bit 0 of a writer's flags is set (a reference to a resource written in full elsewhere).
struct SrmRecordLayout {
    int kindWord;  // key id of the "Type" value, or -1 for the header (which has no "Type")
    const int *fullKeys;
    std::size_t fullKeyCount;
    const int *shortKeys;  // null when the kind has no short form
    std::size_t shortKeyCount;
};

// The layout of the records whose "Type" is the word `kindWord` (SRM_KEY_System, SRM_KEY_Disk,
// SRM_KEY_DiskChunk, SRM_KEY_Volume, SRM_KEY_VolumeGroup, SRM_KEY_VolumeManager,
// SRM_KEY_FileSystem, SRM_KEY_MountPoint, SRM_KEY_Share, SRM_KEY_VirtualServer, SRM_KEY_Id,
// SRM_KEY_ServiceGroup, SRM_KEY_Error); null for any other word. Static data.
ULVAR_API const SrmRecordLayout *SrmRecordLayoutOf(int kindWord);

// The layout of the database header record, whose elements are always all written.
ULVAR_API const SrmRecordLayout *SrmRecordHeaderLayout();

}  // extern "C"

#endif
