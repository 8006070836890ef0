// The NFS exports of the host, from /etc/exports and /etc/exports.d/*.exports
// in the syntax of exports(5): an export path (quoted when it holds blanks,
// octal escapes such as \040 allowed), then clients with their options;
// "#" starts a comment and "\" at a line end continues the line.
#ifndef COLLECTOR_NFS_EXPORTS_H
#define COLLECTOR_NFS_EXPORTS_H

#include <string>
#include <vector>

#include "collector/HostRoot.h"
#include "collector/HostScan.h"

namespace collector {

struct NfsExport {
    std::string path;     // the exported folder
    std::string clients;  // its clients and options, blanks folded: "192.0.2.0/24(rw) *(ro)"
};

// The exports of one file's text, in file order; an entry whose path is not
// absolute is skipped with a warning naming `file` and the line.
std::vector<NfsExport> nfsParseExports(const std::string &text, const std::string &file,
                                       const ScanWarnings &warn);

// The exports of /etc/exports, then of /etc/exports.d/*.exports in name order,
// below `root`. A path exported twice is one export whose clients are joined.
std::vector<NfsExport> nfsReadExports(const HostRoot &root, const ScanWarnings &warn);

}  // namespace collector

#endif
