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
#include <random>
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
#include "inventory/testing/ScratchFiles.h"

namespace ulvar {
namespace testing {

class RandomDatabase {
  public:
    explicit RandomDatabase(uint32_t seed) : rng_(seed) {}

    // Fills an empty `db`. The header values are set by loading a header record.
    void fill(SrmResourceDatabase *db) {
        db_ = db;
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
    int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rng_); }
    bool chance(int percent) { return upTo(99) < percent; }
    int32_t anyInt() { return static_cast<int32_t>(rng_()); }
    long size() { return static_cast<long>(rng_() & 0x7fffffff); }
    uint32_t state() { return chance(20) ? static_cast<uint32_t>(rng_()) : rng_() & 0x3f; }

    // Text without double quotes; separators, blanks, line breaks and
    // non-ASCII bytes included, since values are written as they stand.
    std::string text(int maxLength = 12) {
        static const char *const pieces[] = {"a",  "Z",        "7", ",", ";", "=", " ",  "\n",
                                             "\t", "\xc3\xa9", "'", "/", "-", "_", ",;", "x=y"};
        std::string out;
        for (int n = upTo(maxLength); n > 0; --n) {
            out += pieces[upTo(static_cast<int>(sizeof pieces / sizeof pieces[0]) - 1)];
        }
        return out;
    }
    // Unique within its kind; never equal to a local id ("L" prefix) or to a
    // reference that names nothing ("x:" prefix).
    std::string id(const char *prefix) { return prefix + std::to_string(next_++) + text(4); }
    std::string localId() { return chance(50) ? "L" + std::to_string(next_++) : std::string(); }
    template <typename T>
    const T *pick(const std::vector<T> &from) {
        return from.empty() ? nullptr
                            : &from[static_cast<size_t>(upTo(static_cast<int>(from.size()) - 1))];
    }
    std::string refTo(const std::vector<SrmResource *> &from) {
        if (from.empty() || chance(15)) {
            return chance(50) ? std::string() : "x:" + std::to_string(next_++);
        }
        return (*pick(from))->Id;
    }
    template <typename T>
    T *keep(T *r, std::vector<SrmResource *> *into) {
        r->state = state();
        r->PubId = text();
        db_->addResource(r);
        into->push_back(r);
        all_.push_back(r);
        r->Release();
        return r;
    }

    void loadHeader() {
        std::string header = "\"ClusterAlias=" + text() + "\",\"ClusterId=" + text() +
                             "\",\"ClusterName=" + text() + "\",\"ClusterVersion=" + text() +
                             "\",\"MemberCount=" + std::to_string(anyInt()) + "\",;\n";
        ScopedFd file(FileWith(header));
        db_->deserialize(file.get(), nullptr);
    }

    void addManagers() {
        for (int n = upTo(3); n > 0; --n) {
            auto *m = keep(new SrmVolumeManager(id("vm")), &managers_);
            m->IdType = static_cast<int>(managers_.size());
            m->VolumeMgrName = text();
            m->VolumeMgrVersion = text();
        }
    }
    std::string managerNumber() {
        return std::to_string(upTo(static_cast<int>(managers_.size()) + 1));
    }

    void addDisks() {
        for (int n = upTo(8); n > 0; --n) {
            auto *d = new SrmDisk(id("d"));
            d->LId = localId();
            keep(d, &disks_);
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
            keep(c, &chunks_);
            c->Disk = refTo(disks_);
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
            keep(v, &volumes_);
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
            for (int k = upTo(3); k > 0 && !chunks_.empty(); --k) {
                v->addDiskChunk(*pick(chunks_));
            }
            for (int k = volumes_.size() > 1 && chance(40) ? upTo(1) + 1 : 0; k > 0; --k) {
                SrmResource *parent =
                    volumes_[static_cast<size_t>(upTo(static_cast<int>(volumes_.size()) - 2))];
                static_cast<SrmVolume *>(parent)->addSubVolume(v);
            }
        }
    }

    void addVolumeGroups() {
        for (int n = upTo(3); n > 0; --n) {
            auto *g = new SrmVolumeGroup(id("vg"));
            g->LId = localId();
            keep(g, &volumeGroups_);
            g->Name = text();
            g->setCapacity(size());
            g->setFreeSpace(size());
            g->Status = anyInt();
            g->StatusDesc = text();
            g->setVolumeMgrId(managerNumber());
            for (int k = upTo(3); k > 0 && !disks_.empty(); --k) {
                g->addDisk(*pick(disks_));
            }
            for (int k = upTo(3); k > 0 && !volumes_.empty(); --k) {
                g->addVolume(*pick(volumes_));
            }
        }
    }

    void addFileSystemsMountPointsShares() {
        for (int n = upTo(6); n > 0; --n) {
            auto *f = new SrmFileSystem(id("fs"));
            f->LId = localId();
            keep(f, &others_);
            f->Volume = refTo(volumes_);
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
            keep(m, &others_);
            m->VolumeId = refTo(volumes_);
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
            keep(s, &others_);
            s->VolumeId = refTo(volumes_);
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
            db_->addServiceGroup(g);
            groups_.push_back(g);
            g->Release();
        }
        for (SrmServiceGroup *g : groups_) {
            for (int k = upTo(4); k > 0 && !all_.empty(); --k) {
                g->addResource(*pick(all_));
            }
            if (chance(40)) {
                db_->setChildServiceGroup(g->getName(), (*pick(groups_))->getName());
            }
        }
    }

    void addVirtualServers() {
        for (int n = upTo(3); n > 0; --n) {
            auto *vs = new SrmVirtualServer(id("vs"));
            keep(vs, &others_);
            vs->Name = text();
            vs->IPAddr = text();
            vs->HostName = text();
            if (!groups_.empty() && chance(60)) {
                vs->setServiceGroup(*pick(groups_));
            }
            if (!groups_.empty() && chance(50)) {
                (*pick(groups_))->addResource(vs);
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
            c->AddrSpaceMB = static_cast<int64_t>(rng_()) << 20 | rng_();
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
            for (int k = upTo(6); k > 0 && !all_.empty(); --k) {
                c->addResource(*pick(all_));
            }
            for (int k = upTo(2); k > 0 && !groups_.empty(); --k) {
                c->addServiceGroup(*pick(groups_));
            }
            db_->addComputer(c, c->TIM);
            if (!groups_.empty() && chance(50)) {
                (*pick(groups_))->addResource(c);
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
            keep(a, &others_);
        }
    }

    void addErrors() {
        for (int n = upTo(4); n > 0; --n) {
            std::string key = "host" + std::to_string(upTo(2));
            if (chance(50)) {
                db_->addError(key, "e" + text(), anyInt(), anyInt());
                continue;
            }
            auto *e = new SrmError("e" + text(), anyInt(), anyInt(), 0, text(), text(), text());
            e->FileName = text();
            if (db_->addError(e, key) == 0) {
                delete e;
            }
        }
    }

    std::mt19937 rng_;
    SrmResourceDatabase *db_ = nullptr;
    int next_ = 0;
    std::vector<SrmResource *> all_, managers_, disks_, chunks_, volumes_, volumeGroups_, others_;
    std::vector<SrmServiceGroup *> groups_;
};

}  // namespace testing
}  // namespace ulvar

#endif
