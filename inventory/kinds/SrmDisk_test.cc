#include "inventory/kinds/SrmDisk.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::BytesOf;
using ulvar::testing::LoadInto;

void Fill(SrmDisk *d) {
    d->Id = "disk0";
    d->PubId = "pub0";
    d->LId = "c0t0d0";
    d->Status = 3;
    d->StatusDesc = "OK, spinning";
    d->IdType = 2;
    d->IdValue = "600a0b80";
    d->Name = "sda";
    d->Model = "ST3000";
    d->Make = "Seagate";
    d->Revision = "A1";
    d->SerialNum = "Z1F";
    d->Sign = 12345;
    d->setCapacity(3000000);
    d->setFreeSpace(1000);
    d->AWRE = 1;
    d->AddrBus = 2;
    d->AddrTarget = 3;
    d->AddrLUN = 4;
    d->LLTId = 5;
    d->DiskType = 6;
    d->RPM = 7200;
    d->FactoryDefect = 7;
    d->GrownDefect = 8;
    d->Sbc = 9;
    d->VendorVer = 10;
}

// A record of the given elements, as the reader hands it over.
CSRMReportTuple RecordOf(std::initializer_list<const char *> elements) {
    CSRMReportTuple t;
    for (const char *e : elements) {
        t.addElement(e);
    }
    return t;
}

class SrmDiskTest : public ::testing::Test {
  protected:
    SrmResourceDatabase db;
};

TEST_F(SrmDiskTest, FilledDiskWritesEveryKeyInLayoutOrder) {
    SrmScopedRef<SrmDisk> d(new SrmDisk(&db));
    Fill(d.get());
    EXPECT_EQ(
        "\"Type=Disk\",\"Id=disk0\",\"PubId=pub0\",\"Status=3\",\"State=13\",\"LId=c0t0d0\","
        "\"StatusDesc=OK, spinning\",\"IdType=2\",\"IdValue=600a0b80\",\"Name=sda\","
        "\"Model=ST3000\",\"Make=Seagate\",\"Revision=A1\",\"SerialNum=Z1F\",\"Sign=12345\","
        "\"CapacityKB=3000000\",\"FreeSpaceKB=1000\",\"AWRE=1\",\"AddrBus=2\",\"AddrTarget=3\","
        "\"AddrLUN=4\",\"LLTId=5\",\"DiskType=6\",\"RPM=7200\",\"FactoryDefect=7\","
        "\"GrownDefect=8\",\"Sbc=9\",\"VendorVer=10\",;\n",
        BytesOf([&](int fd) { return d->serialize(fd, 0); }));
    EXPECT_EQ("\"Type=Disk\",\"Id=disk0\",;\n",
              BytesOf([&](int fd) { return d->serialize(fd, 1); }));
}

TEST_F(SrmDiskTest, DefaultDiskWritesNumbersOnly) {
    SrmScopedRef<SrmDisk> d(new SrmDisk(&db));
    EXPECT_EQ(
        "\"Type=Disk\",\"Status=0\",\"State=13\",\"IdType=0\",\"Sign=-1\",\"CapacityKB=0\","
        "\"FreeSpaceKB=0\",\"AWRE=0\",\"AddrBus=0\",\"AddrTarget=0\",\"AddrLUN=0\",\"LLTId=0\","
        "\"DiskType=0\",\"RPM=0\",\"FactoryDefect=0\",\"GrownDefect=0\",\"Sbc=0\",\"VendorVer=0\","
        ";\n",
        BytesOf([&](int fd) { return d->serialize(fd, 0); }));
    EXPECT_EQ("\"Type=Disk\",;\n", BytesOf([&](int fd) { return d->serialize(fd, 1); }));
}

TEST_F(SrmDiskTest, DiskWithoutDatabaseCannotWrite) {
    SrmScopedRef<SrmDisk> d(new SrmDisk("disk0"));
    int result = -1;
    EXPECT_EQ("", BytesOf([&](int fd) { return d->serialize(fd, 0); }, &result));
    EXPECT_EQ(0, result);
}

