#include "inventory/kinds/SrmDisk.h"

#include <string>
#include <string_view>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

using srm_walk::forEachElement;
using srm_walk::takeCommon;

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
    return srmMergeKind(this, other, SRM_RES_DISK, [this](SrmDisk *o) {
        if (o->state != 0) {
            state |= o->state;
        }
        srmTakeNonZero(Status, o->Status);
        srmTakeNonZero(IdType, o->IdType);
        srmTakeNonZero(AWRE, o->AWRE);
        srmTakeNonZero(AddrBus, o->AddrBus);
        srmTakeNonZero(AddrTarget, o->AddrTarget);
        srmTakeNonZero(AddrLUN, o->AddrLUN);
        srmTakeNonZero(LLTId, o->LLTId);
        srmTakeNonZero(DiskType, o->DiskType);
        srmTakeNonZero(RPM, o->RPM);
        srmTakeNonZero(FactoryDefect, o->FactoryDefect);
        srmTakeNonZero(GrownDefect, o->GrownDefect);
        srmTakeNonZero(Sbc, o->Sbc);
        srmTakeNonZero(VendorVer, o->VendorVer);
        if (o->CapacityKB != 0) {
            setCapacity(o->CapacityKB);
        }
        if (o->FreeSpaceKB != 0) {
            setFreeSpace(o->FreeSpaceKB);
        }
        srmTakeText(StatusDesc, o->StatusDesc);
        srmTakeText(IdValue, o->IdValue);
        srmTakeText(Model, o->Model);
        srmTakeText(Make, o->Make);
        srmTakeText(Revision, o->Revision);
        srmTakeText(SerialNum, o->SerialNum);
        // The first name and signature a disk was seen with stay.
        if (Name.empty()) {
            Name = o->Name;
        }
        if (Sign < 0) {
            Sign = o->Sign;
        }
        return 1;
    });
}

std::string SrmDisk::getResourceReportString(bool) {
    return std::string();
}

std::string SrmDisk::getResourceHeader(bool) {
    return std::string();
}

int SrmDisk::serialize(int fd, int flags) {
    if (getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_Disk);
    w.addText(SRM_KEY_Id, Id);
    if ((flags & 1) == 0) {
        w.addText(SRM_KEY_PubId, PubId);
        w.addInt(SRM_KEY_Status, Status);
        w.addInt(SRM_KEY_State, srm_walk::stateValue(this));
        w.addText(SRM_KEY_LId, LId);
        w.addText(SRM_KEY_StatusDesc, StatusDesc);
        w.addInt(SRM_KEY_IdType, IdType);
        w.addText(SRM_KEY_IdValue, IdValue);
        w.addText(SRM_KEY_Name, Name);
        w.addText(SRM_KEY_Model, Model);
        w.addText(SRM_KEY_Make, Make);
        w.addText(SRM_KEY_Revision, Revision);
        w.addText(SRM_KEY_SerialNum, SerialNum);
        w.addLong(SRM_KEY_Sign, Sign);
        w.addLong(SRM_KEY_CapacityKB, CapacityKB);
        w.addLong(SRM_KEY_FreeSpaceKB, FreeSpaceKB);
        w.addInt(SRM_KEY_AWRE, AWRE);
        w.addInt(SRM_KEY_AddrBus, AddrBus);
        w.addInt(SRM_KEY_AddrTarget, AddrTarget);
        w.addInt(SRM_KEY_AddrLUN, AddrLUN);
        w.addInt(SRM_KEY_LLTId, LLTId);
        w.addInt(SRM_KEY_DiskType, DiskType);
        w.addInt(SRM_KEY_RPM, RPM);
        w.addInt(SRM_KEY_FactoryDefect, FactoryDefect);
        w.addInt(SRM_KEY_GrownDefect, GrownDefect);
        w.addInt(SRM_KEY_Sbc, Sbc);
        w.addInt(SRM_KEY_VendorVer, VendorVer);
    }
    return w.write(fd);
}

int SrmDisk::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    forEachElement(record, [this](int keyId, std::string_view value) {
        if (takeCommon(this, keyId, value)) {
            return;
        }
        switch (keyId) {
            case SRM_KEY_Name:
                Name = value;
                break;
            case SRM_KEY_Make:
                Make = value;
                break;
            case SRM_KEY_Model:
                Model = value;
                break;
            case SRM_KEY_Revision:
                Revision = value;
                break;
            case SRM_KEY_SerialNum:
                SerialNum = value;
                break;
            case SRM_KEY_StatusDesc:
                StatusDesc = value;
                break;
            case SRM_KEY_IdValue:
                IdValue = value;
                break;
            case SRM_KEY_CapacityKB:
                setCapacity(srmRecordLong(value));
                break;
            case SRM_KEY_FreeSpaceKB:
                setFreeSpace(srmRecordLong(value));
                break;
            case SRM_KEY_Sign:
                Sign = srmRecordLong(value);
                break;
            case SRM_KEY_Status:
                Status = srmRecordInt(value);
                break;
            case SRM_KEY_IdType:
                IdType = srmRecordInt(value);
                break;
            case SRM_KEY_AWRE:
                AWRE = srmRecordInt(value);
                break;
            case SRM_KEY_AddrBus:
                AddrBus = srmRecordInt(value);
                break;
            case SRM_KEY_AddrTarget:
                AddrTarget = srmRecordInt(value);
                break;
            case SRM_KEY_AddrLUN:
                AddrLUN = srmRecordInt(value);
                break;
            case SRM_KEY_LLTId:
                LLTId = srmRecordInt(value);
                break;
            case SRM_KEY_DiskType:
                DiskType = srmRecordInt(value);
                break;
            case SRM_KEY_RPM:
                RPM = srmRecordInt(value);
                break;
            case SRM_KEY_FactoryDefect:
                FactoryDefect = srmRecordInt(value);
                break;
            case SRM_KEY_GrownDefect:
                GrownDefect = srmRecordInt(value);
                break;
            case SRM_KEY_Sbc:
                Sbc = srmRecordInt(value);
                break;
            case SRM_KEY_VendorVer:
                VendorVer = srmRecordInt(value);
                break;
            default:
                break;
        }
    });
    return 1;
}
