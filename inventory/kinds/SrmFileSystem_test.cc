#include "inventory/kinds/SrmFileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::ContentsOf;
using ulvar::testing::CountingResource;
using ulvar::testing::CountingResourceLog;
using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;

// A database, and records written by its resources or read through its own
// record reader.
class PresentationKindTest : public ::testing::Test {
  protected:
    // `r`, added to the database with the creator's reference handed over.
    template <typename Kind>
    Kind *held(Kind *r) {
        EXPECT_EQ(1, db.addResource(r));
        r->Release();
        return r;
    }

    // The record `r` writes with `flags`, or "<failed>".
    static std::string written(SrmResource *r, int flags = 0) {
        ScopedFd file(FileWith(""));
        if (r->serialize(file.get(), flags) != 1) {
            return "<failed>";
        }
        return ContentsOf(file.get());
    }

    // The first record of `text`, read through the database's reader.
    std::unique_ptr<CSRMReportTuple> parsed(const std::string &text) {
        input.reset(new ScopedFd(FileWith(text)));
        EXPECT_EQ(1, db.attachStream(input->get()));
        CSRMReportTuple *record = nullptr;
        EXPECT_EQ(0, db.getTupleStream()->GetNextTuple(&record));
        return std::unique_ptr<CSRMReportTuple>(record);
    }

    // A fresh object of the database filled from `text`; the caller releases it.
    template <typename Kind>
    Kind *readInto(const std::string &text) {
        auto *r = new Kind();
        r->db = &db;
        auto record = parsed(text);
        EXPECT_EQ(1, r->deserialize(-1, record.get()));
        return r;
    }

    // A volume known by `id` and by the local identity `lid`.
    void addVolume(const std::string &id, const std::string &lid) {
        held(new CountingResource(&log, SRM_RES_VOLUME, id, lid));
    }

    CountingResourceLog log;
    SrmResourceDatabase db;
    std::unique_ptr<ScopedFd> input;
};

// ---- File system ----

using SrmFileSystemTest = PresentationKindTest;

SrmFileSystem *filledFileSystem() {
    auto *f = new SrmFileSystem("fs1");
    f->Volume = "vol1";
    f->PubId = "pub,1";
    f->LId = "/dev/dsk/c0t0d0s0";
    f->state |= SRM_STATE_FROM_SER_RDB;
    f->FSType = "ufs";
    f->Pack = 1;
    f->Encrypt = -2;
    f->FileCnt = 30;
    f->MaxFileCnt = 40;
    f->MaxFileSz = -1;
    f->CapacityKB = 3000000000L;
    f->FreeSpaceKB = 5;
    f->UsedSpaceKB = 6;
    f->ReservedSpaceKB = 7;
    return f;
}

TEST_F(SrmFileSystemTest, FullRecordOfAFilledFileSystem) {
    auto *f = held(filledFileSystem());
    EXPECT_EQ(
        "\"Type=FileSystem\",\"Id=fs1\",\"Volume=vol1\",\"PubId=pub,1\",\"State=44\","
        "\"LId=/dev/dsk/c0t0d0s0\",\"FSType=ufs\",\"Pack=1\",\"Encrypt=-2\",\"FileCnt=30\","
        "\"MaxFileCnt=40\",\"MaxFileSz=-1\",\"CapacityKB=3000000000\",\"FreeSpaceKB=5\","
        "\"UsedSpaceKB=6\",\"ReservedSpaceKB=7\",;\n",
        written(f));
    EXPECT_EQ("\"Type=FileSystem\",\"Id=fs1\",;\n", written(f, 1));
}

TEST_F(SrmFileSystemTest, DefaultFileSystemWritesNoEmptyTexts) {
    auto *f = new SrmFileSystem();
    f->db = &db;
    EXPECT_EQ(
        "\"Type=FileSystem\",\"State=12\",\"Pack=0\",\"Encrypt=0\",\"FileCnt=0\","
        "\"MaxFileCnt=0\",\"MaxFileSz=0\",\"CapacityKB=0\",\"FreeSpaceKB=0\",\"UsedSpaceKB=0\","
        "\"ReservedSpaceKB=0\",;\n",
        written(f));
    EXPECT_EQ("\"Type=FileSystem\",;\n", written(f, 1));
    f->Release();
}