TEST_F(SrmDiskTest, FilledDiskReadsBackFieldByField) {
    SrmScopedRef<SrmDisk> d(new SrmDisk(&db));
    Fill(d.get());
    std::string bytes = BytesOf([&](int fd) { return d->serialize(fd, 0); });
    SrmResourceDatabase other;
    ASSERT_EQ(0, LoadInto(&other, bytes));
    auto *r = dynamic_cast<SrmDisk *>(other.findResource(SRM_RES_DISK, "disk0"));
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(bytes, BytesOf([&](int fd) { return r->serialize(fd, 0); }));
    EXPECT_EQ(3000000, r->CapacityKB);
    EXPECT_EQ(12345, r->Sign);
    EXPECT_EQ("OK, spinning", r->StatusDesc);
}

TEST_F(SrmDiskTest, DefaultDiskKeepsUnknownSignatureAndBit1ThroughRecord) {
    SrmScopedRef<SrmDisk> d(new SrmDisk(&db));
    d->Id = "d";
    SrmResourceDatabase other;
    ASSERT_EQ(0, LoadInto(&other, BytesOf([&](int fd) { return d->serialize(fd, 0); })));
    auto *r = dynamic_cast<SrmDisk *>(other.findResource(SRM_RES_DISK, "d"));
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(-1, r->Sign);
    EXPECT_EQ(0xDu, r->state);
    EXPECT_EQ(0, r->CapacityKB);
}

TEST_F(SrmDiskTest, ReaderRefusesNegativeSizesAndOrsState) {
    SrmScopedRef<SrmDisk> d(new SrmDisk());
    CSRMReportTuple t = RecordOf({"\"CapacityKB=-5\"", "\"FreeSpaceKB=7x\"", "\"State=16\""});
    d->setCapacity(40);
    EXPECT_EQ(1, d->deserialize(-1, &t));
    EXPECT_EQ(40, d->CapacityKB);
    EXPECT_EQ(7, d->FreeSpaceKB);
    EXPECT_EQ(0x1Du, d->state);
    EXPECT_EQ(0, d->deserialize(-1, nullptr));
}

TEST_F(SrmDiskTest, MergeKeepsSetValuesWhereNewcomerHasNone) {
    SrmScopedRef<SrmDisk> held(new SrmDisk("d"));
    SrmScopedRef<SrmDisk> newcomer(new SrmDisk("d"));
    held->Status = 3;
    held->Name = "sda";
    held->Sign = 77;
    held->setCapacity(500);
    held->Model = "old";
    newcomer->Name = "sdb";
    newcomer->Sign = 99;
    newcomer->Model = "new";
    newcomer->state |= SRM_STATE_BIT2;
    ASSERT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ(3, held->Status);        // 0 does not replace
    EXPECT_EQ(500, held->CapacityKB);  // 0 does not replace
    EXPECT_EQ("sda", held->Name);      // the first name stays
    EXPECT_EQ(77, held->Sign);         // a known signature stays
    EXPECT_EQ("new", held->Model);     // a set text replaces
    EXPECT_NE(0u, held->state & SRM_STATE_BIT2);
    EXPECT_EQ(1, newcomer->isMerged());
}

TEST_F(SrmDiskTest, MergeTakesNameAndSignatureOnlyWhenUnset) {
    SrmScopedRef<SrmDisk> held(new SrmDisk("d"));
    SrmScopedRef<SrmDisk> newcomer(new SrmDisk("d"));
    newcomer->Name = "sdb";
    newcomer->Sign = 99;
    newcomer->Status = 4;
    ASSERT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ("sdb", held->Name);
    EXPECT_EQ(99, held->Sign);
    EXPECT_EQ(4, held->Status);
    // An absorbed newcomer changes nothing a second time.
    newcomer->Status = 5;
    EXPECT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ(4, held->Status);
}

TEST_F(SrmDiskTest, MergeRefusesOtherKinds) {
    SrmScopedRef<SrmDisk> held(new SrmDisk("d"));
    SrmScopedRef<SrmDiskChunk> chunk(new SrmDiskChunk("d"));
    EXPECT_EQ(0, held->mergeResource(chunk.get()));
    EXPECT_EQ(0, held->mergeResource(nullptr));
    EXPECT_EQ(0, chunk->isMerged());
}

class SrmDiskChunkTest : public ::testing::Test {
  protected:
    SrmResourceDatabase db;
};

