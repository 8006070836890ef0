// ulvar export into a real PostgreSQL server that each test starts in a
// temporary folder and stops: the same rows as SQLite gets, the same answers
// to the documented questions, the same rows after a second export, and
// nothing half-written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/fleet/FleetSchema.h"
#include "tools/testing/FleetTesting.h"
#include "tools/testing/PostgresServer.h"
#include "tools/testing/ToolTesting.h"

namespace {

using namespace ulvar_tool::testing;

class UlvarExport : public ::testing::Test {
  protected:
    void SetUp() override {
        if (PostgresServer::findInitdb().empty()) {
            GTEST_SKIP() << "no initdb: Debian's package postgresql installs it";
        }
        std::string why;
        ASSERT_TRUE(server.start(why)) << why;
    }

    Outcome Export(std::vector<std::string> files) {
        files.insert(files.begin(), {"export", "--postgres", server.conninfo()});
        return Tool(files);
    }

    // Every row of every table.
    std::vector<Rows> Contents() {
        std::vector<Rows> all;
        for (const ulvar_fleet::SqlTable &t : ulvar_fleet::fleetTables()) {
            all.push_back(PostgresRows(server.conninfo(), TableContents(t.name)));
        }
        return all;
    }

    PostgresServer server;
};

TEST_F(UlvarExport, TwiceLeavesTheRowsAndAnswersSqliteHas) {
    std::vector<std::string> samples = FleetSamples();
    Outcome run = Export(samples);
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ(
        "examples/host.expected: host:kestrel.example.net: exported as scan 1, 71 rows\n"
        "examples/cluster/cluster.srdb: cluster:4711/VornCluster: exported as scan 2, 93 "
        "rows\n"
        "examples/fleet/osprey.srdb: host:osprey.example.net: exported as scan 3, 43 rows\n",
        run.out);
    std::vector<Rows> first = Contents();

    run = Export(samples);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos,
              run.out.find("examples/fleet/osprey.srdb: host:osprey.example.net: unchanged since "
                           "its export as scan 3\n"))
        << run.out;
    EXPECT_EQ(first, Contents());

    // A changed file replaces its scan; the original again gives the first rows.
    Scratch s;
    std::string host = Slurp(kSource + "/" + kHost);
    host.replace(host.find("\"OS=Linux\""), 10, "\"OS=GNU/Linux\"");
    run = Export({s.file("host.srdb", host)});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("replaced scan 1, 71 rows")) << run.out;
    EXPECT_EQ(Rows({{"GNU/Linux"}}),
              PostgresRows(server.conninfo(), "SELECT os FROM computer WHERE scan_id = 1"));
    ASSERT_EQ(0, Export({kHost}).status);
    EXPECT_EQ(first, Contents());

    // The rows SQLite gets, and the answers it gives.
    const std::string sqlite = s.dir + "/fleet.sqlite";
    std::vector<std::string> args = {"sql", "--db", sqlite};
    args.insert(args.end(), samples.begin(), samples.end());
    ASSERT_EQ(0, Tool(args).status);
    std::size_t table = 0;
    for (const ulvar_fleet::SqlTable &t : ulvar_fleet::fleetTables()) {
        EXPECT_EQ(first[table++], SqliteRows(sqlite, TableContents(t.name))) << t.name;
    }
    for (const DocumentedQuery &q : DocumentedQueries()) {
        Rows answer = SqliteRows(sqlite, q.sql);
        EXPECT_FALSE(answer.empty()) << q.sql;
        EXPECT_EQ(answer, PostgresRows(server.conninfo(), q.sql)) << q.sql;
    }
}

TEST_F(UlvarExport, BadInputIsNamedAndNothingIsHalfWritten) {
    Outcome run = Tool({"export", "--postgres", "host=/nonexistent dbname=fleet", kHost});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.err.find("ulvar: PostgreSQL: cannot connect: ")) << run.err;

    Scratch s;
    const std::string broken = s.file("broken.srdb", "\"SrmResourceDbVersion=1.0\",\"Res");
    run = Export({broken, kOsprey});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ(0u, run.err.find("ulvar: " + broken + ": does not load")) << run.err;
    EXPECT_EQ("examples/fleet/osprey.srdb: host:osprey.example.net: exported as scan 1, 43 rows\n",
              run.out);

    // A row the server refuses in the middle of a scan's copy.
    Rows refuse = PostgresRows(
        server.conninfo(),
        "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
        "'shares refused'; END $$; CREATE TRIGGER refuse BEFORE INSERT ON share FOR EACH ROW "
        "EXECUTE FUNCTION refuse(); SELECT 1");
    ASSERT_EQ(Rows({{"1"}}), refuse);
    std::vector<Rows> before = Contents();
    std::string osprey = Slurp(kSource + "/" + kOsprey);
    osprey.replace(osprey.find("\"OS=Linux\""), 10, "\"OS=GNU/Linux\"");
    run = Export({s.file("osprey.srdb", osprey)});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("ulvar: PostgreSQL: " + s.dir + "/osprey.srdb: shares refused\n", run.err);
    EXPECT_EQ(before, Contents());
}

}  // namespace
