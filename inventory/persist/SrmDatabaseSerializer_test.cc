// Writing a whole database and loading it back: the header, file order, the
// counts and their messages, volume hierarchies, this computer after a load,
// and damaged files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/ScratchFiles.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::ContentsOf;
using ulvar::testing::LastMessage;
using ulvar::testing::Load;
using ulvar::testing::ScopedFd;
using ulvar::testing::Written;

const char kEmptyHeader[] =
    "\"SrmResourceDbVersion=1.0\",\"ResourceCount=0\",\"ClusterAlias=\",\"ClusterId=\","
    "\"ClusterName=\",\"ClusterVersion=\",\"MemberCount=0\",\"SGCount=0\",;\n";

std::string Header(int resources, int groups) {
    return "\"SrmResourceDbVersion=1.0\",\"ResourceCount=" + std::to_string(resources) +
           "\",\"ClusterAlias=\",\"ClusterId=\",\"ClusterName=\",\"ClusterVersion=\","
           "\"MemberCount=0\",\"SGCount=" +
           std::to_string(groups) + "\",;\n";
}

// The "Type" and "Id" of every line that holds both, in file order.
std::vector<std::string> TypesAndIds(const std::string &text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        std::size_t t = line.find("\"Type=");
        std::size_t i = line.find("\"Id=");
        if (t == std::string::npos || i == std::string::npos) {
            continue;
        }
        std::string type = line.substr(t + 6, line.find('"', t + 6) - t - 6);
        std::string id = line.substr(i + 4, line.find('"', i + 4) - i - 4);
        out.push_back(type + ":" + id);
    }
    return out;
}

template <typename T>
T *AddTo(SrmResourceDatabase *db, T *r) {
    SrmScopedRef<T> held(r);
    db->addResource(r);
    return r;
}

class SrmDatabaseSerializerTest : public ::testing::Test {
  protected:
    SrmResourceDatabase db;
};

TEST_F(SrmDatabaseSerializerTest, EmptyDatabaseWritesOnlyTheHeaderAndLoadsBack) {
    int result = 0;
    EXPECT_EQ(kEmptyHeader, Written(&db, &result));
    EXPECT_EQ(1, result);
    EXPECT_NE(nullptr, db.getTupleStream()) << "the write's stream stays attached";

    SrmResourceDatabase loaded;
    EXPECT_EQ(1, Load(&loaded, kEmptyHeader));
    EXPECT_EQ(0, loaded.getResourceCount());
    EXPECT_EQ(nullptr, loaded.getTupleStream()) << "a load detaches its stream";
}

TEST_F(SrmDatabaseSerializerTest, HeaderValuesAndCountsTravelThroughALoad) {
    const std::string file =
        "\"SrmResourceDbVersion=0.9\",\"ResourceCount=1\",\"ClusterAlias=al\",\"ClusterId=42\","
        "\"ClusterName=c,n;x\",\"ClusterVersion=8.0\",\"MemberCount=3\",\"SGCount=1\",;\n"
        "\"Type=Disk\",\"Id=d1\",\"Name=n\",;\n"
        "\"Type=ServiceGroup\",\"Id=sg\",\"ResourceCount=1\",;\n"
        "\"Type=Disk\",\"Id=d1\",;\n";
    ASSERT_EQ(1, Load(&db, file));
    // Written again, the version is the current one and the rest as loaded.
    std::string again = Written(&db);
    EXPECT_EQ(0u, again.find("\"SrmResourceDbVersion=1.0\",\"ResourceCount=1\","
                             "\"ClusterAlias=al\",\"ClusterId=42\",\"ClusterName=c,n;x\","
                             "\"ClusterVersion=8.0\",\"MemberCount=3\",\"SGCount=1\",;\n"))
        << again;
}

