// ulvar sql as a user meets it: loading into a database file again, input it
// refuses whole, statements that are not SQL, and the output formats.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tools/testing/FleetTesting.h"
#include "tools/testing/ToolTesting.h"

namespace {

using namespace ulvar_tool::testing;

bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A copy of the sample host whose operating system text is `os`.
std::string HostWithOs(Scratch &s, const std::string &os) {
    std::string text = Slurp(kSource + "/" + kHost);
    const std::string was = "\"OSInfo=6.1.0-18-amd64\"";
    text.replace(text.find(was), was.size(), "\"OSInfo=" + os + "\"");
    return s.file("host-" + os + ".srdb", text);
}

TEST(UlvarSql, SchemaIsTheGoldenText) {
    ExpectGolden("sql-schema", {"sql", "--schema"});
}

TEST(UlvarSql, LoadingAgainKeepsAnUnchangedScanAndReplacesAChangedOne) {
    Scratch s;
    const std::string db = s.dir + "/fleet.sqlite";
    const std::string rows =
        "SELECT (SELECT count(*) FROM resource), (SELECT count(*) FROM "
        "stack_edge), (SELECT count(*) FROM scan)";
    ASSERT_EQ(0, Tool({"sql", "--db", db, kHost}).status);
    Rows once = SqliteRows(db, rows);
    // A mark the next load of the same bytes leaves, and a changed file removes.
    ASSERT_EQ(0, Tool({"sql", "--db", db, "UPDATE computer SET os = 'marked'"}).status);
    ASSERT_EQ(0, Tool({"sql", "--db", db, kHost}).status);
    EXPECT_EQ(Rows({{"marked"}}), SqliteRows(db, "SELECT os FROM computer"));

    Outcome run = Tool({"sql", "--db", db, HostWithOs(s, "6.1.0-21-amd64"),
                        "SELECT scan_id, source_key, os_info FROM scan JOIN computer USING "
                        "(scan_id)"},
                       0);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "scan_id  source_key                os_info\n"
        "-------  ------------------------  --------------\n"
        "      1  host:kestrel.example.net  6.1.0-21-amd64\n"
        "(1 row)\n",
        run.out);
    EXPECT_EQ(once, SqliteRows(db, rows));

    ASSERT_EQ(0, Tool({"sql", "--db", db, "--source", "kestrel-before", kHost}).status);
    EXPECT_EQ(Rows({{"1", "host:kestrel.example.net"}, {"2", "kestrel-before"}}),
              SqliteRows(db, "SELECT scan_id, source_key FROM scan ORDER BY scan_id"));
    // The same scan twice in one run: the later file replaces the earlier.
    run = Tool({"sql", kHost, HostWithOs(s, "6.2"), "SELECT count(*) AS scans FROM scan"});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.err.find("the same scan (host:kestrel.example.net)"))
        << run.err;
    EXPECT_EQ("scans\n-----\n    1\n(1 row)\n", run.out);
}

TEST(UlvarSql, AFileThatDoesNotLoadOrARefusedRowKeepsNothing) {
    Scratch s;
    const std::string broken = s.file("broken.srdb", "\"SrmResourceDbVersion=1.0\",\"Resource");
    const std::string fresh = s.dir + "/fresh.sqlite";
    Outcome run = Tool({"sql", "--db", fresh, kHost, broken});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.err.find("ulvar: " + broken + ": does not load")) << run.err;
    EXPECT_FALSE(Exists(fresh)) << "a database made for a load that failed stays";

    const std::string db = s.dir + "/fleet.sqlite";
    ASSERT_EQ(0, Tool({"sql", "--db", db, kHost}).status);
    const std::string everything =
        "SELECT (SELECT count(*) FROM scan), (SELECT count(*) FROM "
        "resource), (SELECT count(*) FROM computer_member)";
    Rows before = SqliteRows(db, everything);
    EXPECT_EQ(2, Tool({"sql", "--db", db, kCluster, broken}).status);
    EXPECT_EQ(before, SqliteRows(db, everything));

    // A row the database refuses halfway through the second file.
    ASSERT_EQ(0, Tool({"sql", "--db", db,
                       "CREATE TRIGGER refuse BEFORE INSERT ON share WHEN NEW.scan_id = 2 BEGIN "
                       "SELECT RAISE(ABORT, 'shares refused'); END"})
                     .status);
    run = Tool({"sql", "--db", db, kOsprey, kCluster});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("ulvar: " + db + ": " + kOsprey + ": shares refused\n", run.err);
    EXPECT_EQ(before, SqliteRows(db, everything));

    EXPECT_EQ(2, Tool({"sql", "--db", broken, "SELECT 1 AS one"}).status);
    EXPECT_EQ(64, Tool({"sql", "--source", "a", "--source", "b", kHost}).status);
}

