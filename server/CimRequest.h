// A CIM operation request as a client posts it: the body parsed with libxml2
// (no network, no entities, no DTD; a DOCTYPE is refused) and checked for the
// shape of a simple request, with its method, namespace and parameters.
#ifndef SERVER_CIMREQUEST_H
#define SERVER_CIMREQUEST_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "server/InstancePath.h"

namespace ulvar_server {

// One IPARAMVALUE (or PARAMVALUE).
struct ParamValue {
    enum Kind {
        kNull,          // no value
        kValue,         // VALUE: `text`
        kValueArray,    // VALUE.ARRAY: `values`
        kClassName,     // CLASSNAME: the name in `text`
        kInstanceName,  // INSTANCENAME: `instance`
        kOther,         // anything else a server does not take
    };
    Kind kind = kNull;
    std::string text;
    std::vector<std::string> values;
    InstanceName instance;
};

struct CimRequest {
    std::string messageId;
    bool intrinsic = true;  // IMETHODCALL; false for a METHODCALL
    std::string method;
    std::string nameSpace;  // the LOCALNAMESPACEPATH's namespaces joined by "/"
    std::vector<std::pair<std::string, ParamValue>> params;

    // The parameter named `name` (ignoring case), or null.
    const ParamValue *param(const char *name) const;
};

enum class ParseResult {
    kOk,
    kNotWellFormed,     // not XML
    kNotValid,          // XML, but not a simple CIM request (a DOCTYPE included)
    kMultipleRequests,  // a MULTIREQ, which this server does not take
};

// Parses `size` bytes of `body` into `request`.
ParseResult parseCimRequest(const char *body, std::size_t size, CimRequest &request);

}  // namespace ulvar_server

#endif