TEST_F(SrmFileSystemTest, FilledFileSystemReadsBackFieldByField) {
    auto *f = held(filledFileSystem());
    auto *g = readInto<SrmFileSystem>(written(f));
    EXPECT_EQ(f->Id, g->Id);
    EXPECT_EQ(f->Volume, g->Volume);
    EXPECT_EQ(f->PubId, g->PubId);
    EXPECT_EQ(f->LId, g->LId);
    EXPECT_EQ(f->state, g->state);
    EXPECT_EQ(f->FSType, g->FSType);
    EXPECT_EQ(f->Pack, g->Pack);
    EXPECT_EQ(f->Encrypt, g->Encrypt);
    EXPECT_EQ(f->FileCnt, g->FileCnt);
    EXPECT_EQ(f->MaxFileCnt, g->MaxFileCnt);
    EXPECT_EQ(f->MaxFileSz, g->MaxFileSz);
    EXPECT_EQ(f->CapacityKB, g->CapacityKB);
    EXPECT_EQ(f->FreeSpaceKB, g->FreeSpaceKB);
    EXPECT_EQ(f->UsedSpaceKB, g->UsedSpaceKB);
    EXPECT_EQ(f->ReservedSpaceKB, g->ReservedSpaceKB);
    g->Release();
}

TEST_F(SrmFileSystemTest, SizesRefuseNegativesWhileFileLimitsTakeThem) {
    SrmFileSystem f;
    EXPECT_EQ(1, f.setUsedSpace(9));
    EXPECT_EQ(0, f.setUsedSpace(-5));
    EXPECT_EQ(9, f.UsedSpaceKB);
    EXPECT_EQ(0, f.setCapacity(-1));
    EXPECT_EQ(0, f.setFreeSpace(-1));
    EXPECT_EQ(0, f.setReservedSpace(-1));
    EXPECT_EQ(1, f.setFileCount(-5));
    EXPECT_EQ(-5, f.FileCnt);
}

TEST_F(SrmFileSystemTest, ReaderKeepsSizesNonNegativeAndReadsNumbersLikeAtol) {
    auto *g = readInto<SrmFileSystem>(
        "\"Type=FileSystem\",\"Id=fs\",\"CapacityKB=-7\",\"FreeSpaceKB=12abc\","
        "\"UsedSpaceKB=abc\",\"FileCnt= -3\",\"MaxFileCnt=99999999999\",\"State=1\",;\n");
    EXPECT_EQ(0, g->CapacityKB);
    EXPECT_EQ(12, g->FreeSpaceKB);
    EXPECT_EQ(0, g->UsedSpaceKB);
    EXPECT_EQ(-3, g->FileCnt);
    EXPECT_EQ(2147483647, g->MaxFileCnt);
    EXPECT_EQ(SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT | SRM_STATE_BIT1, g->state);
    g->Release();
}

TEST_F(SrmFileSystemTest, MergeTakesTheTypeEvenWhenEmpty) {
    SrmFileSystem held("fs"), other("fs");
    held.FSType = "vxfs";
    ASSERT_EQ(1, held.mergeResource(&other));
    EXPECT_EQ("", held.FSType);
    EXPECT_EQ(1, other.isMerged());
}

TEST_F(SrmFileSystemTest, MergeKeepsWhatTheNewcomerLeavesOpen) {
    SrmFileSystem held("fs"), other("fs");
    held.Volume = "vol-held";
    held.Pack = 3;
    held.Encrypt = 4;
    held.CapacityKB = 100;
    held.FileCnt = 8;
    held.MaxFileSz = 9;
    other.Volume = "vol-new";
    other.CapacityKB = -1;  // past the setter, as a record cannot bring it
    other.FileCnt = -5;
    other.MaxFileSz = 0;
    other.FreeSpaceKB = 50;
    ASSERT_EQ(1, held.mergeResource(&other));
    EXPECT_EQ("vol-held", held.Volume);
    EXPECT_EQ(3, held.Pack);
    EXPECT_EQ(4, held.Encrypt);
    EXPECT_EQ(100, held.CapacityKB);
    EXPECT_EQ(8, held.FileCnt);
    EXPECT_EQ(0, held.MaxFileSz);
    EXPECT_EQ(50, held.FreeSpaceKB);
}