TEST_F(SrmDatabaseSerializerTest, FileOrderIsKindByKindThenErrorsThenGroupsByName) {
    AddTo(&db, new SrmId("alias"));
    SrmComputer *host = AddTo(&db, new SrmComputer("host"));
    AddTo(&db, new SrmVolumeGroup("vg"));
    AddTo(&db, new SrmVirtualServer("vs"));
    AddTo(&db, new SrmShare("sh"));
    AddTo(&db, new SrmMountPoint("mp"));
    AddTo(&db, new SrmFileSystem("fs"));
    AddTo(&db, new SrmVolume("v"));
    AddTo(&db, new SrmVolumeManager("vm"));
    AddTo(&db, new SrmDiskChunk("c"));
    SrmDisk *diskB = AddTo(&db, new SrmDisk("d-b"));
    AddTo(&db, new SrmDisk("d-a"));
    host->addResource(diskB);
    db.addError("HOST", "broken", 22, 2);
    for (const char *name : {"sg-z", "sg-a"}) {
        SrmScopedRef<SrmServiceGroup> g(new SrmServiceGroup(name));
        db.addServiceGroup(g.get());
    }
    int result = 0;
    std::string text = Written(&db, &result);
    ASSERT_EQ(1, result) << LastMessage(&db);
    EXPECT_EQ(0u, text.find(Header(13, 2))) << text;
    EXPECT_EQ(
        (std::vector<std::string>{
            "Disk:d-a", "Disk:d-b", "DiskChunk:c", "VolumeManager:vm", "Volume:v", "FileSystem:fs",
            "MountPoint:mp", "Share:sh", "VirtualServer:vs", "VolumeGroup:vg", "System:host",
            "Disk:d-b", "Id:alias", "Error:host", "ServiceGroup:sg-a", "ServiceGroup:sg-z"}),
        TypesAndIds(text));
}

TEST_F(SrmDatabaseSerializerTest, VolumeUnderTwoParentsIsWrittenOnceBeforeBoth) {
    SrmVolume *shared = AddTo(&db, new SrmVolume("v-shared"));
    SrmVolume *p1 = AddTo(&db, new SrmVolume("p1"));
    SrmVolume *p2 = AddTo(&db, new SrmVolume("p2"));
    SrmVolume *inner = AddTo(&db, new SrmVolume("a-inner"));
    ASSERT_EQ(1, p1->addSubVolume(shared));
    ASSERT_EQ(1, p2->addSubVolume(shared));
    ASSERT_EQ(1, shared->addSubVolume(inner));
    int result = 0;
    std::string text = Written(&db, &result);
    ASSERT_EQ(1, result) << LastMessage(&db);
    EXPECT_EQ(
        (std::vector<std::string>{"Volume:a-inner", "Volume:v-shared", "Volume:a-inner",
                                  "Volume:p1", "Volume:v-shared", "Volume:p2", "Volume:v-shared"}),
        TypesAndIds(text));

    SrmResourceDatabase loaded;
    ASSERT_EQ(1, Load(&loaded, text)) << LastMessage(&loaded);
    auto *back = dynamic_cast<SrmVolume *>(loaded.findResource(SRM_RES_VOLUME, "p2"));
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(loaded.findResource(SRM_RES_VOLUME, "v-shared"),
              back->getSubVolumeList()->findResource(SRM_RES_VOLUME, "v-shared"));
    EXPECT_EQ(text, Written(&loaded));
}

