#include "inventory/kinds/SrmMountPoint.h"

#include <string>

#include "inventory/kinds/internal/SrmMountPointFields.h"

SrmMountPoint::SrmMountPoint() {
    type = SRM_RES_MOUNTPOINT;
}

SrmMountPoint::SrmMountPoint(std::string id) : SrmMountPoint() {
    Id = std::move(id);
}

SrmMountPoint::~SrmMountPoint() = default;

int SrmMountPoint::mergeResource(SrmResource *other) {
    return srmMergeRecord(SrmMountPointFields::table, *this, other);
}

std::string SrmMountPoint::getResourceReportString(bool) {
    return std::string();
}

std::string SrmMountPoint::getResourceHeader(bool) {
    return std::string();
}

int SrmMountPoint::serialize(int fd, int flags) {
    return srmWriteRecord(SrmMountPointFields::table, *this, fd, flags);
}

int SrmMountPoint::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmMountPointFields::table, *this, record);
}
