#include "tools/fleet/KindColumns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "inventory/kinds/SrmResourceFields.h"
#include "inventory/record/SrmRecordKeys.h"

namespace ulvar_fleet {
namespace {

TEST(NormalizedWwid, TheSameLunReadsAlikeFromEveryHost) {
    const std::string lun = "600a0b80002a3f1c0000c7e15e8a1d01";
    for (const char *seen :
         {"600a0b80002a3f1c0000c7e15e8a1d01", "3600a0b80002a3f1c0000c7e15e8a1d01",
          "naa.600A0B80002A3F1C0000C7E15E8A1D01", "0x600a0b80002a3f1c0000c7e15e8a1d01",
          "wwn-0x600a0b80002a3f1c0000c7e15e8a1d01"}) {
        EXPECT_EQ(lun, normalizedWwid(seen)) << seen;
    }
    EXPECT_EQ("5000c500a1b2c301", normalizedWwid("35000c500a1b2c301"));
    // Only a multipath NAA identifier loses its leading 3.
    EXPECT_EQ("3000c500a1b2c301", normalizedWwid("3000c500a1b2c301"));
    EXPECT_EQ("3z00c500a1b2c3011", normalizedWwid("3z00c500a1b2c3011"));
    EXPECT_EQ("", normalizedWwid(""));
}

// Columns are named once per table, and a column only says which field it
// comes from once (a key may fill two columns).
TEST(KindTables, ColumnNamesAreUniqueAndNotTheCommonOnes) {
    std::set<std::string> tables;
    for (const KindTable &kind : kindTables()) {
        EXPECT_TRUE(tables.insert(kind.table).second) << kind.table;
        EXPECT_EQ(&kind, kindTableOf(kind.type));
        std::set<std::string> columns = {"scan_id",  kIdColumn, "pub_id",
                                         "local_id", "state",   kAttrsColumn};
        for (const KindColumn &c : kind.columns) {
            EXPECT_TRUE(columns.insert(c.column).second) << kind.table << "." << c.column;
        }
    }
    EXPECT_EQ(nullptr, kindTableOf(SRM_RES_NONE));
}

// A column's record key is a field of its kind's record, of the column's type:
// a key the kind does not have would leave the column empty for good.
TEST(KindTables, EveryColumnIsAFieldOfItsKind) {
    for (const KindTable &kind : kindTables()) {
        std::size_t count = 0;
        const SrmFieldInfo *fields = SrmKindFields(kind.type, &count);
        for (const KindColumn &c : kind.columns) {
            const SrmFieldInfo *field =
                std::find_if(fields, fields + count, [&c](const SrmFieldInfo &f) {
                    return std::strcmp(SrmRecordKeyText(f.key), c.recordKey) == 0;
                });
            ASSERT_NE(fields + count, field) << kind.table << "." << c.column;
            EXPECT_EQ(field->type == SRM_FIELD_TEXT, c.type == SqlType::Text)
                << kind.table << "." << c.column;
        }
    }
}

}  // namespace
}  // namespace ulvar_fleet
