// The vocabulary the fleet tables are written in: a table as its columns, a
// value of one column, and the sink that rows go into, whichever engine is
// behind it.
#ifndef TOOLS_FLEET_SQLTABLE_H
#define TOOLS_FLEET_SQLTABLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ulvar_fleet {

// Column types, named as both SQLite and PostgreSQL take them. INTEGER holds
// the 32-bit numbers of a record, BIGINT sizes in bytes and state words.
enum class SqlType { Integer, BigInt, Text };

const char *sqlTypeName(SqlType type);

struct SqlColumn {
    std::string name;
    SqlType type;
    bool notNull = false;  // key columns are never NULL either
};

struct SqlIndex {
    std::vector<std::string> columns;
    bool unique = false;
};

struct SqlTable {
    std::string name;
    std::vector<SqlColumn> columns;
    // The first `keyColumns` columns are the primary key.
    std::size_t keyColumns = 2;
    std::vector<SqlIndex> indexes;
};

// One value of a row. Text points at bytes owned by whoever made the row; it
// stays valid until the sink's row() returns. Text is valid UTF-8 without NUL.
struct SqlValue {
    enum Kind : unsigned char { Null, Integer, Text };
    Kind kind = Null;
    int64_t integer = 0;
    const char *text = nullptr;
    std::size_t length = 0;

    static SqlValue null() { return SqlValue(); }
    static SqlValue of(int64_t n) {
        SqlValue v;
        v.kind = Integer;
        v.integer = n;
        return v;
    }
    // An empty text is NULL: the record leaves an empty text out.
    static SqlValue of(const std::string &s) { return of(s.data(), s.size()); }
    static SqlValue of(const char *s, std::size_t n) {
        SqlValue v;
        if (n > 0) {
            v.kind = Text;
            v.text = s;
            v.length = n;
        }
        return v;
    }
};

// Where rows go: a table, then its rows, then the next table. Each call
// returns false when the engine refused; error() then says why, and the
// caller stops and rolls back.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Rows of `table` follow. The table must outlive the sink's use of it.
    virtual bool beginTable(const SqlTable &table) = 0;
    // One row: exactly one value per column of the current table.
    virtual bool row(const SqlValue *values) = 0;
    // The rows of the current table are complete.
    virtual bool endTable() = 0;
    virtual std::string error() const = 0;
};

}  // namespace ulvar_fleet

#endif