// A volume flagged as a sub-volume that no volume holds (its holder's record
// was dropped, or the scanner flags a leg it reports on its own) is written
// where a top volume would be, its sub-volumes before it, and comes back as it
// was.
TEST_F(SrmDatabaseSerializerTest, SubVolumeThatNoVolumeHoldsStandsWhereATopVolumeWould) {
    AddTo(&db, new SrmVolume("a"));
    SrmVolume *orphan = AddTo(&db, new SrmVolume("orphan"));
    SrmVolume *inner = AddTo(&db, new SrmVolume("inner"));
    AddTo(&db, new SrmVolume("z"));
    orphan->HierType = SRM_HIER_SUBVOLUME;
    ASSERT_EQ(1, orphan->addSubVolume(inner));
    int result = 0;
    std::string text = Written(&db, &result);
    ASSERT_EQ(1, result) << LastMessage(&db);
    EXPECT_EQ(0u, text.find(Header(4, 0))) << text;
    EXPECT_EQ((std::vector<std::string>{"Volume:a", "Volume:inner", "Volume:orphan", "Volume:inner",
                                        "Volume:z"}),
              TypesAndIds(text));

    SrmResourceDatabase loaded;
    ASSERT_EQ(1, Load(&loaded, text)) << LastMessage(&loaded);
    auto *back = dynamic_cast<SrmVolume *>(loaded.findResource(SRM_RES_VOLUME, "orphan"));
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(SRM_HIER_SUBVOLUME, back->HierType);
    EXPECT_EQ(loaded.findResource(SRM_RES_VOLUME, "inner"),
              back->getSubVolumeList()->findResource(SRM_RES_VOLUME, "inner"));
    EXPECT_EQ(text, Written(&loaded));
}

// A sub-volume whose only holder is no volume of this database (a list
// changed by hand, a holder merged away) still goes out, after the volumes the
// walks reached.
TEST_F(SrmDatabaseSerializerTest, SubVolumeHeldOnlyOutsideTheDatabaseGoesOutLast) {
    AddTo(&db, new SrmVolume("b"));
    SrmVolume *sub = AddTo(&db, new SrmVolume("a-sub"));
    SrmScopedRef<SrmVolume> outside(new SrmVolume("outside"));
    ASSERT_EQ(1, outside->addSubVolume(sub));
    int result = 0;
    std::string text = Written(&db, &result);
    ASSERT_EQ(1, result) << LastMessage(&db);
    EXPECT_EQ((std::vector<std::string>{"Volume:b", "Volume:a-sub"}), TypesAndIds(text));
    SrmResourceDatabase loaded;
    ASSERT_EQ(1, Load(&loaded, text)) << LastMessage(&loaded);
    EXPECT_EQ(2, loaded.getResourceCount());
}

// Sub-volume lists changed by hand can loop; the write must still end, write
// each volume once, and produce a file that loads.
TEST_F(SrmDatabaseSerializerTest, LoopedHierarchyEndsAndItsFileLoads) {
    SrmVolume *top = AddTo(&db, new SrmVolume("top"));
    SrmVolume *sub = AddTo(&db, new SrmVolume("sub"));
    ASSERT_EQ(1, top->addSubVolume(sub));
    ASSERT_EQ(1, sub->getSubVolumeList()->addResource(top));  // the loop
    int result = 0;
    std::string text = Written(&db, &result);
    // Break the ring of references before the database goes.
    sub->getSubVolumeList()->removeResource(SRM_RES_VOLUME, "top");
    ASSERT_EQ(1, result) << LastMessage(&db);
    EXPECT_EQ((std::vector<std::string>{"Volume:sub", "Volume:top", "Volume:top", "Volume:sub"}),
              TypesAndIds(text));

    SrmResourceDatabase loaded;
    ASSERT_EQ(1, Load(&loaded, text)) << LastMessage(&loaded);
    EXPECT_EQ(2, loaded.getResourceCount());
    int again = 0;
    Written(&loaded, &again);
    EXPECT_EQ(1, again) << LastMessage(&loaded);
}

