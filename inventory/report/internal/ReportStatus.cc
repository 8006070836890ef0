#include "inventory/report/internal/ReportStatus.h"

#include <memory>
#include <new>

#include "tessel/Result.h"
#include "tessel/Tessel.h"

namespace rm_report {

void recordResult(const std::string &jobId, Tessel *&utilities, const char *key,
                  const std::string &argument, const std::string &description) {
    try {
        utilities = Tessel::getInstance(jobId);
        if (utilities == nullptr) {
            return;
        }
        // Held until the job takes it: an argument that finds no memory would
        // otherwise leave it to nobody.
        std::unique_ptr<Result> result(new Result(key, TESSEL_RESULT_BUNDLE));
        result->addArg(argument, description);
        utilities->storeResult(result.release());  // takes it, also when it cannot file it
    } catch (const std::bad_alloc &) {
        // A status result is a report about a failure; losing one to a lack
        // of memory must not turn into a failure of its own.
    }
}

}  // namespace rm_report
