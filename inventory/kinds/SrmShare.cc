#include "inventory/kinds/SrmShare.h"

#include <new>
#include <string>
#include <string_view>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/internal/SrmOutOfMemory.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

using srm_walk::forEachElement;
using srm_walk::takeIdentity;

namespace {

// Short form of all three kinds.
int writeShort(SrmResource *r, int kindWord, int fd) {
    SrmRecordWriter w(r->db->getRecordText());
    w.addWord(SRM_KEY_Type, kindWord);
    w.addText(SRM_KEY_Id, r->Id);
    return w.write(fd);
}

bool canWrite(const SrmResource *r) {
    return r->db != nullptr && r->getBuffer() != nullptr;
}

}  // namespace

SrmShare::SrmShare() {
    type = SRM_RES_SHARE;
}

SrmShare::SrmShare(std::string id) : SrmShare() {
    Id = std::move(id);
}

SrmShare::~SrmShare() = default;

int SrmShare::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_SHARE, [this](SrmShare *o) {
        try {
            srmTakeText(VolumeId, o->VolumeId);
            srmTakeText(ShareName, o->ShareName);
            srmTakeText(SharePath, o->SharePath);
            srmTakeText(ShareUser, o->ShareUser);
            srmTakeText(Domain, o->Domain);
            srmTakeText(ShareDesc, o->ShareDesc);
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
            return 0;
        }
        srmTakeNonZero(ShareFsType, o->ShareFsType);
        srmTakeNonZero(ShareFlags, o->ShareFlags);
        return 1;
    });
}

std::string SrmShare::getResourceReportString(bool) {
    return std::string();
}

std::string SrmShare::getResourceHeader(bool) {
    return std::string();
}

int SrmShare::serialize(int fd, int flags) {
    if (!canWrite(this)) {
        return 0;
    }
    if ((flags & 1) != 0) {
        return writeShort(this, SRM_KEY_Share, fd);
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_Share);
    w.addText(SRM_KEY_Id, Id);
    w.addText(SRM_KEY_PubId, PubId);
    w.addInt(SRM_KEY_State, srm_walk::stateValue(this));
    w.addText(SRM_KEY_LId, LId);
    w.addText(SRM_KEY_ShareName, ShareName);
    w.addText(SRM_KEY_SharePath, SharePath);
    w.addInt(SRM_KEY_ShareFsType, ShareFsType);
    w.addInt(SRM_KEY_ShareFlags, ShareFlags);
    w.addText(SRM_KEY_ShareUser, ShareUser);
    w.addText(SRM_KEY_Domain, Domain);
    w.addText(SRM_KEY_ShareDesc, ShareDesc);
    w.addText(SRM_KEY_VolumeId, VolumeId);
    return w.write(fd);
}

int SrmShare::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    try {
        forEachElement(record, [this](int keyId, std::string_view value) {
            if (takeIdentity(this, keyId, value)) {
                return;
            }
            switch (keyId) {
                case SRM_KEY_State:
                    // A share's record carries its whole state word.
                    state = srm_walk::stateWord(value);
                    break;
                case SRM_KEY_VolumeId:
                    VolumeId = value;
                    break;
                case SRM_KEY_ShareName:
                    ShareName = value;
                    break;
                case SRM_KEY_SharePath:
                    SharePath = value;
                    break;
                case SRM_KEY_ShareUser:
                    ShareUser = value;
                    break;
                case SRM_KEY_Domain:
                    Domain = value;
                    break;
                case SRM_KEY_ShareDesc:
                    ShareDesc = value;
                    break;
                case SRM_KEY_ShareFsType:
                    ShareFsType = srmRecordInt(value);
                    break;
                case SRM_KEY_ShareFlags:
                    ShareFlags = srmRecordInt(value);
                    break;
                default:
                    break;
            }
        });
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}