TEST_F(SrmDatabaseSerializerTest, FailedWritesReportTheirMessages) {
    AddTo(&db, new SrmDisk("d"));
    ScopedFd full(open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (full.get() >= 0) {
        EXPECT_EQ(0, db.serialize(full.get(), 0));
        int code = 0;
        EXPECT_EQ("Failed to serialize the database", LastMessage(&db, &code));
        EXPECT_EQ(5, code);
    }
    EXPECT_EQ(0, db.serialize(-1, 0));
    EXPECT_EQ("attach Stream failed", LastMessage(&db));
}

TEST_F(SrmDatabaseSerializerTest, LongHeaderValuesAreWrittenWhole) {
    const std::string name(5000, 'n');
    const std::string file = "\"ClusterName=" + name + "\",\"ResourceCount=0\",;\n";
    ASSERT_EQ(1, Load(&db, file));
    std::string text = Written(&db);
    EXPECT_NE(std::string::npos, text.find("\"ClusterName=" + name + "\",")) << text.size();
    SrmResourceDatabase loaded;
    EXPECT_EQ(1, Load(&loaded, text));
    EXPECT_EQ(text, Written(&loaded));
}

// Every computer record is named this computer before it is read; a computer
// the database then does not keep hands the name back to the one named before
// it, so the name never points at a computer that is gone.
class SrmDatabaseThisComputerTest : public ::testing::Test {
  protected:
    // Loads `records` behind a header announcing `count` resources; the host
    // name of this computer afterwards, or "(none)".
    std::string ThisComputerAfter(int count, const std::string &records, int expectedResult) {
        EXPECT_EQ(expectedResult, Load(&db, Header(count, 0) + records));
        SrmComputer *me = db.getThisComputer();
        return me != nullptr ? me->HostName : "(none)";
    }

    SrmResourceDatabase db;
};

TEST_F(SrmDatabaseThisComputerTest, LastComputerKeptIsThisComputer) {
    EXPECT_EQ("b", ThisComputerAfter(2,
                                     "\"Type=System\",\"Id=a\",\"HostName=a\",\"TIM=1\",;\n"
                                     "\"Type=System\",\"Id=b\",\"HostName=b\",\"TIM=0\",;\n",
                                     1));
}

TEST_F(SrmDatabaseThisComputerTest, ComputerWhoseReadFailsGivesTheNameBack) {
    // b announces a child the database lacks: its read fails and it is dropped.
    EXPECT_EQ("a",
              ThisComputerAfter(2,
                                "\"Type=System\",\"Id=a\",\"HostName=a\",;\n"
                                "\"Type=System\",\"Id=b\",\"HostName=b\",\"ResourceCount=1\",;\n"
                                "\"Type=Disk\",\"Id=nowhere\",;\n",
                                0));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_COMPUTER, "b"));
}

TEST_F(SrmDatabaseThisComputerTest, ComputerTheDatabaseRefusesGivesTheNameBack) {
    // An empty Id reads fine but is refused by the resource list.
    EXPECT_EQ("a", ThisComputerAfter(2,
                                     "\"Type=System\",\"Id=a\",\"HostName=a\",\"TIM=1\",;\n"
                                     "\"Type=System\",\"HostName=anon\",\"TIM=1\",;\n",
                                     1));
}

TEST_F(SrmDatabaseThisComputerTest, OnlyComputerNotKeptLeavesNoThisComputer) {
    EXPECT_EQ("(none)", ThisComputerAfter(1, "\"Type=System\",\"HostName=anon\",\"TIM=1\",;\n", 1));
    EXPECT_EQ("Not current computer found.", LastMessage(&db));
}

// Damaged files: each loads or fails with one of the load messages, and the
// database stays usable.
class SrmDatabaseLoadTest : public ::testing::Test {
  protected:
    SrmResourceDatabase db;
};

TEST_F(SrmDatabaseLoadTest, NoRecordAtAllFailsAndDetaches) {
    for (const std::string &bytes :
         {std::string(), std::string("  \n;\n"), std::string("\"ResourceCount=0\"")}) {
        SrmResourceDatabase fresh;
        EXPECT_EQ(0, Load(&fresh, bytes)) << bytes;
        int code = 0;
        EXPECT_EQ("Failed to get any tuple to deserialize", LastMessage(&fresh, &code));
        EXPECT_EQ(22, code);
        EXPECT_EQ(nullptr, fresh.getTupleStream());
    }
}

TEST_F(SrmDatabaseLoadTest, TooFewResourcesFailWhetherDataEndsOrGroupsFollow) {
    const std::string resources =
        "\"Type=Disk\",\"Id=d1\",;\n"
        "\"Type=Disk\",\"Id=d2\",;\n";
    for (const std::string &tail :
         {std::string(), std::string("\"Type=ServiceGroup\",\"Id=g\",\"ResourceCount=0\",;\n")}) {
        SrmResourceDatabase fresh;
        EXPECT_EQ(0, Load(&fresh, Header(3, tail.empty() ? 0 : 1) + resources + tail));
        EXPECT_EQ("Failed to deserialize required number of resources", LastMessage(&fresh));
        EXPECT_EQ(2, fresh.getResourceCount()) << "what was read stays";
    }
}

