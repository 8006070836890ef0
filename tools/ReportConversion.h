// A loaded database converted into the CIM report as the CIM provider does
// (OMX_Report), with the status results the conversion recorded.
#ifndef TOOLS_REPORTCONVERSION_H
#define TOOLS_REPORTCONVERSION_H

#include <string>
#include <vector>

#include "wbemkit/cim.h"

class SrmResourceDatabase;

namespace ulvar_tool {

// One status result of the conversion, as the job object converts it.
struct StatusResult {
    std::string key;
    std::vector<std::string> args;
    std::vector<std::string> descriptions;
};

// Converts `db` as a host report, or a cluster report with `cluster`. The
// instance list, which the caller frees with cim_freeInstanceList, or null
// when the conversion failed or memory ran out (`failed` tells which).
// `results` receives the status results either way. Not thread-safe: the job
// registry it records results in takes no lock.
nmspc_cim::CCIMList *convertReport(SrmResourceDatabase *db, bool cluster,
                                   std::vector<StatusResult> &results, bool &failed);

// "KEY: argument (description); ..."
std::string describeResult(const StatusResult &result);

// Prints why the conversion of `file` failed, then every status result.
void explainFailure(const std::string &file, const std::vector<StatusResult> &results);

}  // namespace ulvar_tool

#endif
