// One CIM operation over HTTP, without the HTTP: the headers a client sends
// and the body, checked the way DSP0200 asks, then parsed and performed. What
// comes back is either a refusal (an HTTP status with its CIMError header) or
// the response to write.
#ifndef SERVER_CIMEXCHANGE_H
#define SERVER_CIMEXCHANGE_H

#include <cstddef>
#include <memory>

#include "server/CimResponse.h"
#include "server/ReportIndex.h"

namespace ulvar_server {

// The CIM headers of a request; null for one that is absent.
struct CimHeaders {
    const char *operation = nullptr;        // CIMOperation
    const char *method = nullptr;           // CIMMethod
    const char *object = nullptr;           // CIMObject (URL-encoded)
    const char *protocolVersion = nullptr;  // CIMProtocolVersion
};

struct CimExchange {
    unsigned httpStatus = 200;
    const char *cimError = nullptr;         // the CIMError header of a refusal, if any
    std::unique_ptr<CimResponse> response;  // for status 200
};

// Checks, parses and performs one request on `index`. Throws only bad_alloc.
CimExchange exchangeCim(const CimHeaders &headers, const char *body, std::size_t size,
                        std::shared_ptr<const ReportIndex> index);

}  // namespace ulvar_server

#endif
