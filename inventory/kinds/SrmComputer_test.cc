#include "inventory/kinds/SrmComputer.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/RecordStream.h"

namespace {

using ulvar::testing::BytesOf;
using ulvar::testing::refCountOf;

const char kDefaultRecord[] =
    "\"Type=System\",\"State=12\",\"RAMMB=0\",\"SwapMB=0\",\"AddrSpaceMB=0\",\"CapacityKB=0\","
    "\"FreeSpaceKB=0\",\"ProcCount=0\",\"ProcSpeedMHz=0\",\"NodeId=-1\",\"LLTId=-1\","
    "\"ResourceCount=0\",\"SGCount=0\",\"TIM=0\",;\n";

void fill(SrmComputer *c) {
    c->PubId = "pub-node1";
    c->LId = "local-node1";
    c->state |= SRM_STATE_BIT2;
    c->RAMMB = 4096;
    c->SwapMB = 8192;
    c->AddrSpaceMB = 17179869184LL;
    c->setCapacity(1000000);
    c->setFreeSpace(250000);
    c->ProcCount = 4;
    c->ProcSpeedMHz = 2400;
    c->CPUInfo = "sparcv9, 4 way";
    c->HWInfo = "SUNW,Sun-Fire";
    c->OS = "SunOS";
    c->OSInfo = "5.10";
    c->MgmtURL = "https://node1:8443/";
    c->DisplayMgmtURL = "node1 console";
    c->HostId = "83a1b2c3";
    c->IPAddr = "10.0.0.1";
    c->NodeId = 2;
    c->LLTId = 0;
    c->TIM = 1;
}

void expectSameFields(const SrmComputer &a, const SrmComputer &b) {
    EXPECT_EQ(a.Id, b.Id);
    EXPECT_EQ(a.PubId, b.PubId);
    EXPECT_EQ(a.LId, b.LId);
    EXPECT_EQ(a.state, b.state);
    EXPECT_EQ(a.HostName, b.HostName);
    EXPECT_EQ(a.RAMMB, b.RAMMB);
    EXPECT_EQ(a.SwapMB, b.SwapMB);
    EXPECT_EQ(a.AddrSpaceMB, b.AddrSpaceMB);
    EXPECT_EQ(a.getCapacity(), b.getCapacity());
    EXPECT_EQ(a.getFreeSpace(), b.getFreeSpace());
    EXPECT_EQ(a.ProcCount, b.ProcCount);
    EXPECT_EQ(a.ProcSpeedMHz, b.ProcSpeedMHz);
    EXPECT_EQ(a.CPUInfo, b.CPUInfo);
    EXPECT_EQ(a.HWInfo, b.HWInfo);
    EXPECT_EQ(a.OS, b.OS);
    EXPECT_EQ(a.OSInfo, b.OSInfo);
    EXPECT_EQ(a.MgmtURL, b.MgmtURL);
    EXPECT_EQ(a.DisplayMgmtURL, b.DisplayMgmtURL);
    EXPECT_EQ(a.HostId, b.HostId);
    EXPECT_EQ(a.IPAddr, b.IPAddr);
    EXPECT_EQ(a.NodeId, b.NodeId);
    EXPECT_EQ(a.LLTId, b.LLTId);
    EXPECT_EQ(a.TIM, b.TIM);
}

class SrmComputerTest : public ::testing::Test {
  protected:
    template <typename T>
    T *add(T *r) {
        EXPECT_EQ(1, db.addResource(r));
        r->Release();
        return r;
    }
    SrmComputer *addComputer(const std::string &name) {
        auto *c = new SrmComputer(name);
        EXPECT_EQ(1, db.addComputer(c, 0));
        c->Release();
        return c;
    }
    SrmServiceGroup *group(const std::string &name) {
        auto *g = new SrmServiceGroup(name);
        EXPECT_EQ(1, db.addServiceGroup(g));
        g->Release();
        return g;
    }
    // A computer of `db` holding a disk, a virtual server and an alias, in two
    // service groups.
    SrmComputer *filledWithChildren() {
        SrmComputer *c = addComputer("node1");
        fill(c);
        c->addResource(add(new SrmVirtualServer("vs1")));
        c->addResource(add(new SrmDisk("d1")));
        c->addResource(add(new SrmId("alias1")));
        c->addServiceGroup(group("sgB"));
        c->addServiceGroup(group("sgA"));
        return c;
    }