TEST_F(SrmDatabaseLoadTest, TooLowResourceCountLeavesTheRestToTheGroupCount) {
    const std::string resources =
        "\"Type=Disk\",\"Id=d1\",;\n"
        "\"Type=Disk\",\"Id=d2\",;\n";
    // Without groups the extra record is trailing data that nobody reads.
    ASSERT_EQ(1, Load(&db, Header(1, 0) + resources));
    EXPECT_EQ(1, db.getResourceCount());
    // With a group announced, the extra resource is read in its place.
    SrmResourceDatabase fresh;
    EXPECT_EQ(0, Load(&fresh, Header(1, 1) + resources +
                                  "\"Type=ServiceGroup\",\"Id=g\",\"ResourceCount=0\",;\n"));
    EXPECT_EQ("Failed to deserialize required number of service groups", LastMessage(&fresh));
    EXPECT_EQ(nullptr, fresh.findServiceGroup("g"));
}

TEST_F(SrmDatabaseLoadTest, TooManyGroupsAnnouncedFail) {
    EXPECT_EQ(0,
              Load(&db, Header(0, 2) + "\"Type=ServiceGroup\",\"Id=g\",\"ResourceCount=0\",;\n"));
    EXPECT_EQ("Failed to deserialize required number of service groups", LastMessage(&db));
    EXPECT_NE(nullptr, db.findServiceGroup("g"));
    EXPECT_EQ(nullptr, db.getTupleStream());
}

TEST_F(SrmDatabaseLoadTest, UnknownTypeWordsCreateNothing) {
    for (const char *word : {"ServiceGroup", "Disks", "disk", "", "Error2"}) {
        SrmResourceDatabase fresh;
        std::string file = Header(2, 0) + "\"Type=Disk\",\"Id=d1\",;\n\"Type=" + word +
                           "\",\"Id=x\",\"ResourceCount=0\",;\n";
        EXPECT_EQ(0, Load(&fresh, file)) << word;
        EXPECT_EQ("Failed to deserialize required number of resources", LastMessage(&fresh));
        EXPECT_EQ(1, fresh.getResourceCount()) << word;
    }
}

TEST_F(SrmDatabaseLoadTest, RecordsCarryingAnotherKindsKeysReadOnlyTheirOwn) {
    // Counts of other kinds must not make a reader swallow the records after it.
    const std::string file =
        Header(4, 0) +
        "\"Type=Disk\",\"Id=d1\",\"DiskChunkCount=2\",\"SubVolumeCount=1\",\"SGCount=3\","
        "\"Volume=v9\",;\n"
        "\"Type=FileSystem\",\"Id=f1\",\"DiskCount=1\",\"VolumeCount=1\",\"TIM=1\",;\n"
        "\"Type=Share\",\"Id=s1\",\"ResourceCount=4\",\"HierType=4\",\"ErrorDesc=x\",;\n"
        "\"Type=Error\",\"Id=host\",\"ErrorDesc=bad\",\"DiskCount=2\",\"CapacityKB=5\",;\n";
    ASSERT_EQ(1, Load(&db, file)) << LastMessage(&db);
    EXPECT_NE(nullptr, db.findResource(SRM_RES_DISK, "d1"));
    EXPECT_NE(nullptr, db.findResource(SRM_RES_FILESYSTEM, "f1"));
    EXPECT_NE(nullptr, db.findResource(SRM_RES_SHARE, "s1"));
    EXPECT_EQ(1, db.getErrorList()->getErrorCount("host"));
}

