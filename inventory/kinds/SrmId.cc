#include "inventory/kinds/SrmId.h"

#include <string_view>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

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
        if (o->state != 0) {
            state |= o->state;
        }
        // This alias's own values win.
        if (IdType.empty()) {
            IdType = o->IdType;
        }
        if (PrimaryId.empty()) {
            PrimaryId = o->PrimaryId;
        }
        return 1;
    });
}

int SrmId::serialize(int fd, int flags) {
    if (getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_Id);
    w.addText(SRM_KEY_Id, Id);
    if ((flags & 0x1) != 0) {
        w.addText(SRM_KEY_IdType, IdType);
        w.addText(SRM_KEY_PrimaryId, PrimaryId);
    } else {
        w.addText(SRM_KEY_PubId, PubId);
        w.addText(SRM_KEY_PrimaryId, PrimaryId);
        w.addText(SRM_KEY_SecondaryId, SecondaryId);
        w.addText(SRM_KEY_IdType, IdType);
    }
    return w.write(fd);
}

int SrmId::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    srm_walk::forEachElement(record, [&](int keyId, std::string_view value) {
        switch (keyId) {
            case SRM_KEY_Id:
                Id = value;
                break;
            case SRM_KEY_PubId:
                PubId = value;
                break;
            case SRM_KEY_PrimaryId:
                PrimaryId = value;
                break;
            case SRM_KEY_SecondaryId:
                SecondaryId = value;
                break;
            case SRM_KEY_IdType:
                IdType = value;
                break;
            default:
                break;
        }
    });
    return 1;
}
