// The sample databases converted into the report and indexed, as `ulvar
// serve` does, for the server's tests.
#ifndef SERVER_TESTING_SAMPLEREPORTS_H
#define SERVER_TESTING_SAMPLEREPORTS_H

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/report/OMX_Report.h"
#include "server/ReportIndex.h"
#include "tessel/Tessel.h"
#include "wbemkit/cim.h"

namespace ulvar_server {
namespace testing {

inline std::string examplePath(const std::string &name) {
    return std::string(ULVAR_SOURCE_DIR) + "/examples/" + name;
}

// The sample host or the sample cluster database.
inline std::string sampleDatabase(bool cluster) {
    return examplePath(cluster ? "cluster/cluster.srdb" : "host.expected");
}

// The report of the database at `path` (a host or cluster report), owned by
// the caller; null when it does not load or convert.
inline nmspc_cim::CCIMList *reportOf(const std::string &path, bool cluster) {
    SrmResourceDatabase db;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return nullptr;
    }
    int loaded = db.deserialize(fd, nullptr);
    close(fd);
    if (loaded == 0) {
        return nullptr;
    }
    const std::string job = "server-test";
    nmspc_cim::CCIMList *list = nullptr;
    {
        OMX_Report report;
        report.setJobId(job);
        if (report.GenerateCIMReports(&db, cluster ? "cluster" : "host") != 0) {
            list = report.GetReport();
        }
    }
    if (Tessel *results = Tessel::getInstance(job)) {
        Tessel::deleteInstance(results);
    }
    return list;
}

// The index `ulvar serve` builds from the sample cluster (or host).
inline std::shared_ptr<const ReportIndex> sampleIndex(bool cluster) {
    std::string why;
    return ReportIndex::build({reportOf(sampleDatabase(cluster), cluster)}, &why);
}

}  // namespace testing
}  // namespace ulvar_server

#endif
