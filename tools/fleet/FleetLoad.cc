#include "tools/fleet/FleetLoad.h"

#include "tools/DatabaseFile.h"
#include "tools/Tool.h"
#include "tools/fleet/FleetTarget.h"
#include "tools/fleet/Sha256.h"

namespace ulvar_fleet {

std::vector<ScanSource> scanSources(const std::vector<std::string> &paths,
                                    const std::vector<std::string> &sourceKeys) {
    std::vector<ScanSource> sources;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        sources.push_back({paths[i], i < sourceKeys.size() ? sourceKeys[i] : std::string()});
    }
    return sources;
}

bool storeScan(FleetTarget &target, const std::string &targetName, const ScanSource &source,
               StoredScan &stored) {
    using ulvar_tool::complain;
    ScanInfo &info = stored.info;
    info.file = source.path;
    std::string why;
    if (!fileSha256(source.path, info.sha256, why)) {
        complain(source.path, why);
        return false;
    }
    ulvar_tool::DatabaseFile file(source.path);
    if (!file.load()) {
        ulvar_tool::complainAbout(file);
        return false;
    }
    info.dbVersion = file.header().value("SrmResourceDbVersion");
    describeScan(file.database(), info);
    if (!source.sourceKey.empty()) {
        info.sourceKey = source.sourceKey;
    }
    info.loadedAt = utcNow();

    bool found = false;
    std::string storedSha;
    if (!target.ensureSchema() || !target.findScan(info.sourceKey, found, info.scanId, storedSha)) {
        complain(targetName, target.error());
        return false;
    }
    if (found && storedSha == info.sha256) {
        stored.outcome = ScanOutcome::Unchanged;
        stored.rows = 0;
        return true;
    }
    stored.outcome = found ? ScanOutcome::Replaced : ScanOutcome::Added;
    if ((found && !target.deleteScan(info.scanId)) || (!found && !target.newScanId(info.scanId)) ||
        !writeScanRows(file.database(), info, target.sink(), &stored.rows)) {
        complain(targetName, source.path + ": " + target.error());
        return false;
    }
    return true;
}

}  // namespace ulvar_fleet
