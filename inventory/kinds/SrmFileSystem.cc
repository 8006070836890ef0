#include "inventory/kinds/SrmFileSystem.h"

#include <string>

#include "inventory/kinds/internal/SrmFileSystemFields.h"
#include "inventory/kinds/internal/SrmKindMerge.h"

SrmFileSystem::SrmFileSystem() {
    type = SRM_RES_FILESYSTEM;
}

SrmFileSystem::SrmFileSystem(std::string id) : SrmFileSystem() {
    Id = std::move(id);
}

SrmFileSystem::~SrmFileSystem() = default;

int SrmFileSystem::setCapacity(long kb) {
    return srmSetSize(CapacityKB, kb);
}

int SrmFileSystem::setFreeSpace(long kb) {
    return srmSetSize(FreeSpaceKB, kb);
}

int SrmFileSystem::setUsedSpace(long kb) {
    return srmSetSize(UsedSpaceKB, kb);
}

int SrmFileSystem::setReservedSpace(long kb) {
    return srmSetSize(ReservedSpaceKB, kb);
}

int SrmFileSystem::setMaxFileSize(int value) {
    MaxFileSz = value;
    return 1;
}

int SrmFileSystem::setFileCount(int value) {
    FileCnt = value;
    return 1;
}

int SrmFileSystem::setMaxFileCount(int value) {
    MaxFileCnt = value;
    return 1;
}

int SrmFileSystem::mergeResource(SrmResource *other) {
    return srmMergeRecord(SrmFileSystemFields::table, *this, other);
}

std::string SrmFileSystem::getResourceReportString(bool) {
    return std::string();
}

std::string SrmFileSystem::getResourceHeader(bool) {
    return std::string();
}

int SrmFileSystem::serialize(int fd, int flags) {
    return srmWriteRecord(SrmFileSystemFields::table, *this, fd, flags);
}

int SrmFileSystem::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmFileSystemFields::table, *this, record);
}
