// The table of each resource kind: which record keys have a column of their
// own, under which name, and how the value is turned into it. Every other
// field of the record goes into the row's "attrs" JSON text under its record
// key, so that no field is lost and a field added to a kind shows up there
// without a change here.
#ifndef TOOLS_FLEET_KINDCOLUMNS_H
#define TOOLS_FLEET_KINDCOLUMNS_H

#include <string>
#include <vector>

#include "inventory/model/SrmResource.h"
#include "tools/fleet/SqlTable.h"

namespace ulvar_fleet {

// How a field's value becomes a column's.
enum class Conversion {
    Same,      // the value as it is
    KibBytes,  // kilobytes to bytes
    MibBytes,  // megabytes to bytes
    Wwid,      // a disk's identity value, made comparable across hosts (normalizedWwid)
};

struct KindColumn {
    const char *recordKey;  // e.g. "CapacityKB"
    const char *column;     // e.g. "capacity_bytes"
    SqlType type;
    Conversion conversion;
};

struct KindTable {
    SrmResourceType type;
    const char *table;  // also the word the link tables and views use for the kind
    std::vector<KindColumn> columns;
};

// Every resource kind, in the order of the schema.
const std::vector<KindTable> &kindTables();
// The table of `type`; null for a type that is no kind.
const KindTable *kindTableOf(SrmResourceType type);

// The columns every kind table starts with, after scan_id: the resource's
// identities and its state word; "attrs" ends every kind table.
extern const char *const kIdColumn;
extern const char *const kAttrsColumn;

// The record keys that are not fields of their own: the ones every kind table
// starts with and the member counts, which the link tables hold instead.
const std::vector<std::string> &commonAndCountKeys();

// A disk's identity value as the same LUN shows it on every host: lower case,
// without "naa.", "wwn-0x" or "0x" in front, and without the "3" multipath
// puts before a 16- or 32-digit NAA identifier. Empty stays empty.
std::string normalizedWwid(const std::string &idValue);

}  // namespace ulvar_fleet

#endif
