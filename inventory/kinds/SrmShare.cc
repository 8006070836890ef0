#include "inventory/kinds/SrmShare.h"

#include <string>

#include "inventory/kinds/internal/SrmShareFields.h"

SrmShare::SrmShare() {
    type = SRM_RES_SHARE;
}

SrmShare::SrmShare(std::string id) : SrmShare() {
    Id = std::move(id);
}

SrmShare::~SrmShare() = default;

int SrmShare::mergeResource(SrmResource *other) {
    return srmMergeRecord(SrmShareFields::table, *this, other);
}

std::string SrmShare::getResourceReportString(bool) {
    return std::string();
}

std::string SrmShare::getResourceHeader(bool) {
    return std::string();
}

int SrmShare::serialize(int fd, int flags) {
    return srmWriteRecord(SrmShareFields::table, *this, fd, flags);
}

int SrmShare::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmShareFields::table, *this, record);
}