TEST_F(SrmDiskChunkTest, RecordsOfFilledAndDefaultChunk) {
    SrmScopedRef<SrmDiskChunk> c(new SrmDiskChunk("c1"));
    c->db = &db;
    c->PubId = "p";
    c->LId = "s0";
    c->DiskChunk = "slice 0";
    c->Disk = "disk0";
    c->setStartAndLength(16, 2048);
    EXPECT_EQ(
        "\"Type=DiskChunk\",\"Id=c1\",\"PubId=p\",\"State=12\",\"LId=s0\",\"DiskChunk=slice 0\","
        "\"Disk=disk0\",\"Start=16\",\"Length=2048\",;\n",
        BytesOf([&](int fd) { return c->serialize(fd, 0); }));
    EXPECT_EQ("\"Type=DiskChunk\",\"Id=c1\",;\n",
              BytesOf([&](int fd) { return c->serialize(fd, 1); }));
    SrmScopedRef<SrmDiskChunk> empty(new SrmDiskChunk());
    empty->db = &db;
    EXPECT_EQ("\"Type=DiskChunk\",\"State=12\",\"Start=0\",\"Length=0\",;\n",
              BytesOf([&](int fd) { return empty->serialize(fd, 0); }));
}

TEST_F(SrmDiskChunkTest, ChunkReadsBackAndNamesItsDiskByTheDisksOwnId) {
    SrmScopedRef<SrmDisk> disk(new SrmDisk("disk-global"));
    disk->LId = "c0t0d0";
    ASSERT_EQ(1, db.addResource(disk.get()));
    SrmScopedRef<SrmDiskChunk> c(new SrmDiskChunk("c1"));
    c->db = &db;
    c->DiskChunk = "s0";
    c->Disk = "c0t0d0";  // the disk's local identity
    c->setStartAndLength(1, 2);
    ASSERT_EQ(0, LoadInto(&db, BytesOf([&](int fd) { return c->serialize(fd, 0); })));
    auto *r = dynamic_cast<SrmDiskChunk *>(db.findResource(SRM_RES_DISKCHUNK, "c1"));
    ASSERT_NE(nullptr, r);
    ASSERT_NE(c.get(), r);
    EXPECT_EQ("disk-global", r->Disk);
    EXPECT_EQ("s0", r->DiskChunk);
    EXPECT_EQ(1, r->Start);
    EXPECT_EQ(2, r->Length);
}

TEST_F(SrmDiskChunkTest, ChunkOfUnknownDiskKeepsTheNameAsRead) {
    SrmScopedRef<SrmDiskChunk> c(new SrmDiskChunk());
    c->db = &db;
    CSRMReportTuple t = RecordOf({"\"Id=c\"", "\"Disk=nowhere\""});
    c->setStartAndLength(5, 6);
    ASSERT_EQ(1, c->deserialize(-1, &t));
    EXPECT_EQ("nowhere", c->Disk);
    // Missing start and length read as 0.
    EXPECT_EQ(0, c->Start);
    EXPECT_EQ(0, c->Length);
}

TEST_F(SrmDiskChunkTest, NegativeStartOrLengthChangesNeither) {
    SrmScopedRef<SrmDiskChunk> c(new SrmDiskChunk("c"));
    ASSERT_EQ(1, c->setStartAndLength(3, 4));
    EXPECT_EQ(0, c->setStartAndLength(10, -1));
    EXPECT_EQ(0, c->setStartAndLength(-1, 10));
    EXPECT_EQ(3, c->Start);
    EXPECT_EQ(4, c->Length);
    CSRMReportTuple t = RecordOf({"\"Start=9\"", "\"Length=-2\""});
    EXPECT_EQ(1, c->deserialize(-1, &t));
    EXPECT_EQ(3, c->Start);
}

TEST_F(SrmDiskChunkTest, MergeTakesPlacementOnlyWhenNewcomerHasOne) {
    SrmScopedRef<SrmDiskChunk> held(new SrmDiskChunk("c"));
    SrmScopedRef<SrmDiskChunk> newcomer(new SrmDiskChunk("c"));
    held->Disk = "d1";
    held->DiskChunk = "s0";
    held->setStartAndLength(3, 4);
    newcomer->DiskChunk = "s1";
    ASSERT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ("d1", held->Disk);
    EXPECT_EQ("s1", held->DiskChunk);
    EXPECT_EQ(3, held->Start);
    EXPECT_EQ(4, held->Length);

    SrmScopedRef<SrmDiskChunk> moved(new SrmDiskChunk("c"));
    moved->setStartAndLength(0, 8);
    ASSERT_EQ(1, held->mergeResource(moved.get()));
    EXPECT_EQ(0, held->Start);
    EXPECT_EQ(8, held->Length);
}

}  // namespace
