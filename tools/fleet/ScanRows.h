// The rows of one loaded database as one scan of the fleet: its scan row, a
// row per resource in its kind's table, a row per list entry, the storage
// stack's edges, its service groups and error records.
#ifndef TOOLS_FLEET_SCANROWS_H
#define TOOLS_FLEET_SCANROWS_H

#include <cstdint>
#include <string>

#include "tools/fleet/SqlTable.h"

class SrmResourceDatabase;

namespace ulvar_fleet {

// What the scan row says besides the database's own header values.
struct ScanInfo {
    int64_t scanId = 0;
    std::string sourceKey;   // "host:<computer Id>", "cluster:<ClusterId>/<ClusterName>" or given
    std::string kind;        // "host" or "cluster"
    std::string computerId;  // of a host scan: the computer it is
    std::string file;
    std::string sha256;    // of the file's bytes, 64 lower-case hex digits
    std::string loadedAt;  // UTC, "YYYY-MM-DDTHH:MM:SSZ"
    std::string dbVersion;
};

// Fills the kind, computer and source key of `info` from `db`: a database whose
// header names a cluster is a cluster scan, keyed by the cluster's id and
// name; any other is the scan of the computer it was taken on (the database's
// this-computer, else its first computer), keyed by that computer's Id; a
// database without a computer is keyed by "file:" and its file.
void describeScan(SrmResourceDatabase *db, ScanInfo &info);

// Writes every row of `db` (not owned, unchanged) as the scan `scan` into
// `sink`, table by table in the schema's order. False as soon as the sink
// refuses (sink.error() says why). `rows` (may be null) receives the number
// of rows written.
bool writeScanRows(SrmResourceDatabase *db, const ScanInfo &scan, RowSink &sink, long *rows);

// The current time as ScanInfo::loadedAt wants it.
std::string utcNow();

}  // namespace ulvar_fleet

#endif
