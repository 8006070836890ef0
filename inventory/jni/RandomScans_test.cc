// Random scans (inventory/testing/RandomInventory.h) down the whole road: every
// batch through the add road, resolution, the database file written, loaded
// and written again, the host report and the integrity check. Whatever shape
// the references and volume links take, a scan whose batches all succeeded is
// written whole and loads back as it was, and its report converts or fails
// with a status result saying why.
//
// ULVAR_RANDOM_SCANS=<count> runs that many scans instead of the default,
// ULVAR_RANDOM_SCANS_FROM=<seed> starts at another seed; a failure names the
// seed and shows its batches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/DesignedDifferences.h"
#include "inventory/testing/RandomInventory.h"
#include "inventory/testing/ReportTesting.h"

namespace {

using ulvar::testing::LastMessage;
using ulvar::testing::Load;
using ulvar::testing::RandomInventory;
using ulvar::testing::Written;

constexpr char kJob[] = "random-scans";

long FromEnvironment(const char *name, long fallback) {
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : fallback;
}

std::string Shown(const std::vector<RandomInventory::Batch> &scan) {
    std::string text;
    for (const auto &batch : scan) {
        text += "--- batch of kind " + std::to_string(batch.kind) + "\n" + batch.text;
    }
    return text;
}

// Ids of the volumes of `db` that say they are sub-volumes.
std::vector<std::string> SubVolumeIds(SrmResourceDatabase *db) {
    std::vector<std::string> ids;
    SrmResourceIdMap *volumes = db->getResourceList()->getSrmResourceIdMap(SRM_RES_VOLUME);
    if (volumes != nullptr) {
        for (const auto &entry : *volumes) {
            auto *v = dynamic_cast<SrmVolume *>(entry.second);
            if (v != nullptr && v->HierType == SRM_HIER_SUBVOLUME) {
                ids.push_back(entry.first);
            }
        }
    }
    return ids;
}

// The host report of `db`: converted, with no volume instance for a
// sub-volume, or failed with at least one status result.
::testing::AssertionResult ReportsAsDesigned(SrmResourceDatabase *db) {
    OMX_Report report;
    report.setJobId(kJob);
    int converted = report.GenerateCIMReports(db, "host");
    ulvar::testing::ListHolder list(report.GetReport());
    std::vector<std::string> results = ulvar::testing::TakeResults(kJob);
    if (converted == 0) {
        return results.empty()
                   ? ::testing::AssertionFailure() << "the report failed without a status result"
                   : ::testing::AssertionSuccess();
    }
    const std::vector<std::string> subs = SubVolumeIds(db);
    for (nmspc_cim::CCIMInstance *inst : ulvar::testing::Instances(list.list)) {
        const std::string device = ulvar::testing::Value(inst, "DeviceID");
        if (std::string(inst->mClassName) == "Kalora_RM_StorageVolume" &&
            std::find(subs.begin(), subs.end(), device) != subs.end()) {
            return ::testing::AssertionFailure() << "sub-volume " << device << " has an instance";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ScanSurvivesTheRoad(uint32_t seed) {
    const std::vector<RandomInventory::Batch> scan = RandomInventory(seed).scan();
    auto failure = [&](const std::string &what) {
        return ::testing::AssertionFailure() << "seed " << seed << ": " << what << "\n"
                                             << Shown(scan);
    };
    SrmResourceDatabase db;
    for (const auto &batch : scan) {
        std::string status =
            srmLoadBatchText(&db, batch.kind, batch.text.data(), batch.text.size());
        if (status != kSrmBatchOk) {
            return failure("a well-formed batch answered " + status);
        }
    }
    db.resolveDatabase();

    int result = 0;
    const std::string first = Written(&db, &result);
    if (result != 1) {
        return failure("the scan cannot be written: " + LastMessage(&db));
    }
    SrmResourceDatabase loaded;
    if (Load(&loaded, first) != 1) {
        return failure("its file does not load: " + LastMessage(&loaded) + "\n" + first);
    }
    const std::string second = Written(&loaded, &result);
    if (result != 1 || loaded.getResourceCount() != db.getResourceCount() ||
        !ulvar::testing::SameButDesignedDifferences(first, second)) {
        return failure("loaded, it writes another database:\n" + first + "--- loaded\n" + second);
    }
    SrmResourceDatabase again;
    if (Load(&again, second) != 1 || Written(&again) != second) {
        return failure("loaded twice, it writes other bytes:\n" + second);
    }

    ::testing::AssertionResult reported = ReportsAsDesigned(&loaded);
    if (!reported) {
        return failure(reported.message());
    }
    db.checkIntegrity();
    loaded.checkIntegrity();
    return ::testing::AssertionSuccess();
}

TEST(RandomScans, EveryAcceptedScanIsWrittenWholeAndLoadsBack) {
    const long count = FromEnvironment("ULVAR_RANDOM_SCANS", 300);
    const long from = FromEnvironment("ULVAR_RANDOM_SCANS_FROM", 1);
    int failures = 0;
    for (long seed = from; seed < from + count && failures < 3; ++seed) {
        ::testing::AssertionResult ok = ScanSurvivesTheRoad(static_cast<uint32_t>(seed));
        EXPECT_TRUE(ok);
        failures += ok ? 0 : 1;
    }
}

}  // namespace