TEST_F(SrmFileSystemTest, MergedNewcomerIsNotMergedAgain) {
    SrmFileSystem first("fs"), second("fs"), newcomer("fs");
    newcomer.FSType = "zfs";
    ASSERT_EQ(1, first.mergeResource(&newcomer));
    EXPECT_EQ(1, second.mergeResource(&newcomer));
    EXPECT_EQ("zfs", first.FSType);
    EXPECT_EQ("", second.FSType);
}

TEST_F(SrmFileSystemTest, MergeRefusesNullAndOtherKinds) {
    SrmFileSystem held("fs");
    SrmMountPoint mount("fs");
    CountingResource lookalike(&log, SRM_RES_FILESYSTEM, "fs");
    EXPECT_EQ(0, held.mergeResource(nullptr));
    EXPECT_EQ(0, held.mergeResource(&mount));
    EXPECT_EQ(0, held.mergeResource(&lookalike));
    EXPECT_EQ(0, mount.isMerged());
}

TEST_F(SrmFileSystemTest, VolumeIsStoredUnderTheIdOfTheVolumeItNames) {
    addVolume("vol-global", "vol-local");
    auto *byLocal = readInto<SrmFileSystem>("\"Type=FileSystem\",\"Volume=vol-local\",;\n");
    auto *unknown = readInto<SrmFileSystem>("\"Type=FileSystem\",\"Volume=vol-x\",;\n");
    EXPECT_EQ("vol-global", byLocal->Volume);
    EXPECT_EQ("vol-x", unknown->Volume);
    byLocal->Release();
    unknown->Release();
}

TEST_F(SrmFileSystemTest, WithoutDatabaseNothingIsWrittenAndVolumeIsKeptAsRead) {
    addVolume("vol-global", "vol-local");
    auto record = parsed("\"Type=FileSystem\",\"Volume=vol-local\",;\n");
    SrmFileSystem loose("fs");
    EXPECT_EQ(1, loose.deserialize(-1, record.get()));
    EXPECT_EQ("vol-local", loose.Volume);
    EXPECT_EQ("<failed>", written(&loose));
    EXPECT_EQ(0, loose.deserialize(-1, nullptr));
}

TEST_F(SrmFileSystemTest, ShortWriteFails) {
    auto *f = held(filledFileSystem());
    ScopedFd readOnly(open("/dev/null", O_RDONLY));
    EXPECT_EQ(0, f->serialize(readOnly.get(), 0));
}

// ---- Mount point ----

using SrmMountPointTest = PresentationKindTest;

SrmMountPoint *filledMountPoint() {
    auto *m = new SrmMountPoint("mp1");
    m->PubId = "pub";
    m->LId = "lid-mp";
    m->VolumeId = "vol1";
    m->MountPointName = "/export; home";
    m->MountType = 2;
    m->MountToSystem = "host=a";
    m->MountOptions = -4;
    m->MountAtStartup = 1;
    m->ReadOnly = 1;
    m->MountLocation = "fs-lid";
    return m;
}

TEST_F(SrmMountPointTest, FullAndShortRecords) {
    auto *m = held(filledMountPoint());
    EXPECT_EQ(
        "\"Type=MountPoint\",\"Id=mp1\",\"PubId=pub\",\"State=12\",\"LId=lid-mp\","
        "\"VolumeId=vol1\",\"MountPointName=/export; home\",\"MountType=2\","
        "\"MountToSystem=host=a\",\"MountOptions=-4\",\"MountAtStartup=1\",\"ReadOnly=1\","
        "\"MountLocation=fs-lid\",;\n",
        written(m));
    EXPECT_EQ("\"Type=MountPoint\",\"Id=mp1\",;\n", written(m, 1));
    auto *empty = held(new SrmMountPoint("e"));
    EXPECT_EQ(
        "\"Type=MountPoint\",\"Id=e\",\"State=12\",\"MountType=0\",\"MountOptions=0\","
        "\"MountAtStartup=0\",\"ReadOnly=0\",;\n",
        written(empty));
}

