#include "inventory/kinds/SrmDisk.h"

#include <string>

#include "inventory/kinds/internal/SrmDiskFields.h"
#include "inventory/kinds/internal/SrmKindMerge.h"

SrmDisk::SrmDisk() {
    type = SRM_RES_DISK;
    state |= SRM_STATE_BIT1;
}

SrmDisk::SrmDisk(SrmResourceDatabase *owner) : SrmDisk() {
    db = owner;
}

SrmDisk::SrmDisk(std::string id) : SrmDisk() {
    Id = std::move(id);
}

SrmDisk::~SrmDisk() = default;

int SrmDisk::setCapacity(long kb) {
    return srmSetSize(CapacityKB, kb);
}

int SrmDisk::setFreeSpace(long kb) {
    return srmSetSize(FreeSpaceKB, kb);
}

int SrmDisk::mergeResource(SrmResource *other) {
    return srmMergeRecord(SrmDiskFields::table, *this, other);
}

std::string SrmDisk::getResourceReportString(bool) {
    return std::string();
}

std::string SrmDisk::getResourceHeader(bool) {
    return std::string();
}

int SrmDisk::serialize(int fd, int flags) {
    return srmWriteRecord(SrmDiskFields::table, *this, fd, flags);
}

int SrmDisk::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmDiskFields::table, *this, record);
}
