// What the tests of `ulvar sql` and `ulvar export` share: the questions
// docs/fleet.md documents with their answers, and the rows of a query, asked
// here of SQLite or PostgreSQL, as text.
#ifndef TOOLS_TESTING_FLEETTESTING_H
#define TOOLS_TESTING_FLEETTESTING_H

#include <string>
#include <vector>

namespace ulvar_tool {
namespace testing {

// The samples, loaded in this order as scans 1, 2 and 3.
std::vector<std::string> FleetSamples();

struct DocumentedQuery {
    std::string sql;     // a ```sql block of docs/fleet.md
    std::string output;  // the block after it, with its last newline
};
std::vector<DocumentedQuery> DocumentedQueries();

// Rows of text; NULL reads "NULL".
using Rows = std::vector<std::vector<std::string>>;

// The rows of `sql` in the SQLite database file at `path`, or of PostgreSQL
// at `conninfo`. A failure fails the test and gives no rows.
Rows SqliteRows(const std::string &path, const std::string &sql);
Rows PostgresRows(const std::string &conninfo, const std::string &sql);

// Every row of `table` but the time it was loaded, in the order of all its
// columns.
std::string TableContents(const std::string &table);

}  // namespace testing
}  // namespace ulvar_tool

#endif