// A kind's reader stops at the first element that does not split; object
// words after that point would send the walk back there without end. Each
// record makes one object, from its first object word.
TEST_F(SrmDatabaseLoadTest, RecordMakesOneObjectWhateverFollowsItsFirstType) {
    const std::string file = Header(2, 0) +
                             "\"Type=Disk\",\"Id=d\",\"junk\",\"Type=Disk\",\"Type=Share\",;\n"
                             "\"junk\",\"Type=Nothing\",\"Type=Volume\",\"Id=v\",\"Type=Disk\",;\n";
    ASSERT_EQ(1, Load(&db, file)) << LastMessage(&db);
    EXPECT_NE(nullptr, db.findResource(SRM_RES_DISK, "d"));
    // The volume's reader stopped at "junk" before its Id: it has none and is
    // refused by the database, but its record counts.
    EXPECT_EQ(1, db.getResourceCount());
}

TEST_F(SrmDatabaseLoadTest, ErrorsWithoutKeyOrDescriptionAreCountedAndDropped) {
    const std::string file = Header(2, 0) +
                             "\"Type=Error\",\"ErrorDesc=no key\",;\n"
                             "\"Type=Error\",\"Id=host\",;\n";
    ASSERT_EQ(1, Load(&db, file));
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());
}

// Every prefix of a real file: the load ends with 1 or with one of the load
// messages, having read every whole record of the prefix (the number the
// database tells); at record ends, the database can then still be written, and
// what it writes loads.
TEST_F(SrmDatabaseLoadTest, EveryTruncationOfTheSampleLoadsOrFailsCleanly) {
    ScopedFd sample(open(ULVAR_EXAMPLES_DIR "/cluster/cluster.srdb", O_RDONLY | O_CLOEXEC));
    ASSERT_GE(sample.get(), 0);
    const std::string whole = ContentsOf(sample.get());
    const std::set<std::string> messages = {
        "Failed to get any tuple to deserialize",
        "Failed to deserialize required number of resources",
        "Failed to deserialize required number of service groups"};
    int loaded = 0;
    for (std::size_t n = 0; n <= whole.size(); ++n) {
        SrmResourceDatabase cut;
        const std::string prefix = whole.substr(0, n);
        if (Load(&cut, prefix) != 0) {
            ++loaded;
        } else {
            ASSERT_EQ(1u, messages.count(LastMessage(&cut))) << n << ": " << LastMessage(&cut);
        }
        long records = 0;
        for (std::size_t at = prefix.find(",;"); at != std::string::npos;
             at = prefix.find(",;", at + 1)) {
            ++records;
        }
        ASSERT_EQ(records, cut.getRecordsRead()) << n;
        // Writing and reloading at every record end is enough: within a record
        // the cut only decides whether that record is read.
        if (n == 0 || whole[n - 1] != '\n') {
            continue;
        }
        int wrote = 0;
        std::string text = Written(&cut, &wrote);
        if (wrote != 0) {
            SrmResourceDatabase again;
            ASSERT_EQ(1, Load(&again, text)) << n << ": " << LastMessage(&again);
        }
    }
    // Only the whole file (and the whole file less its last newline) loads.
    EXPECT_EQ(2, loaded);
}

TEST_F(SrmDatabaseLoadTest, SampleClusterLoadsWithItsLinks) {
    ScopedFd sample(open(ULVAR_EXAMPLES_DIR "/cluster/cluster.srdb", O_RDONLY | O_CLOEXEC));
    ASSERT_GE(sample.get(), 0);
    ASSERT_EQ(1, db.deserialize(sample.get(), nullptr)) << LastMessage(&db);
    EXPECT_EQ(19, db.getResourceCount());
    SrmServiceGroup *web = db.findServiceGroup("sg-web");
    ASSERT_NE(nullptr, web);
    EXPECT_EQ(db.findServiceGroup("sg-db"), web->getNextServiceGroup());
    auto *node = dynamic_cast<SrmComputer *>(db.findResource(SRM_RES_COMPUTER, "node-a"));
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(16, node->getResourceList()->getResourceCount());
    EXPECT_EQ(2u, node->getServiceGroupMap().size());
}

}  // namespace
