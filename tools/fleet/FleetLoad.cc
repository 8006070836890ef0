#include "tools/fleet/FleetLoad.h"

#include <exception>
#include <new>
#include <system_error>
#include <thread>

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

bool readScan(const ScanSource &source, ScanFile &scan) {
    ScanInfo &info = scan.info;
    info.file = source.path;
    // The digest reads the file once more: on a thread of its own, while the
    // file loads.
    // Memory running out on either thread ends in the command's own "out of
    // memory" error: the digest's is carried over, and the load's unwinds
    // only once the digest has ended.
    std::string why;
    bool digested = false;
    std::exception_ptr digestFailure;
    auto digestFile = [&] {
        try {
            digested = fileSha256(source.path, info.sha256, why);
        } catch (const std::bad_alloc &) {
            digestFailure = std::current_exception();
        }
    };
    std::thread digest;
    try {
        digest = std::thread(digestFile);
    } catch (const std::system_error &) {
        digestFile();  // no thread to spare: one after the other
    }
    struct JoinOnExit {
        std::thread &thread;
        ~JoinOnExit() {
            if (thread.joinable()) {
                thread.join();
            }
        }
    };
    bool loaded;
    {
        JoinOnExit joined{digest};
        scan.file.reset(new ulvar_tool::DatabaseFile(source.path));
        loaded = scan.file->load();
    }
    if (digestFailure) {
        std::rethrow_exception(digestFailure);
    }
    if (!digested) {
        ulvar_tool::complain(source.path, why);
        return false;
    }
    if (!loaded) {
        ulvar_tool::complainAbout(*scan.file);
        return false;
    }
    info.dbVersion = scan.file->header().value("SrmResourceDbVersion");
    describeScan(scan.file->database(), info);
    if (!source.sourceKey.empty()) {
        info.sourceKey = source.sourceKey;
    }
    info.loadedAt = utcNow();
    return true;
}

bool storeScan(FleetTarget &target, const std::string &targetName, ScanFile &scan,
               StoredScan &stored) {
    ScanInfo &info = scan.info;
    bool found = false;
    std::string storedSha;
    if (!target.ensureSchema() || !target.findScan(info.sourceKey, found, info.scanId, storedSha)) {
        ulvar_tool::complain(targetName, target.error());
        return false;
    }
    if (found && storedSha == info.sha256) {
        stored.outcome = ScanOutcome::Unchanged;
        stored.rows = 0;
        return true;
    }
    stored.outcome = found ? ScanOutcome::Replaced : ScanOutcome::Added;
    if ((found && !target.deleteScan(info.scanId)) || (!found && !target.newScanId(info.scanId)) ||
        !writeScanRows(scan.file->database(), info, target.sink(), &stored.rows)) {
        ulvar_tool::complain(targetName, info.file + ": " + target.error());
        return false;
    }
    return true;
}

}  // namespace ulvar_fleet
