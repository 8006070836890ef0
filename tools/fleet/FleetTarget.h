// A database engine that holds scans of the fleet, as the loading needs it:
// transactions, the schema, finding and removing a scan, and a sink for rows.
// Every operation returns false when the engine refused; error() then says
// why, in the engine's words.
#ifndef TOOLS_FLEET_FLEETTARGET_H
#define TOOLS_FLEET_FLEETTARGET_H

#include <cstdint>
#include <string>

#include "tools/fleet/SqlTable.h"

namespace ulvar_fleet {

class FleetTarget {
  public:
    virtual ~FleetTarget() = default;

    // A transaction that keeps other writers out until commit() or rollback().
    virtual bool begin() = 0;
    virtual bool commit() = 0;
    // Undoes the open transaction, if any; never fails as far as the caller is
    // concerned.
    virtual void rollback() = 0;

    // Creates every table, index and view when the scan table is missing.
    virtual bool ensureSchema() = 0;
    // The scan stored under `sourceKey`: `found` says whether there is one, and
    // then `scanId` and `sha256` are its.
    virtual bool findScan(const std::string &sourceKey, bool &found, int64_t &scanId,
                          std::string &sha256) = 0;
    // An id no stored scan has.
    virtual bool newScanId(int64_t &scanId) = 0;
    // Removes every row of the scan, its scan row included.
    virtual bool deleteScan(int64_t scanId) = 0;
    // Where the rows of a scan go; valid as long as the target.
    virtual RowSink &sink() = 0;

    virtual std::string error() const = 0;
};

}  // namespace ulvar_fleet

#endif
