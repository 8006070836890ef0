#include "inventory/kinds/SrmVirtualServer.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/RecordStream.h"

namespace {

using ulvar::testing::BytesOf;
using ulvar::testing::refCountOf;

class SrmVirtualServerTest : public ::testing::Test {
  protected:
    SrmServiceGroup *group(const std::string &name) {
        auto *g = new SrmServiceGroup(name);
        EXPECT_EQ(1, db.addServiceGroup(g));
        g->Release();
        return g;
    }
    // Reads the first record of `bytes` into `r`.
    int readInto(SrmResource *r, const std::string &bytes) {
        ulvar::testing::Attached in(&db, bytes);
        auto record = in.next();
        return record ? r->deserialize(in.fd(), record.get()) : -1;
    }

    SrmResourceDatabase db;
};

TEST_F(SrmVirtualServerTest, RecordsOfAFilledAndADefaultServer) {
    SrmVirtualServer vs("vs1");
    vs.db = &db;
    EXPECT_EQ("\"Type=VirtualServer\",\"Id=vs1\",\"State=12\",;\n",
              BytesOf([&](int fd) { return vs.serialize(fd, 0); }));
    vs.PubId = "pub";
    vs.HostName = "vhost";
    vs.IPAddr = "10.1.1.1";
    vs.Name = "web";
    vs.Port = 8080;
    vs.setServiceGroup(group("sgWeb"));
    int result = 0;
    EXPECT_EQ(
        "\"Type=VirtualServer\",\"Id=vs1\",\"PubId=pub\",\"State=12\","
        "\"HostName=vhost\",\"IPAddr=10.1.1.1\",\"Name=web\",\"ServiceGroup=sgWeb\",;\n",
        BytesOf([&](int fd) { return vs.serialize(fd, 0); }, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ("\"Type=VirtualServer\",\"Id=vs1\",;\n",
              BytesOf([&](int fd) { return vs.serialize(fd, 1); }));
    SrmVirtualServer loose;
    EXPECT_EQ(0, loose.serialize(-1, 0));
}

TEST_F(SrmVirtualServerTest, GroupWithoutNameIsNotWritten) {
    auto *unnamed = new SrmServiceGroup();
    SrmVirtualServer vs("vs1");
    vs.db = &db;
    vs.setServiceGroup(unnamed);
    unnamed->Release();
    EXPECT_EQ("\"Type=VirtualServer\",\"Id=vs1\",\"State=12\",;\n",
              BytesOf([&](int fd) { return vs.serialize(fd, 0); }));
}

TEST_F(SrmVirtualServerTest, RoundTripKeepsAllButThePort) {
    SrmServiceGroup *g = group("sgWeb");
    SrmVirtualServer written("vs1");
    written.db = &db;
    written.PubId = "pub";
    written.HostName = "vhost";
    written.IPAddr = "10.1.1.1";
    written.Name = "web, with comma;";
    written.Port = 8080;
    written.state |= SRM_STATE_FROM_SER_RDB;
    written.setServiceGroup(g);
    SrmVirtualServer read;
    read.db = &db;
    EXPECT_EQ(1, readInto(&read, BytesOf([&](int fd) { return written.serialize(fd, 0); })));
    EXPECT_EQ(written.Id, read.Id);
    EXPECT_EQ(written.PubId, read.PubId);
    EXPECT_EQ(written.state, read.state);
    EXPECT_EQ(written.HostName, read.HostName);
    EXPECT_EQ(written.IPAddr, read.IPAddr);
    EXPECT_EQ(written.Name, read.Name);
    EXPECT_EQ(g, read.getServiceGroup());
    EXPECT_EQ(0, read.Port);
}

TEST_F(SrmVirtualServerTest, ReaderTakesThePortAndDropsUnknownGroups) {
    SrmVirtualServer read;
    read.db = &db;
    EXPECT_EQ(1, readInto(&read, "\"Type=VirtualServer\",\"Port=443\",\"ServiceGroup=none\",;\n"));
    EXPECT_EQ(443, read.Port);
    EXPECT_EQ(nullptr, read.getServiceGroup());
    EXPECT_EQ(0, read.deserialize(-1, nullptr));
}

TEST_F(SrmVirtualServerTest, ServiceGroupReferencesMoveWithTheGroup) {
    auto *a = new SrmServiceGroup("a");
    auto *b = new SrmServiceGroup("b");
    {
        SrmVirtualServer vs("vs1");
        vs.setServiceGroup(a);
        vs.setServiceGroup(a);
        vs.setServiceGroup(nullptr);
        EXPECT_EQ(2, refCountOf(a));
        vs.setServiceGroup(b);
        EXPECT_EQ(1, refCountOf(a));
        EXPECT_EQ(2, refCountOf(b));
    }
    EXPECT_EQ(1, refCountOf(b));
    a->Release();
    b->Release();
}

TEST_F(SrmVirtualServerTest, MergeTakesSetValuesAndKeepsTheGroup) {
    SrmServiceGroup *g = group("sg");
    SrmVirtualServer held("vs1");
    held.HostName = "vhost";
    held.Port = 80;
    held.setServiceGroup(g);
    auto *newcomer = new SrmVirtualServer("vs1");
    newcomer->IPAddr = "10.2.2.2";
    newcomer->setServiceGroup(group("other"));
    EXPECT_EQ(1, held.mergeResource(newcomer));
    EXPECT_EQ("vhost", held.HostName);
    EXPECT_EQ("10.2.2.2", held.IPAddr);
    EXPECT_EQ(80, held.Port);
    EXPECT_EQ(g, held.getServiceGroup());
    EXPECT_EQ(1, newcomer->isMerged());
    newcomer->Release();
    SrmId alias("vs1");
    EXPECT_EQ(0, held.mergeResource(&alias));
    EXPECT_EQ(1, held.mergeResource(&held));
    EXPECT_EQ(0, held.isMerged());
}

class SrmIdTest : public SrmVirtualServerTest {};

TEST_F(SrmIdTest, RecordsOfAFilledAndADefaultAlias) {
    SrmId alias(&db);
    EXPECT_EQ(SRM_STATE_BIT1 | SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT, alias.state);
    EXPECT_EQ("\"Type=Id\",;\n", BytesOf([&](int fd) { return alias.serialize(fd, 0); }));
    EXPECT_EQ("\"Type=Id\",;\n", BytesOf([&](int fd) { return alias.serialize(fd, 1); }));
    alias.Id = "a1";
    alias.PubId = "pub";
    alias.PrimaryId = "wwn:1";
    alias.SecondaryId = "dev:2";
    alias.IdType = "WWN";
    EXPECT_EQ(
        "\"Type=Id\",\"Id=a1\",\"PubId=pub\",\"PrimaryId=wwn:1\",\"SecondaryId=dev:2\","
        "\"IdType=WWN\",;\n",
        BytesOf([&](int fd) { return alias.serialize(fd, 0); }));
    EXPECT_EQ("\"Type=Id\",\"Id=a1\",\"IdType=WWN\",\"PrimaryId=wwn:1\",;\n",
              BytesOf([&](int fd) { return alias.serialize(fd, 1); }));
}

TEST_F(SrmIdTest, RoundTripKeepsAllButTheStateWord) {
    SrmId written(&db);
    written.Id = "a1";
    written.PubId = "pub";
    written.PrimaryId = "wwn:1";
    written.SecondaryId = "dev:2";
    written.IdType = "WWN";
    written.state = SRM_STATE_FROM_SER_RDB;
    SrmId read("x");
    read.state = 0;
    std::string bytes = BytesOf([&](int fd) { return written.serialize(fd, 0); });
    bytes.insert(bytes.size() - 2, "\"State=63\",");
    EXPECT_EQ(1, readInto(&read, bytes));
    EXPECT_EQ("a1", read.Id);
    EXPECT_EQ("pub", read.PubId);
    EXPECT_EQ("wwn:1", read.PrimaryId);
    EXPECT_EQ("dev:2", read.SecondaryId);
    EXPECT_EQ("WWN", read.IdType);
    EXPECT_EQ(0u, read.state);
    EXPECT_EQ(0, read.deserialize(-1, nullptr));
}

TEST_F(SrmIdTest, MergeKeepsThisAliasValuesAndOrsTheState) {
    SrmId held("a1");
    held.PrimaryId = "mine";
    auto *newcomer = new SrmId("a1");
    newcomer->PrimaryId = "theirs";
    newcomer->IdType = "WWN";
    newcomer->SecondaryId = "second";
    newcomer->state |= SRM_STATE_FROM_SER_RDB;
    EXPECT_EQ(1, held.mergeResource(newcomer));
    EXPECT_EQ("mine", held.PrimaryId);
    EXPECT_EQ("WWN", held.IdType);
    EXPECT_EQ("", held.SecondaryId);
    EXPECT_EQ(1, held.isLoadedFromSerRDB());
    EXPECT_EQ(1, newcomer->isMerged());
    newcomer->Release();

    SrmId empty("a2");
    SrmId other("a2");
    other.PrimaryId = "p";
    EXPECT_EQ(1, empty.mergeResource(&other));
    EXPECT_EQ("p", empty.PrimaryId);
    EXPECT_EQ(0, empty.mergeResource(nullptr));
}

}  // namespace