    SrmResourceDatabase db;
};

TEST_F(SrmComputerTest, DefaultComputerWritesNumbersAndNoTexts) {
    SrmComputer *c = new SrmComputer();
    EXPECT_EQ("", BytesOf([&](int fd) { return c->serialize(fd, 0); }));
    c->db = &db;
    EXPECT_EQ(kDefaultRecord, BytesOf([&](int fd) { return c->serialize(fd, 0); }));
    EXPECT_EQ("\"Type=System\",;\n", BytesOf([&](int fd) { return c->serialize(fd, 1); }));
    c->Release();
}

TEST_F(SrmComputerTest, FilledComputerIsFollowedByItsChildrenAndGroups) {
    SrmComputer *c = filledWithChildren();
    int result = 0;
    EXPECT_EQ(
        "\"Type=System\",\"Id=node1\",\"PubId=pub-node1\",\"State=14\",\"LId=local-node1\","
        "\"HostName=node1\",\"RAMMB=4096\",\"SwapMB=8192\",\"AddrSpaceMB=17179869184\","
        "\"CapacityKB=1000000\",\"FreeSpaceKB=250000\",\"ProcCount=4\",\"ProcSpeedMHz=2400\","
        "\"CPUInfo=sparcv9, 4 way\",\"HWInfo=SUNW,Sun-Fire\",\"OS=SunOS\",\"OSInfo=5.10\","
        "\"MgmtURL=https://node1:8443/\",\"DisplayMgmtURL=node1 console\",\"HostId=83a1b2c3\","
        "\"IPAddr=10.0.0.1\",\"NodeId=2\",\"LLTId=0\",\"ResourceCount=2\",\"SGCount=2\","
        "\"TIM=1\",;\n"
        "\"Type=Disk\",\"Id=d1\",;\n"
        "\"Type=VirtualServer\",\"Id=vs1\",;\n"
        "\"Type=ServiceGroup\",\"Id=sgA\",;\n"
        "\"Type=ServiceGroup\",\"Id=sgB\",;\n",
        BytesOf([&](int fd) { return c->serialize(fd, 0); }, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ("\"Type=System\",\"Id=node1\",;\n",
              BytesOf([&](int fd) { return c->serialize(fd, 1); }));
}

TEST_F(SrmComputerTest, RecordReadsBackWithItsChildrenThroughOneReader) {
    SrmComputer *written = filledWithChildren();
    std::string bytes = BytesOf([&](int fd) { return written->serialize(fd, 0); });
    ulvar::testing::Attached in(&db, bytes + "\"Type=Disk\",\"Id=next\",;\n");
    ASSERT_TRUE(in.ok());
    auto record = in.next();
    ASSERT_NE(nullptr, record);

    auto *read = new SrmComputer();
    read->db = &db;
    EXPECT_EQ(1, read->deserialize(in.fd(), record.get()));
    expectSameFields(*written, *read);
    EXPECT_EQ(2, read->getResourceList()->getResourceCount());
    EXPECT_EQ(db.findResource(SRM_RES_DISK, "d1"),
              read->getResourceList()->findResource(SRM_RES_DISK, "d1"));
    ASSERT_EQ(2u, read->getServiceGroupMap().size());
    EXPECT_EQ(db.findServiceGroup("sgA"), read->getServiceGroupMap().at("sgA"));
    // A non-zero "TIM" names the computer that read it.
    EXPECT_EQ(read, db.getThisComputer());
    auto rest = in.next();
    ASSERT_NE(nullptr, rest);
    EXPECT_EQ(2u, rest->elementCount());
    db.setThisComputer(written);
    read->Release();
}

TEST_F(SrmComputerTest, UnknownGroupIsCreatedInTheDatabase) {
    ulvar::testing::Attached in(&db,
                                "\"Type=System\",\"Id=n\",\"SGCount=1\",\"TIM=0\",;\n"
                                "\"Type=ServiceGroup\",\"Id=sgNew\",;\n");
    auto record = in.next();
    auto *c = new SrmComputer();
    c->db = &db;
    EXPECT_EQ(1, c->deserialize(in.fd(), record.get()));
    SrmServiceGroup *g = db.findServiceGroup("sgNew");
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(2, refCountOf(g));
    c->Release();
    EXPECT_EQ(1, refCountOf(g));
}

TEST_F(SrmComputerTest, MissingChildrenFailTheRead) {
    add(new SrmDisk("d1"));
    ulvar::testing::Attached in(&db,
                                "\"Type=System\",\"Id=n\",\"ResourceCount=2\",\"TIM=1\",;\n"
                                "\"Type=Disk\",\"Id=d1\",;\n"
                                "\"Type=Disk\",\"Id=gone\",;\n");
    auto record = in.next();
    auto *c = new SrmComputer();
    c->db = &db;
    EXPECT_EQ(0, c->deserialize(in.fd(), record.get()));
    EXPECT_EQ(1, c->getResourceList()->getResourceCount());
    // A computer that failed to read is not named this computer.
    EXPECT_EQ(nullptr, db.getThisComputer());
    c->Release();

    // Fewer child records than announced.
    ulvar::testing::Attached shortInput(&db,
                                        "\"Type=System\",\"Id=n\",\"SGCount=2\",;\n"
                                        "\"Type=ServiceGroup\",\"Id=only\",;\n");
    record = shortInput.next();
    c = new SrmComputer();
    c->db = &db;
    EXPECT_EQ(0, c->deserialize(shortInput.fd(), record.get()));
    c->Release();
}

TEST_F(SrmComputerTest, AnnouncedChildrenNeedADatabaseReader) {
    CSRMReportTuple record;
    record.addElement("\"Type=System\"");
    record.addElement("\"ResourceCount=1\"");
    SrmComputer loose;
    EXPECT_EQ(0, loose.deserialize(-1, &record));
    EXPECT_EQ(0, loose.deserialize(-1, nullptr));
    CSRMReportTuple plain;
    plain.addElement("\"Id=n\"");
    plain.addElement("\"TIM=0\"");
    SrmComputer *held = addComputer("other");
    db.setThisComputer(held);
    auto *c = new SrmComputer();
    c->db = &db;
    EXPECT_EQ(1, c->deserialize(-1, &plain));
    EXPECT_EQ(held, db.getThisComputer());
    c->Release();
}

TEST_F(SrmComputerTest, NegativeSizesAreRefusedBySettersReaderAndMerge) {
    SrmComputer c("n");
    EXPECT_EQ(1, c.setCapacity(5));
    EXPECT_EQ(0, c.setCapacity(-1));
    EXPECT_EQ(0, c.setFreeSpace(-1));
    EXPECT_EQ(5, c.getCapacity());
    CSRMReportTuple record;
    record.addElement("\"CapacityKB=-7\"");
    record.addElement("\"FreeSpaceKB=12abc\"");
    EXPECT_EQ(1, c.deserialize(-1, &record));
    EXPECT_EQ(5, c.getCapacity());
    EXPECT_EQ(12, c.getFreeSpace());
}

TEST_F(SrmComputerTest, MergeTakesOnlySetValuesOfTheNewcomer) {
    SrmComputer *held = addComputer("node1");
    fill(held);
    held->TIM = 0;
    auto *newcomer = new SrmComputer("node1");
    newcomer->HostName = "";
    newcomer->OS = "Linux";
    newcomer->RAMMB = 0;
    newcomer->LLTId = -1;
    newcomer->NodeId = 5;
    newcomer->PubId = "other-pub";
    newcomer->state = 0;
    EXPECT_EQ(1, held->mergeResource(newcomer));
    EXPECT_EQ("node1", held->HostName);
    EXPECT_EQ("Linux", held->OS);
    EXPECT_EQ(4096, held->RAMMB);
    EXPECT_EQ(0, held->LLTId);
    EXPECT_EQ(5, held->NodeId);
    EXPECT_EQ("pub-node1", held->PubId);
    EXPECT_EQ(SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT | SRM_STATE_BIT2, held->state);
    EXPECT_EQ(1, newcomer->isMerged());
    // Already merged: nothing changes.
    newcomer->OS = "AIX";
    EXPECT_EQ(1, held->mergeResource(newcomer));
    EXPECT_EQ("Linux", held->OS);
    newcomer->Release();

    EXPECT_EQ(0, held->mergeResource(nullptr));
    auto *vs = new SrmVirtualServer("node1");
    EXPECT_EQ(0, held->mergeResource(vs));
    vs->Release();
    EXPECT_EQ(1, held->mergeResource(held));
    EXPECT_EQ(0, held->isMerged());
}

TEST_F(SrmComputerTest, MergedResourcesBelongToTheDatabaseAndTimNamesTheKeeper) {
    SrmComputer *held = addComputer("node1");
    addComputer("node2");
    auto *newcomer = new SrmComputer("node1");
    newcomer->TIM = 1;
    auto *disk = new SrmDisk("d9");
    newcomer->addResource(disk);
    disk->Release();
    db.setThisComputer(newcomer);
    EXPECT_EQ(1, held->mergeResource(newcomer));
    newcomer->Release();
    EXPECT_EQ(held, db.getThisComputer());
    EXPECT_EQ(1, held->TIM);
    EXPECT_EQ(disk, held->getResourceList()->findResource(SRM_RES_DISK, "d9"));
    EXPECT_EQ(&db, disk->db);
}

TEST_F(SrmComputerTest, ListsRefuseComputersAndRepeatedGroups) {
    SrmComputer c("n");
    SrmComputer other("m");
    EXPECT_EQ(0, c.addResource(&other));
    EXPECT_EQ(0, c.addResource(nullptr));
    auto *g = new SrmServiceGroup("sg");
    EXPECT_EQ(1, c.addServiceGroup(g));
    EXPECT_EQ(0, c.addServiceGroup(g));
    EXPECT_EQ(2, refCountOf(g));
    EXPECT_EQ(0, c.removeServiceGroup(""));
    EXPECT_EQ(0, c.removeServiceGroup("nowhere"));
    EXPECT_EQ(1, c.removeServiceGroup("sg"));
    EXPECT_EQ(1, refCountOf(g));
    g->Release();
}

}  // namespace
