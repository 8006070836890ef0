// Random but valid databases for the round-trip tests and the fuzz corpus:
// every kind with random fields, nested and shared sub-volumes, volume groups,
// computers holding resources and groups, service groups with members and
// child links, virtual servers on groups, aliases, errors and header values.
//
// "Valid" means what a writer of this system can produce and a reader must take
// back: ids unique within a kind, every reference a container holds is a
// resource of the database, no double quote in any text.
#ifndef INVENTORY_TESTING_RANDOMDATABASE_H
#define INVENTORY_TESTING_RANDOMDATABASE_H

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/testing/RandomValues.h"
#include "inventory/testing/ScratchFiles.h"

namespace ulvar {
namespace testing {

class RandomDatabase : private RandomValues {
  public:
    explicit RandomDatabase(uint32_t seed) : RandomValues(seed) {}

    // Fills an empty `db`. The header values are set by loading a header record.
    void fill(SrmResourceDatabase *db) {
        this->db = db;
        loadHeader();
        addManagers();
        addDisks();
        addChunks();
        addVolumes();
        addVolumeGroups();
        addFileSystemsMountPointsShares();
        addAliases();
        addServiceGroups();
        addVirtualServers();
        addComputers();
        addErrors();
    }

  private:
    // Unique within its kind; never equal to a local id ("L" prefix) or to a
    // reference that names nothing ("x:" prefix).
    std::string id(const char *prefix) { return prefix + std::to_string(next++) + text(4); }
    std::string localId() { return chance(50) ? "L" + std::to_string(next++) : std::string(); }
    std::string refTo(const std::vector<SrmResource *> &from) {
        if (from.empty() || chance(15)) {
            return chance(50) ? std::string() : "x:" + std::to_string(next++);
        }
        return (*pick(from))->Id;
    }
    template <typename T>
    T *keep(T *r, std::vector<SrmResource *> *into) {
        r->state = state();
        r->PubId = text();
        db->addResource(r);
        into->push_back(r);
        all.push_back(r);
        r->Release();
        return r;
    }

    void loadHeader() {
        std::string header = "\"ClusterAlias=" + text() + "\",\"ClusterId=" + text() +
                             "\",\"ClusterName=" + text() + "\",\"ClusterVersion=" + text() +
                             "\",\"MemberCount=" + std::to_string(anyInt()) + "\",;\n";
        ScopedFd file(FileWith(header));
        db->deserialize(file.get(), nullptr);
    }

    void addManagers() {
        for (int n = upTo(3); n > 0; --n) {
            auto *m = keep(new SrmVolumeManager(id("vm")), &managers);
            m->IdType = static_cast<int>(managers.size());
            m->VolumeMgrName = text();
            m->VolumeMgrVersion = text();
        }
    }
    std::string managerNumber() {
        return std::to_string(upTo(static_cast<int>(managers.size()) + 1));
    }

    void addDisks() {
        for (int n = upTo(8); n > 0; --n) {
            auto *d = new SrmDisk(id("d"));
            d->LId = localId();
            keep(d, &disks);
            d->Name = text();
            d->Make = text();
            d->Model = text();
            d->Revision = text();
            d->SerialNum = text();
            d->setCapacity(size());
            d->setFreeSpace(size());
            d->Sign = chance(30) ? -1 : size();
            d->DiskType = anyInt();
            d->FactoryDefect = anyInt();
            d->GrownDefect = anyInt();
            d->RPM = anyInt();
            d->Sbc = anyInt();
            d->AWRE = anyInt();
            d->VendorVer = anyInt();
            d->Status = anyInt();
            d->StatusDesc = text();
            d->IdType = anyInt();
            d->IdValue = text();
            d->AddrBus = anyInt();
            d->AddrLUN = anyInt();
            d->AddrTarget = anyInt();
            d->LLTId = anyInt();
        }
    }

    void addChunks() {
        for (int n = upTo(10); n > 0; --n) {
            auto *c = new SrmDiskChunk(id("c"));
            c->LId = localId();
            keep(c, &chunks);
            c->Disk = refTo(disks);
            c->DiskChunk = text();
            c->setStartAndLength(size(), size());
        }
    }

    // Each volume may become a sub-volume of one or two earlier ones, which
    // nests hierarchies and shares sub-volumes between parents.
    void addVolumes() {
        for (int n = upTo(10); n > 0; --n) {
            auto *v = new SrmVolume(id("v"));
            v->LId = localId();
            keep(v, &volumes);
            v->Name = text();
            v->VolumeType = anyInt();
            v->VolumeTypeDesc = text();
            v->Status = anyInt();
            v->StatusDesc = text();
            v->MgmtURL = text();
            v->DisplayMgmtURL = text();
            v->setCapacity(size());
            v->setFreeSpace(size());
            v->setVolumeMgrId(managerNumber());
            for (int k = upTo(3); k > 0 && !chunks.empty(); --k) {
                v->addDiskChunk(*pick(chunks));
            }
            for (int k = volumes.size() > 1 && chance(40) ? upTo(1) + 1 : 0; k > 0; --k) {
                SrmResource *parent =
                    volumes[static_cast<size_t>(upTo(static_cast<int>(volumes.size()) - 2))];
                static_cast<SrmVolume *>(parent)->addSubVolume(v);
            }
        }
    }

