// What every part of the report shares for telling about failures: the log
// module and levels, and the one way a status result is recorded.
#ifndef INVENTORY_REPORT_INTERNAL_REPORTSTATUS_H
#define INVENTORY_REPORT_INTERNAL_REPORTSTATUS_H

#include <string>

class Tessel;

namespace rm_report {

// The module field of every log line of the report.
constexpr const char *kModule = "OMX_SRMAgentAdapter";
// Log levels of the report: failures, warnings and information.
constexpr int kLogError = 1;
constexpr int kLogWarning = 4;
constexpr int kLogInfo = 6;

// Looks the job's object up (Tessel::getInstance) and keeps it in
// `utilities`; when there is one, stores a result `key` of the status bundle
// with one argument and its description. Records nothing when the object or
// the result cannot be made. Never throws.
void recordResult(const std::string &jobId, Tessel *&utilities, const char *key,
                  const std::string &argument, const std::string &description);

}  // namespace rm_report

#endif