TEST_F(SrmMountPointTest, FilledMountPointReadsBackFieldByField) {
    auto *m = held(filledMountPoint());
    auto *g = readInto<SrmMountPoint>(written(m));
    EXPECT_EQ(m->Id, g->Id);
    EXPECT_EQ(m->PubId, g->PubId);
    EXPECT_EQ(m->LId, g->LId);
    EXPECT_EQ(m->state, g->state);
    EXPECT_EQ(m->VolumeId, g->VolumeId);
    EXPECT_EQ(m->MountPointName, g->MountPointName);
    EXPECT_EQ(m->MountType, g->MountType);
    EXPECT_EQ(m->MountToSystem, g->MountToSystem);
    EXPECT_EQ(m->MountOptions, g->MountOptions);
    EXPECT_EQ(m->MountAtStartup, g->MountAtStartup);
    EXPECT_EQ(m->ReadOnly, g->ReadOnly);
    EXPECT_EQ(m->MountLocation, g->MountLocation);
    g->Release();
}

TEST_F(SrmMountPointTest, StateIsOredAndVolumeResolved) {
    addVolume("vol-global", "vol-local");
    auto *m = readInto<SrmMountPoint>("\"Type=MountPoint\",\"State=0\",\"VolumeId=vol-local\",;\n");
    EXPECT_EQ(SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT, m->state);
    EXPECT_EQ("vol-global", m->VolumeId);
    m->Release();
}

TEST_F(SrmMountPointTest, MergeKeepsNamesAndNumbersTheNewcomerLacks) {
    SrmMountPoint held("mp"), other("mp");
    held.MountPointName = "/a";
    held.VolumeId = "v";
    held.ReadOnly = 1;
    other.MountLocation = "loc";
    other.MountType = 7;
    ASSERT_EQ(1, held.mergeResource(&other));
    EXPECT_EQ("/a", held.MountPointName);
    EXPECT_EQ("v", held.VolumeId);
    EXPECT_EQ(1, held.ReadOnly);
    EXPECT_EQ("loc", held.MountLocation);
    EXPECT_EQ(7, held.MountType);
    EXPECT_EQ(1, other.isMerged());
    SrmShare share("mp");
    EXPECT_EQ(0, held.mergeResource(&share));
}

// ---- Share ----

using SrmShareTest = PresentationKindTest;

SrmShare *filledShare() {
    auto *s = new SrmShare("sh1");
    s->PubId = "pub";
    s->LId = "lid-sh";
    s->ShareName = "docs";
    s->SharePath = "/export/docs";
    s->ShareFsType = 3;
    s->ShareFlags = -1;
    s->ShareUser = "root";
    s->Domain = "corp";
    s->ShareDesc = "team, shared";
    s->VolumeId = "vol1";
    return s;
}

TEST_F(SrmShareTest, FullAndShortRecords) {
    auto *s = held(filledShare());
    EXPECT_EQ(
        "\"Type=Share\",\"Id=sh1\",\"PubId=pub\",\"State=12\",\"LId=lid-sh\","
        "\"ShareName=docs\",\"SharePath=/export/docs\",\"ShareFsType=3\",\"ShareFlags=-1\","
        "\"ShareUser=root\",\"Domain=corp\",\"ShareDesc=team, shared\",\"VolumeId=vol1\",;\n",
        written(s));
    EXPECT_EQ("\"Type=Share\",\"Id=sh1\",;\n", written(s, 1));
    auto *empty = held(new SrmShare("e"));
    EXPECT_EQ("\"Type=Share\",\"Id=e\",\"State=12\",\"ShareFsType=0\",\"ShareFlags=0\",;\n",
              written(empty));
}

TEST_F(SrmShareTest, FilledShareReadsBackFieldByField) {
    auto *s = held(filledShare());
    auto *g = readInto<SrmShare>(written(s));
    EXPECT_EQ(s->Id, g->Id);
    EXPECT_EQ(s->PubId, g->PubId);
    EXPECT_EQ(s->LId, g->LId);
    EXPECT_EQ(s->state, g->state);
    EXPECT_EQ(s->ShareName, g->ShareName);
    EXPECT_EQ(s->SharePath, g->SharePath);
    EXPECT_EQ(s->ShareFsType, g->ShareFsType);
    EXPECT_EQ(s->ShareFlags, g->ShareFlags);
    EXPECT_EQ(s->ShareUser, g->ShareUser);
    EXPECT_EQ(s->Domain, g->Domain);
    EXPECT_EQ(s->ShareDesc, g->ShareDesc);
    EXPECT_EQ(s->VolumeId, g->VolumeId);
    g->Release();
}

