#include "tools/BatchRoad.h"

#include <cstring>
#include <string>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "tools/DatabaseFile.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

std::string recordRange(const SrmBatchRecord &r) {
    std::string range = "record " + std::to_string(r.number);
    if (r.count > 1) {
        range += "-" + std::to_string(r.number + r.count - 1);
    }
    return range;
}

}  // namespace

std::string batchFileNames() {
    std::string names;
    for (const SrmBatch &b : kSrmBatches) {
        names += names.empty() ? b.file : std::string(", ") + b.file;
    }
    return names;
}

BatchRoad::BatchRoad(FILE *account)
    : account(account), db(new SrmResourceDatabase()), status(kExitOk) {}

BatchRoad::~BatchRoad() = default;

void BatchRoad::load(const SrmBatch &batch, const std::string &text) {
    std::vector<std::string> dropped;
    SrmBatchSummary summary;
    const char *result = srmLoadBatchText(
        db.get(), batch.kind, text.data(), text.size(), &summary,
        [&dropped](const SrmBatchRecord &r) {
            if (r.outcome == SRM_BATCH_SKIPPED) {
                dropped.push_back(recordRange(r) + (r.id.empty() ? "" : " (Id \"" + r.id + "\")") +
                                  " skipped: " + r.reason);
            }
        });
    fprintf(account, "%s: %s %ld read, %ld added, %ld merged, %ld skipped\n", batch.file, result,
            summary.read, summary.added, summary.merged, summary.skipped);
    for (const std::string &line : dropped) {
        fprintf(account, "  %s\n", line.c_str());
    }
    if (summary.stoppedAt != 0) {
        fprintf(account, "  record %ld: the text ends inside it; it and the rest are lost\n",
                summary.stoppedAt);
    }
    if (std::strcmp(result, kSrmBatchOk) != 0 || summary.skipped != 0 || summary.stoppedAt != 0) {
        raise(status, kExitFindings);
    }
}

int BatchRoad::finish(const std::string &path) {
    fprintf(account, "resolved: %d state copies\n", db->resolveDatabase());
    fflush(account);
    if (!writeDatabaseFile(db.get(), path)) {
        raise(status, kExitNoFile);
    }
    return status;
}

}  // namespace ulvar_tool