    void addVolumeGroups() {
        for (int n = upTo(3); n > 0; --n) {
            auto *g = new SrmVolumeGroup(id("vg"));
            g->LId = localId();
            keep(g, &volumeGroups);
            g->Name = text();
            g->setCapacity(size());
            g->setFreeSpace(size());
            g->Status = anyInt();
            g->StatusDesc = text();
            g->setVolumeMgrId(managerNumber());
            for (int k = upTo(3); k > 0 && !disks.empty(); --k) {
                g->addDisk(*pick(disks));
            }
            for (int k = upTo(3); k > 0 && !volumes.empty(); --k) {
                g->addVolume(*pick(volumes));
            }
        }
    }

    void addFileSystemsMountPointsShares() {
        for (int n = upTo(6); n > 0; --n) {
            auto *f = new SrmFileSystem(id("fs"));
            f->LId = localId();
            keep(f, &others);
            f->Volume = refTo(volumes);
            f->FSType = text();
            f->setCapacity(size());
            f->setFreeSpace(size());
            f->setUsedSpace(size());
            f->setReservedSpace(size());
            f->Pack = anyInt();
            f->Encrypt = anyInt();
            f->setMaxFileSize(anyInt());
            f->setFileCount(anyInt());
            f->setMaxFileCount(anyInt());
        }
        for (int n = upTo(6); n > 0; --n) {
            auto *m = new SrmMountPoint(id("mp"));
            m->LId = localId();
            keep(m, &others);
            m->VolumeId = refTo(volumes);
            m->MountPointName = text();
            m->MountLocation = text();
            m->MountToSystem = text();
            m->MountAtStartup = anyInt();
            m->ReadOnly = anyInt();
            m->MountType = anyInt();
            m->MountOptions = anyInt();
        }
        for (int n = upTo(6); n > 0; --n) {
            auto *s = new SrmShare(id("sh"));
            s->LId = localId();
            keep(s, &others);
            s->VolumeId = refTo(volumes);
            s->ShareFsType = anyInt();
            s->ShareFlags = anyInt();
            s->ShareName = text();
            s->SharePath = text();
            s->ShareUser = text();
            s->Domain = text();
            s->ShareDesc = text();
        }
    }

    // Members of any kind (volume managers and aliases are kept by a group but
    // never written); child links as far as the groups accept them.
    void addServiceGroups() {
        for (int n = upTo(4); n > 0; --n) {
            auto *g = new SrmServiceGroup(id("sg"));
            db->addServiceGroup(g);
            groups.push_back(g);
            g->Release();
        }
        for (SrmServiceGroup *g : groups) {
            for (int k = upTo(4); k > 0 && !all.empty(); --k) {
                g->addResource(*pick(all));
            }
            if (chance(40)) {
                db->setChildServiceGroup(g->getName(), (*pick(groups))->getName());
            }
        }
    }

    void addVirtualServers() {
        for (int n = upTo(3); n > 0; --n) {
            auto *vs = new SrmVirtualServer(id("vs"));
            keep(vs, &others);
            vs->Name = text();
            vs->IPAddr = text();
            vs->HostName = text();
            if (!groups.empty() && chance(60)) {
                vs->setServiceGroup(*pick(groups));
            }
            if (!groups.empty() && chance(50)) {
                (*pick(groups))->addResource(vs);
            }
        }
    }

    void addComputers() {
        int tim = upTo(3);
        for (int n = upTo(3); n > 0; --n) {
            auto *c = new SrmComputer(id("h"));
            c->state = state();
            c->PubId = text();
            c->LId = localId();
            c->HostName = text();
            c->RAMMB = anyInt();
            c->SwapMB = anyInt();
            c->AddrSpaceMB = static_cast<int64_t>(rng()) << 20 | rng();
            c->ProcCount = anyInt();
            c->ProcSpeedMHz = anyInt();
            c->CPUInfo = text();
            c->HWInfo = text();
            c->OS = text();
            c->OSInfo = text();
            c->HostId = text();
            c->IPAddr = text();
            c->LLTId = anyInt();
            c->NodeId = anyInt();
            c->TIM = n == tim ? 1 : 0;
            c->MgmtURL = text();
            c->DisplayMgmtURL = text();
            c->setCapacity(size());
            c->setFreeSpace(size());
            for (int k = upTo(6); k > 0 && !all.empty(); --k) {
                c->addResource(*pick(all));
            }
            for (int k = upTo(2); k > 0 && !groups.empty(); --k) {
                c->addServiceGroup(*pick(groups));
            }
            db->addComputer(c, c->TIM);
            if (!groups.empty() && chance(50)) {
                (*pick(groups))->addResource(c);
            }
            c->Release();
        }
    }

    void addAliases() {
        for (int n = upTo(3); n > 0; --n) {
            auto *a = new SrmId(id("al"));
            a->PrimaryId = text();
            a->SecondaryId = text();
            a->IdType = text();
            keep(a, &others);
        }
    }

    void addErrors() {
        for (int n = upTo(4); n > 0; --n) {
            std::string key = "host" + std::to_string(upTo(2));
            if (chance(50)) {
                db->addError(key, "e" + text(), anyInt(), anyInt());
                continue;
            }
            auto *e = new SrmError("e" + text(), anyInt(), anyInt(), 0, text(), text(), text());
            e->FileName = text();
            if (db->addError(e, key) == 0) {
                delete e;
            }
        }
    }

    SrmResourceDatabase *db = nullptr;
    int next = 0;
    std::vector<SrmResource *> all, managers, disks, chunks, volumes, volumeGroups, others;
    std::vector<SrmServiceGroup *> groups;
};

}  // namespace testing
}  // namespace ulvar

#endif
