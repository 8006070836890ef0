#include "tools/ReportConversion.h"

#include <unistd.h>

#include <string>

#include "inventory/report/OMX_Report.h"
#include "tessel/Tessel.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMProperty;

const char *propertyValue(CCIMInstance *instance, const char *name) {
    for (CCIMList *node = instance->mProperties; node != nullptr; node = node->mNext) {
        auto *property = static_cast<CCIMProperty *>(node->mDataObject);
        if (property != nullptr && property->mName != nullptr &&
            std::string(property->mName) == name) {
            return property->mValue;
        }
    }
    return nullptr;
}

std::vector<std::string> decodedStrings(const char *encoded) {
    std::vector<std::string> out;
    int count = 0;
    char **values =
        encoded != nullptr ? nmspc_cim::cim_decodeStringArray(encoded, &count) : nullptr;
    for (int i = 0; values != nullptr && i < count; ++i) {
        out.push_back(values[i] != nullptr ? values[i] : "");
    }
    if (values != nullptr) {
        nmspc_cim::cim_freeStringArray(values, count);
    }
    return out;
}

// The status results recorded under `jobId`, which are taken from the job's
// object and freed; the object goes too.
std::vector<StatusResult> takeResults(const std::string &jobId) {
    std::vector<StatusResult> results;
    Tessel *job = Tessel::getInstance(jobId);
    if (job == nullptr) {
        return results;
    }
    CCIMList *list = job->getCIMInstanceList();
    for (CCIMList *node = list; node != nullptr; node = node->mNext) {
        auto *instance = static_cast<CCIMInstance *>(node->mDataObject);
        if (instance == nullptr) {
            continue;
        }
        const char *key = propertyValue(instance, "KeyDescription");
        results.push_back({key != nullptr ? key : "",
                           decodedStrings(propertyValue(instance, "Args")),
                           decodedStrings(propertyValue(instance, "ArgDescriptions"))});
    }
    if (list != nullptr) {
        nmspc_cim::cim_freeInstanceList(list);
    }
    Tessel::deleteInstance(job);
    return results;
}

}  // namespace

CCIMList *convertReport(SrmResourceDatabase *db, bool cluster, std::vector<StatusResult> &results,
                        bool &failed) {
    // A job of its own, so that the results are this conversion's only.
    const std::string jobId = "ulvar-report-" + std::to_string(getpid());
    CCIMList *instances = nullptr;
    {
        OMX_Report converter;
        converter.setJobId(jobId);
        failed = converter.GenerateCIMReports(db, cluster ? "cluster" : "host") == 0;
        if (!failed) {
            instances = converter.GetReport();
        }
    }
    results = takeResults(jobId);
    return instances;
}

std::string describeResult(const StatusResult &r) {
    std::string text = r.key;
    for (std::size_t i = 0; i < r.args.size(); ++i) {
        text += (i == 0 ? ": " : "; ") + r.args[i];
        if (i < r.descriptions.size() && !r.descriptions[i].empty()) {
            text += " (" + r.descriptions[i] + ")";
        }
    }
    return text;
}

// Why a conversion failed: the generator where it stopped, or the scanner's
// error records, which stop it before any generator runs.
void explainFailure(const std::string &file, const std::vector<StatusResult> &results) {
    std::string failurePoint;
    bool scannerErrors = false;
    for (const StatusResult &r : results) {
        if (r.key == "F_REPORT_CONV_FAILURE" && !r.args.empty() && failurePoint.empty()) {
            failurePoint = r.args.front();
        }
        scannerErrors |= r.key == "F_SRMAGENT_ERROR";
    }
    if (!failurePoint.empty()) {
        complain(file, "the report conversion failed at " + failurePoint);
    } else if (scannerErrors) {
        complain(file, "the report conversion stopped: the database carries error records");
    } else {
        complain(file, "the report conversion failed");
    }
    for (const StatusResult &r : results) {
        complain(file, describeResult(r));
    }
}

}  // namespace ulvar_tool
