#include "inventory/kinds/SrmId.h"

#include <string>

#include "inventory/kinds/internal/SrmIdFields.h"
#include "inventory/kinds/internal/SrmKindMerge.h"

SrmId::SrmId() {
    type = SRM_RES_ID;
    state |= SRM_STATE_BIT1;
}

SrmId::SrmId(SrmResourceDatabase *owner) : SrmId() {
    db = owner;
}

SrmId::SrmId(std::string id) : SrmId() {
    Id = std::move(id);
}

int SrmId::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_ID, [this](SrmId *o) {
        state |= o->state;
        return srmTakeFields(SrmIdFields::table, *this, *o);
    });
}

int SrmId::serialize(int fd, int flags) {
    if ((flags & 0x1) == 0) {
        return srmWriteRecord(SrmIdFields::table, *this, fd, flags);
    }
    if (getBuffer() == nullptr) {
        return 0;
    }
    // The short form also names what the alias stands for.
    SrmRecordWriter w(db->getRecordText());
    srmWriteShort(SrmIdFields::table, *this, w);
    w.addText(SRM_KEY_IdType, IdType);
    w.addText(SRM_KEY_PrimaryId, PrimaryId);
    return w.write(fd);
}

int SrmId::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmIdFields::table, *this, record);
}
