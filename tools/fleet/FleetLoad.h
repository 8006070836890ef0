// Storing a database file as one scan of the fleet, the same way in every
// engine: a scan already stored under the same source key is replaced, or
// left as it is when the file's bytes are the same.
#ifndef TOOLS_FLEET_FLEETLOAD_H
#define TOOLS_FLEET_FLEETLOAD_H

#include <memory>
#include <string>
#include <vector>

#include "tools/DatabaseFile.h"
#include "tools/fleet/ScanRows.h"

namespace ulvar_fleet {

class FleetTarget;

// A database file to store, and the source key that replaces the one its
// content gives (empty: none).
struct ScanSource {
    std::string path;
    std::string sourceKey;
};

// The files with the keys given for them in turn (fewer keys: the rest get
// none).
std::vector<ScanSource> scanSources(const std::vector<std::string> &paths,
                                    const std::vector<std::string> &sourceKeys);

// A database file loaded, digested and described as a scan.
struct ScanFile {
    ScanInfo info;  // all but the scan id, which storing gives
    std::unique_ptr<ulvar_tool::DatabaseFile> file;
};

// Reads, digests and loads `source` into `scan`. False after complaining,
// naming the file.
bool readScan(const ScanSource &source, ScanFile &scan);

enum class ScanOutcome { Added, Replaced, Unchanged };

struct StoredScan {
    ScanOutcome outcome = ScanOutcome::Added;
    long rows = 0;
};

// Stores `scan` in `target`, whose transaction must be open, and gives it
// its scan id. False after complaining (naming the target as `targetName`);
// what it wrote then stays in the open transaction, for the caller to roll
// back.
bool storeScan(FleetTarget &target, const std::string &targetName, ScanFile &scan,
               StoredScan &stored);

}  // namespace ulvar_fleet

#endif
