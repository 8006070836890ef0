// The relational schema of a fleet of scans: one row per scan, one table per
// resource kind, a table for every list a resource holds, the storage stack as
// edges, service groups and error records; and the views over them. Every row
// is keyed by its scan and the id of what it describes. The same SQL text
// creates it on SQLite and on PostgreSQL.
#ifndef TOOLS_FLEET_FLEETSCHEMA_H
#define TOOLS_FLEET_FLEETSCHEMA_H

#include <string>
#include <vector>

#include "tools/fleet/SqlTable.h"

namespace ulvar_fleet {

// Every table, in the order they are created and their rows are written:
// "scan" first.
const std::vector<SqlTable> &fleetTables();
// The table named `name`, which must be one of fleetTables().
const SqlTable &fleetTable(const std::string &name);

// The statements that create every table, index and view, each ended by ";"
// and a newline.
const std::string &fleetSchemaText();

// The table whose existence says that the schema is there.
extern const char *const kScanTable;

}  // namespace ulvar_fleet

#endif
