// One instance of the report under construction, with the rule every
// generator follows: the first property that fails to be set ends the build,
// and no later property is tried.
#ifndef INVENTORY_REPORT_INTERNAL_REPORTBUILD_H
#define INVENTORY_REPORT_INTERNAL_REPORTBUILD_H

#include <string>

#include "inventory/model/SrmScopedRef.h"
#include "inventory/report/RM_CIM_Report.h"
#include "wbemkit/cim.h"

namespace rm_report {

// Flags of a property.
constexpr unsigned kKey = 1;
constexpr unsigned kNatural = 2;

// Holds its builder (released on every return, with the half-built instance
// when nobody took it).
class ReportBuild {
  public:
    // A builder of `className` with the first `keyCount` names of `keyNames`,
    // recording under `jobId`. Initialize's result is not looked at: when it
    // failed, the first set fails.
    ReportBuild(const std::string &jobId, const char *className, int keyCount,
                std::string *keyNames);

    ReportBuild(const ReportBuild &) = delete;
    ReportBuild &operator=(const ReportBuild &) = delete;

    // Sets a property of a text type (string or a number written as text);
    // nothing once a set failed.
    ReportBuild &set(const char *name, nmspc_cim::CIMType type, const char *text,
                     unsigned flags = 0);
    ReportBuild &set(const char *name, nmspc_cim::CIMType type, const std::string &text,
                     unsigned flags = 0) {
        return set(name, type, text.c_str(), flags);
    }
    ReportBuild &text(const char *name, const char *text, unsigned flags = 0) {
        return set(name, nmspc_cim::CIM_STRING, text, flags);
    }
    ReportBuild &text(const char *name, const std::string &text, unsigned flags = 0) {
        return set(name, nmspc_cim::CIM_STRING, text.c_str(), flags);
    }
    // A key reference to `target`.
    ReportBuild &ref(const char *name, nmspc_cim::CCIMInstance *target);

    // True while every set went through.
    bool ok() const { return !failed; }
    // The finished instance, now the caller's; null when a set failed, when
    // no builder could be made, or when the builder gives none.
    nmspc_cim::CCIMInstance *take();
    const std::string &naturalName() const;

  private:
    SrmScopedRef<RM_CIM_Report> builder;
    bool failed;
};

// A number as "%d" writes it.
std::string decimal(long long value);
// Kilobytes as bytes: multiplied by 1024 in 64 bits, unsigned decimal text.
std::string bytesFromKB(long kb);
// A 64-bit value as unsigned decimal text (a negative one wraps around).
std::string unsignedDecimal(long long value);

}  // namespace rm_report

#endif
