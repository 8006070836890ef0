#include "tools/fleet/SqliteFleet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/fleet/FleetSchema.h"
#include "tools/fleet/QueryOutput.h"

namespace ulvar_fleet {
namespace {

// Every cell of every result as text, NULL as "-".
class Collect : public ResultPrinter {
  public:
    void begin(const std::vector<std::string> &) override {}
    void row(const std::vector<Cell> &cells) override {
        for (const Cell &c : cells) {
            text += c.kind == Cell::Null      ? "-"
                    : c.kind == Cell::Integer ? std::to_string(c.integer)
                                              : c.text;
            text += ' ';
        }
        text += '\n';
    }
    void end() override {}
    std::string text;
};

std::string Ask(SqliteFleet &fleet, const std::string &sql) {
    Collect out;
    EXPECT_EQ(SqliteFleet::kRan, fleet.run(sql, out)) << fleet.error();
    return out.text;
}

// Row `i` of service_group: an id whose length varies with `i`, and a child,
// but none every seventh row.
std::vector<SqlValue> Row(int64_t i, std::string &id, std::string &child) {
    id = "g" + std::string(static_cast<std::size_t>(i % 50), 'x') + std::to_string(i);
    child = "c" + std::to_string(i);
    return {SqlValue::of(int64_t{1}), SqlValue::of(id),
            i % 7 == 0 ? SqlValue::null() : SqlValue::of(child)};
}

std::string Expected(int64_t rows) {
    std::string text;
    std::string id, child;
    for (int64_t i = 0; i < rows; ++i) {
        Row(i, id, child);
        text += "1 " + id + " " + (i % 7 == 0 ? "-" : child) + " \n";
    }
    return text;
}

// Rows are stored whole and in order whichever way they are grouped on
// their way in, and one the engine refuses undoes the whole transaction.
TEST(SqliteFleet, RowsArriveWholeAndARefusedOneUndoesTheLoad) {
    std::string why;
    std::unique_ptr<SqliteFleet> fleet = SqliteFleet::open(":memory:", why);
    ASSERT_TRUE(fleet) << why;
    const SqlTable &table = fleetTable("service_group");
    for (int64_t rows : {0, 1, 31, 32, 33, 64, 100, 1000}) {
        ASSERT_TRUE(fleet->begin() && fleet->ensureSchema()) << fleet->error();
        RowSink &sink = fleet->sink();
        ASSERT_TRUE(sink.beginTable(table)) << sink.error();
        std::string id, child;
        for (int64_t i = 0; i < rows; ++i) {
            ASSERT_TRUE(sink.row(Row(i, id, child).data())) << sink.error();
        }
        ASSERT_TRUE(sink.endTable() && fleet->commit()) << fleet->error();
        EXPECT_EQ(Expected(rows), Ask(*fleet, "SELECT * FROM service_group ORDER BY rowid"))
            << rows << " rows";
        EXPECT_TRUE(fleet->deleteScan(1));
    }

    // The same key twice, the second time in the second of many chunks of rows
    // on their way in.
    ASSERT_TRUE(fleet->begin()) << fleet->error();
    RowSink &sink = fleet->sink();
    ASSERT_TRUE(sink.beginTable(table));
    std::string id, child;
    bool ok = true;
    for (int64_t i = 0; ok && i < 5000; ++i) {
        ok = sink.row(Row(i == 600 ? 3 : i, id, child).data());
    }
    ok = ok && sink.endTable();
    EXPECT_FALSE(ok);
    EXPECT_EQ("UNIQUE constraint failed: service_group.scan_id, service_group.id", sink.error());
    fleet->rollback();
    EXPECT_EQ("0 \n", Ask(*fleet, "SELECT count(*) FROM service_group"));
}

}  // namespace
}  // namespace ulvar_fleet
