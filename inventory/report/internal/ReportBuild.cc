#include "inventory/report/internal/ReportBuild.h"

#include <cstdint>
#include <new>

namespace rm_report {

ReportBuild::ReportBuild(const std::string &jobId, const char *className, int keyCount,
                         std::string *keyNames)
    : builder(new (std::nothrow) RM_CIM_Report(jobId)), failed(!builder) {
    if (builder) {
        builder->initialize(className, keyCount, keyNames);
    }
}

ReportBuild &ReportBuild::set(const char *name, nmspc_cim::CIMType type, const char *text,
                              unsigned flags) {
    if (!failed) {
        failed = builder->setProperty(name, const_cast<char *>(text), type, (flags & kKey) != 0,
                                      (flags & kNatural) != 0) == 0;
    }
    return *this;
}

ReportBuild &ReportBuild::ref(const char *name, nmspc_cim::CCIMInstance *target) {
    if (!failed) {
        failed = builder->setProperty(name, target, nmspc_cim::CIM_REFERENCE, true, false) == 0;
    }
    return *this;
}

nmspc_cim::CCIMInstance *ReportBuild::take() {
    return failed ? nullptr : builder->GetCIMInstance();
}

const std::string &ReportBuild::naturalName() const {
    static const std::string none;
    return builder ? builder->getNaturalName() : none;
}

std::string decimal(long long value) {
    return std::to_string(value);
}

std::string unsignedDecimal(long long value) {
    return std::to_string(static_cast<unsigned long long>(value));
}

std::string bytesFromKB(long kb) {
    // Unsigned, so that a size past 2^53 KB wraps instead of overflowing.
    return std::to_string(static_cast<uint64_t>(kb) * 1024u);
}

}  // namespace rm_report