TEST_F(SrmShareTest, StateIsReplacedAndVolumeKeptAsWritten) {
    addVolume("vol-global", "vol-local");
    auto *s = readInto<SrmShare>("\"Type=Share\",\"State=0\",\"VolumeId=vol-local\",;\n");
    EXPECT_EQ(0u, s->state);
    EXPECT_EQ("vol-local", s->VolumeId);
    s->Release();
}

TEST_F(SrmShareTest, MergeKeepsTextsAndNumbersTheNewcomerLacks) {
    SrmShare held("sh"), other("sh");
    held.ShareName = "a";
    held.ShareFlags = 5;
    other.SharePath = "/p";
    other.ShareFsType = 2;
    ASSERT_EQ(1, held.mergeResource(&other));
    EXPECT_EQ("a", held.ShareName);
    EXPECT_EQ(5, held.ShareFlags);
    EXPECT_EQ("/p", held.SharePath);
    EXPECT_EQ(2, held.ShareFsType);
    EXPECT_EQ(1, held.mergeResource(&other));
    EXPECT_EQ(0, held.mergeResource(nullptr));
}

// ---- Removing what shares and mount points stand on ----

using PresentationRemovalTest = PresentationKindTest;

TEST_F(PresentationRemovalTest, RemovedFileSystemTakesItsMountPointsAndShares) {
    auto *fs = held(new SrmFileSystem("fs"));
    fs->LId = "fs-lid";
    fs->Volume = "vol1";
    auto *onFs = held(new SrmMountPoint("mp-on"));
    onFs->MountLocation = "fs-lid";
    auto *elsewhere = held(new SrmMountPoint("mp-off"));
    elsewhere->MountLocation = "other";
    auto *shareOnVolume = held(new SrmShare("sh-on"));
    shareOnVolume->VolumeId = "vol1";
    auto *shareElsewhere = held(new SrmShare("sh-off"));
    shareElsewhere->VolumeId = "vol2";

    ASSERT_EQ(1, db.removeResource(SRM_RES_FILESYSTEM, "fs"));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_FILESYSTEM, "fs"));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_MOUNTPOINT, "mp-on"));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_SHARE, "sh-on"));
    EXPECT_EQ(elsewhere, db.findResource(SRM_RES_MOUNTPOINT, "mp-off"));
    EXPECT_EQ(shareElsewhere, db.findResource(SRM_RES_SHARE, "sh-off"));
}

TEST_F(PresentationRemovalTest, FileSystemWithoutVolumeLeavesSharesWithoutVolume) {
    held(new SrmFileSystem("fs"));
    held(new SrmMountPoint("mp"));
    auto *loose = held(new SrmShare("sh"));
    ASSERT_EQ(1, db.removeResource(SRM_RES_FILESYSTEM, "fs"));
    EXPECT_EQ(loose, db.findResource(SRM_RES_SHARE, "sh"));
    EXPECT_NE(nullptr, db.findResource(SRM_RES_MOUNTPOINT, "mp"));
}

TEST_F(PresentationRemovalTest, RemovedVolumeTakesWhatIsMountedOnItAndItsShares) {
    held(new SrmVolumeGroup("vg"));
    auto *volume = held(new SrmVolume("vol1"));
    volume->LId = "vol-lid";
    auto *mounted = held(new SrmMountPoint("mp"));
    mounted->MountLocation = "vol-lid";
    auto *share = held(new SrmShare("sh"));
    share->VolumeId = "vol1";
    auto *fs = held(new SrmFileSystem("fs"));
    fs->Volume = "vol1";

    ASSERT_EQ(1, db.removeResource(SRM_RES_VOLUME, "vol1"));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_MOUNTPOINT, "mp"));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_SHARE, "sh"));
    EXPECT_EQ(fs, db.findResource(SRM_RES_FILESYSTEM, "fs"));
}

}  // namespace
