// The intrinsic methods a read-only WBEM server answers from the report's
// index: what each finds, or the CIM error it ends with. The result names the
// instances (or classes) it returns; CimResponse writes them.
#ifndef SERVER_CIMOPERATIONS_H
#define SERVER_CIMOPERATIONS_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "server/CimRequest.h"
#include "server/ReportIndex.h"
#include "wbemkit/cim.h"

namespace ulvar_server {

// The namespace the report's references name, the one this server serves.
extern const char kServedNameSpace[];

// CIM status codes of DSP0200.
enum CimStatus {
    kCimFailed = 1,
    kCimInvalidNameSpace = 3,
    kCimInvalidParameter = 4,
    kCimInvalidClass = 5,
    kCimNotFound = 6,
    kCimNotSupported = 7,
    kCimNoSuchProperty = 12,
    kCimQueryLanguageNotSupported = 14,
    kCimInvalidQuery = 15,
};

struct CimResult {
    enum Kind {
        kError,
        kNamedInstances,   // VALUE.NAMEDINSTANCE per instance
        kInstanceNames,    // INSTANCENAME per instance
        kObjectsWithPath,  // VALUE.OBJECTWITHPATH per instance
        kObjectPaths,      // OBJECTPATH per instance
        kInstance,         // one INSTANCE
        kValue,            // the value of `property` (none when it is null)
        kClassNames,       // CLASSNAME per class id
        kClasses,          // CLASS per class id
    };
    Kind kind = kError;
    int error = 0;  // for kError: a CimStatus, with its description
    std::string description;

    std::vector<uint32_t> items;  // instance numbers in `index`, or class ids
    // What each instance shows: every property, or those named.
    bool allProperties = true;
    std::vector<std::string> properties;
    bool includeQualifiers = false;
    nmspc_cim::CCIMProperty *property = nullptr;
    // Keeps the instances alive while the result is written, even when the
    // server has moved on to a newer index.
    std::shared_ptr<const ReportIndex> index;
};

// Performs `request` on `index` (not null). Never throws but bad_alloc.
CimResult performOperation(const CimRequest &request, std::shared_ptr<const ReportIndex> index);

}  // namespace ulvar_server

#endif
