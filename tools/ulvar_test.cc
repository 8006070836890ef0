// The installed ulvar program, run on the samples and on damaged files. The
// program is the one the test fixture installs into a scratch prefix; the
// databases it reads are also loaded here through the library, to compare what
// the program says with what the database holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/testing/CimXml.h"
#include "inventory/testing/ScratchFiles.h"
#include "tools/testing/ToolTesting.h"

namespace {

using nlohmann::json;
using ulvar::testing::ScopedFd;
using namespace ulvar_tool::testing;

TEST(UlvarTool, SamplesGiveTheirGoldenOutput) {
    ExpectGolden("check-host", {"check", kHost});
    ExpectGolden("check-cluster", {"check", kCluster});
    ExpectGolden("show-host", {"show", kHost});
    ExpectGolden("show-cluster", {"show", kCluster});
    ExpectGolden("show-cluster-narrowed", {"show", kCluster, "--kind", "VG", "--id", "dg_shared"});
    ExpectGolden("summary-host", {"report", "--summary", kHost});
    ExpectGolden("summary-cluster", {"report", "--summary", "--cluster", kCluster});
    ExpectGolden("summary-cluster-as-host", {"report", "--summary", kCluster});
}

TEST(UlvarTool, EveryBadInputExitsWithTheFileAndAReason) {
    // NUL bytes, and a ",;" that makes the reader cut a first record.
    static const char kBinary[] =
        "\x7f"
        "ELF\0\0\x01,;\n\"Id=x\",;\n";
    Scratch s;
    const std::string cluster = Slurp(kSource + "/" + kCluster);
    // The sample cut inside its tenth record.
    std::size_t cut = 0;
    for (int record = 0; record < 9; ++record) {
        cut = cluster.find(",;\n", cut) + 3;
    }
    cut += 20;
    struct Case {
        std::string path, err;
    } cases[] = {
        {s.file("empty", ""),
         "ulvar: %: does not load: Failed to get any tuple to deserialize\n"
         "ulvar: %: the file is empty\n"},
        {s.dir, "ulvar: %: is a directory, not a database file\n"},
        {s.file("binary", std::string(kBinary, sizeof kBinary - 1)),
         "ulvar: %: does not load: not a database file: its first record has no "
         "\"SrmResourceDbVersion\"\n"
         "ulvar: %: the file holds binary data, not record text\n"},
        {s.file("cut", cluster.substr(0, cut)),
         "ulvar: %: does not load: Failed to deserialize required number of resources\n"
         "ulvar: %: reading stopped after record 9; the file ends inside record 10\n"},
        {s.dir + "/missing", "ulvar: %: cannot open: No such file or directory\n"},
        {s.file("batch", Slurp(kSource + "/examples/host/disk.txt")),
         "ulvar: %: does not load: not a database file: its first record has no "
         "\"SrmResourceDbVersion\"\n"
         "ulvar: %: its first record is a \"Disk\" record, not the database header\n"},
    };
    for (const Case &c : cases) {
        for (const char *command : {"check", "show", "report", "graph"}) {
            Outcome run = Tool({command, c.path});
            std::string err = c.err;
            for (std::size_t at = err.find('%'); at != std::string::npos; at = err.find('%')) {
                err.replace(at, 1, c.path);
            }
            EXPECT_EQ(2, run.status) << command << " " << c.path;
            EXPECT_EQ(err, run.err) << command << " " << c.path;
        }
    }
    // Root reads any file: the program runs as nobody for this one.
    struct passwd *nobody = getpwnam("nobody");
    if (geteuid() == 0 && nobody != nullptr) {
        std::string locked = s.file("locked", cluster, 0);
        Outcome run = Tool({"check", locked}, nobody->pw_uid);
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("ulvar: " + locked + ": cannot open: Permission denied\n", run.err);
    }
}

// Data a load loses without a word, and a reference that dangles in a file
// without a computer (so the check files no error record for it).
TEST(UlvarTool, CheckNamesLostRecordsAndDanglingReferences) {
    Scratch s;
    std::string damaged =
        s.file("damaged.srdb",
               "\"SrmResourceDbVersion=1.0\",\"ResourceCount=3\",\"ClusterAlias=\",\"ClusterId=\","
               "\"ClusterName=\",\"ClusterVersion=\",\"MemberCount=0\",\"SGCount=0\",;\n"
               "\"Type=Disk\",\"Id=d1\",\"Sign=1\",;\n"
               "\"Type=Disk\",\"Id=d1\",\"Sign=2\",;\n"
               "\"Type=FileSystem\",\"Id=f1\",\"Volume=v9\",;\n"
               "\"Type=Disk\",\"Id=d2\",;\n");
    Outcome run = Tool({"check", damaged});
    EXPECT_EQ(1, run.status) << run.err;
    const std::string problems =
        "  integrity       3 problems\n"
        "    the file holds 1 record after those its header counts, which no loader reads\n"
        "    1 record of those the header counts not kept: a later record of the same kind and "
        "Id replaced it, or it lacks an Id\n"
        "    file system f1 is taken out of the report\n";
    ASSERT_GE(run.out.size(), problems.size());
    EXPECT_EQ(problems, run.out.substr(run.out.size() - problems.size()));
}

TEST(UlvarTool, EveryCommandHasHelpAndAWrongCommandLineExits64) {
    for (const char *command :
         {"check", "show", "report", "graph", "ingest", "merge", "scan", "sql", "export"}) {
        Outcome help = Tool({command, "--help"});
        EXPECT_EQ(0, help.status) << command;
        EXPECT_NE(std::string::npos, help.out.find("Exit status:")) << command;
        EXPECT_EQ(64, Tool({command, "--no-such-option"}).status) << command;
    }
    EXPECT_EQ(64, Tool({}).status);
    EXPECT_EQ(64, Tool({"scan"}).status) << "scan writes batches, a database or both";
    EXPECT_EQ(64, Tool({"show", kHost, "--kind", "tape"}).status);
    EXPECT_EQ(1, Tool({"show", kHost, "--id", "no-such-id"}).status);
}

std::string TextOf(const json &value) {
    return value.is_number() ? std::to_string(value.get<long long>()) : value.get<std::string>();
}

// Every key of every record the loaded database writes has the same value in
// the JSON, which also carries every key of the kind's record layout and every
// nested member in its lists.
void ExpectJsonIsTheDatabase(const char *file) {
    Outcome run = Tool({"show", "--json", file});
    ASSERT_EQ(0, run.status) << run.err;
    json shown = json::parse(run.out);
    SrmResourceDatabase db;
    ScopedFd fd(open((kSource + "/" + file).c_str(), O_RDONLY));
    ASSERT_EQ(1, db.deserialize(fd.get(), nullptr));

    std::map<std::string, json> byKey;  // "Type/Id"
    for (const char *list : {"resources", "serviceGroups"}) {
        for (const json &r : shown[list]) {
            byKey[TextOf(r["Type"]) + "/" + TextOf(r["Id"])] = r;
        }
    }
    std::size_t resources = 0, errors = 0;
    for (const FileRecord &record : RecordsOf(&db)) {
        const std::string type = record.fields.at("Type");
        json object;
        if (type == "Error") {
            ASSERT_LT(errors, shown["errors"].size());
            object = shown["errors"][errors++];
        } else {
            resources += type != "ServiceGroup";
            ASSERT_EQ(1u, byKey.count(type + "/" + record.fields.at("Id"))) << type;
            object = byKey[type + "/" + record.fields.at("Id")];
            const SrmRecordLayout *layout = SrmRecordLayoutOf(SrmUlvarGetStringId(type));
            for (std::size_t i = 0; layout != nullptr && i < layout->fullKeyCount; ++i) {
                EXPECT_TRUE(object.contains(SrmRecordKeyText(layout->fullKeys[i])))
                    << type << " lacks " << SrmRecordKeyText(layout->fullKeys[i]);
            }
        }
        for (const auto &field : record.fields) {
            ASSERT_TRUE(object.contains(field.first)) << type << " " << field.first;
            EXPECT_EQ(field.second, TextOf(object[field.first])) << type << " " << field.first;
        }
        std::map<std::string, json> lists;
        for (const auto &member : record.members) {
            std::string list =
                type == "Volume"        ? (member.first == "Volume" ? "SubVolumes" : "DiskChunks")
                : type == "VolumeGroup" ? (member.first == "Disk" ? "Disks" : "Volumes")
                : member.first == "ServiceGroup" ? "ServiceGroups"
                                                 : member.first;
            lists[list].push_back(member.second);
        }
        for (auto &list : lists) {
            const json &held = type == "System" && list.first != "ServiceGroups"
                                   ? object["Resources"][list.first]
                               : type == "ServiceGroup" ? object["Members"][list.first]
                                                        : object[list.first];
            EXPECT_EQ(list.second, held) << type << " " << list.first;
        }
    }
    EXPECT_EQ(resources, shown["resources"].size());
    EXPECT_EQ(errors, shown["errors"].size());
}

TEST(UlvarTool, JsonHoldsEveryFieldOfTheLoadedDatabase) {
    ExpectJsonIsTheDatabase(kHost);
    ExpectJsonIsTheDatabase(kCluster);
}

TEST(UlvarTool, GraphIsAcceptedByDot) {
    if (system("command -v dot >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "Graphviz dot is not installed (scripts/deps installs it)";
    }
    Scratch s;
    for (const char *file : {kHost, kCluster}) {
        Outcome run = Tool({"graph", file});
        ASSERT_EQ(0, run.status) << run.err;
        std::string dotFile = s.file("stack.dot", run.out);
        std::string command = "dot -Tsvg '" + dotFile + "' -o '" + s.dir + "/stack.svg' 2>&1";
        std::unique_ptr<FILE, int (*)(FILE *)> dot(popen(command.c_str(), "r"), pclose);
        char said[256] = "";
        std::string complaints;
        while (fgets(said, sizeof said, dot.get()) != nullptr) {
            complaints += said;
        }
        EXPECT_EQ(0, pclose(dot.release())) << file;
        EXPECT_EQ("", complaints) << file;
    }
}

// The report is written instance by instance; it must be, byte for byte, the
// whole response checked in beside the sample.
TEST(UlvarTool, ClusterReportIsTheCheckedInResponse) {
    Outcome run = Tool({"report", "--cluster", kCluster});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ(ulvar::testing::withThisHost(Slurp(kSource + "/examples/cluster/cluster.report.xml")),
              run.out);
}

TEST(UlvarTool, IngestOfTheSampleHostIsTheDemosDatabase) {
    Outcome run = Tool({"ingest", "examples/host", "-o", "-"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(Slurp(kSource + "/" + kHost), run.out);
    EXPECT_NE(std::string::npos, run.err.find("alias.txt: The operation succeeded."));
}

TEST(UlvarTool, IngestNamesEveryDroppedRecordAndStillWrites) {
    Scratch s;
    s.file("computer.txt", "\"Type=System\",\"Id=h\",\"HostName=h\",;\n");
    s.file("disk.txt",
           "\"Type=Disk\",\"Id=d1\",\"Name=a\",\"Sign=1\",;\n"
           "\"Type=Disk\",\"Name=nameless\",;\n"
           "\"Type=Disk\",\"Id=d1\",\"Model=m\",;\n"
           "\"Type=Disk\",\"Id=d2\",\"Name=b");
    s.file("volume.txt",
           "\"Type=Volume\",\"Id=v1\",\"DiskChunkCount=1\",;\n\"Type=DiskChunk\",\"Id=c9\",;\n");
    Outcome run = Tool({"ingest", s.dir, "-o", s.dir + "/out.srdb"});
    EXPECT_EQ(1, run.status) << run.err;
    EXPECT_EQ(
        "computer.txt: The operation succeeded. 1 read, 1 added, 0 merged, 0 skipped\n"
        "disk.txt: The operation succeeded. 3 read, 1 added, 1 merged, 1 skipped\n"
        "  record 2 skipped: it has no Id\n"
        "  record 4: the text ends inside it; it and the rest are lost\n"
        "volume.txt: The operation succeeded. 1 read, 0 added, 0 merged, 1 skipped\n"
        "  record 1-2 (Id \"v1\") skipped: its member records do not all name resources the "
        "database holds\n"
        "resolved: 0 state copies\n",
        run.out);
    EXPECT_EQ(0, Tool({"check", s.dir + "/out.srdb"}).status);
    EXPECT_EQ(2, Tool({"ingest", s.dir + "/out.srdb", "-o", s.dir + "/x"}).status);
    EXPECT_EQ(2, Tool({"ingest", s.dir, "-o", s.dir + "/no/such/folder/x"}).status);
}

// A database that stops going out part-way (here a pipe nobody empties) is
// reported with the record that could not be written and why.
TEST(UlvarTool, IngestNamesTheRecordItCouldNotWrite) {
    Scratch s;
    std::vector<std::string> ids;
    std::string disks;
    for (int i = 0; i < 100; ++i) {
        ids.push_back("disk-" + std::to_string(i));
        disks += "\"Type=Disk\",\"Id=" + ids.back() + "\",\"Name=sd\",\"Sign=1\",;\n";
    }
    std::sort(ids.begin(), ids.end());  // the file's order
    s.file("disk.txt", disks);
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    ScopedFd readEnd(fds[0]), writeEnd(fds[1]);
    ASSERT_EQ(0, fcntl(fds[1], F_SETFL, O_NONBLOCK));
    fcntl(fds[1], F_SETPIPE_SZ, 4096);

    Outcome run = Tool({"ingest", s.dir, "-o", "-"}, 0, fds[1]);
    EXPECT_EQ(2, run.status);
    ASSERT_EQ(0, fcntl(fds[0], F_SETFL, O_NONBLOCK));
    std::string got;
    char chunk[4096];
    ssize_t n;
    while ((n = read(fds[0], chunk, sizeof chunk)) > 0) {
        got.append(chunk, static_cast<std::size_t>(n));
    }
    const auto written = static_cast<std::size_t>(std::count(got.begin(), got.end(), '\n'));
    ASSERT_GE(written, 1u);
    ASSERT_LE(written, ids.size());
    EXPECT_NE(
        std::string::npos,
        run.err.find("ulvar: -: cannot write the database: Failed to serialize the "
                     "database: Disk \"" +
                     ids[written - 1] + "\" not written whole: Resource temporarily unavailable\n"))
        << run.err;
}

TEST(UlvarTool, MergeKeepsBothInventoriesAndTheOtherScansErrors) {
    Scratch s;
    std::string other =
        s.file("other.srdb",
               "\"SrmResourceDbVersion=1.0\",\"ResourceCount=3\",\"ClusterAlias=\",\"ClusterId=\","
               "\"ClusterName=\",\"ClusterVersion=\",\"MemberCount=0\",\"SGCount=0\",;\n"
               "\"Type=Disk\",\"Id=disk-lun-0001\",\"Model=replaced\",;\n"
               "\"Type=Disk\",\"Id=disk-extra\",\"Name=sdz\",\"Sign=7\",;\n"
               "\"Type=Error\",\"Id=other-host\",\"ErrorDesc=Failed to collect disk information\","
               "\"Ecode=22\",\"Sev=2\",;\n");
    std::string merged = s.dir + "/merged.srdb";
    Outcome run = Tool({"merge", kCluster, other, "-o", merged});
    ASSERT_EQ(0, run.status) << run.err;
    SrmResourceDatabase db;
    ScopedFd fd(open(merged.c_str(), O_RDONLY));
    ASSERT_EQ(1, db.deserialize(fd.get(), nullptr));
    EXPECT_EQ(19 + 1, db.getResourceCount());
    EXPECT_EQ(1, db.getErrorList()->getErrorCount("other-host"));
    EXPECT_EQ("VornCluster", db.getClusterName()) << "the header of the first stays";
    EXPECT_EQ(2, Tool({"merge", kCluster, "examples", "-o", merged}).status);
}

// The scan of a recorded host writes the collector's batches, and its database
// loads and checks clean.
TEST(UlvarTool, ScanOfARecordedHostWritesItsBatchesAndDatabase) {
    Scratch s;
    const std::string recorded = "collector/testdata/server/";
    Outcome run = Tool({"scan", "--root", recorded + "root", "-o", s.dir + "/batches", "--database",
                        s.dir + "/host.srdb"});
    ASSERT_EQ(0, run.status) << run.err;
    for (const char *batch : {"computer.txt", "disk.txt", "volume.txt", "share.txt"}) {
        EXPECT_EQ(Slurp(kSource + "/" + recorded + "expected/" + batch),
                  Slurp(s.dir + "/batches/" + batch))
            << batch;
    }
    EXPECT_NE(std::string::npos, run.out.find("resolved: "));
    EXPECT_EQ(0, Tool({"check", s.dir + "/host.srdb"}).status);
}

}  // namespace