TEST(UlvarSql, StatementsThatAreNotSqlOrFailSayWhy) {
    Outcome run = Tool({"sql", kHost, "SELEKT * FROM disk"});
    EXPECT_EQ(64, run.status);
    EXPECT_EQ("ulvar: query: near \"SELEKT\": syntax error\n", run.err);
    run = Tool({"sql", kHost, "SELECT * FROM tape"});
    EXPECT_EQ(64, run.status);
    EXPECT_EQ("ulvar: query: no such table: tape\n", run.err);
    run = Tool({"sql", kHost, "SELECT abs(-9223372036854775807 - 1)"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("ulvar: query: integer overflow\n", run.err);
    // From standard input every statement runs; a wrong one is named by its line.
    run = Tool({"sql", "--csv", kHost}, 0, -1,
               "SELECT count(*) AS disks FROM disk;\n\nSELEKT;\nSELECT 2 AS two;\nSELECT 3");
    EXPECT_EQ(64, run.status);
    EXPECT_EQ("ulvar: standard input, line 3: near \"SELEKT\": syntax error\n", run.err);
    EXPECT_EQ("disks\n3\n\ntwo\n2\n\n3\n3\n", run.out);
}

// Text is kept byte for byte where it is UTF-8 and gets U+FFFD for a byte
// that is not; a file without a computer is keyed by its path; error records
// have their rows.
TEST(UlvarSql, JsonAndCsvKeepEveryValue) {
    Scratch s;
    const std::string odd = s.file(
        "odd.srdb",
        "\"SrmResourceDbVersion=1.0\",\"ResourceCount=3\",\"ClusterAlias=\",\"ClusterId=\","
        "\"ClusterName=\",\"ClusterVersion=\",\"MemberCount=0\",\"SGCount=0\",;\n"
        "\"Type=Disk\",\"Id=d1\",\"Name=caf\xe9\",\"Sign=7\",;\n"
        "\"Type=Share\",\"Id=s1\",\"ShareDesc=tab\there, \\\"quoted\\\"\",\"VolumeId=v9\",;\n"
        "\"Type=Error\",\"Id=Host1\",\"ErrorDesc=disk d1 has no signature\",\"Ecode=22\","
        "\"Sev=2\",;\n");
    const std::string query =
        "SELECT d.name, s.description, s.share_user, e.id, e.seq, e.code, x.source_key "
        "FROM disk d, share s, scan_error e, scan x";
    Outcome run = Tool({"sql", "--json", odd, query});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "[\n{\"name\":\"caf\xEF\xBF\xBD\",\"description\":\"tab\\u0009here, "
        "\\\\\\\"quoted\\\\\\\"\",\"share_user\":null,\"id\":\"host1\",\"seq\":1,"
        "\"code\":22,\"source_key\":\"file:" +
            odd + "\"}\n]\n",
        run.out);
    run = Tool({"sql", "--csv", kHost,
                "SELECT id, description, share_flags, share_user FROM share WHERE id = "
                "'nfs-projects'; SELECT 1 AS one WHERE 0"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "id,description,share_flags,share_user\n"
        "nfs-projects,\"Projekte der Entwicklung, f\xC3\xBCr alle Teams freigegeben\",3,\n"
        "\none\n",
        run.out);
}

}  // namespace
