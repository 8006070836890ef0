#include "server/CimExchange.h"

#include <strings.h>

#include <cctype>
#include <cstring>
#include <string>

#include "server/CimRequest.h"

namespace ulvar_server {

namespace {

CimExchange refused(unsigned status, const char *cimError) {
    CimExchange exchange;
    exchange.httpStatus = status;
    exchange.cimError = cimError;
    return exchange;
}

int hexDigit(char c) {
    return isdigit(static_cast<unsigned char>(c)) ? c - '0'
           : isxdigit(static_cast<unsigned char>(c))
               ? tolower(static_cast<unsigned char>(c)) - 'a' + 10
               : -1;
}

// `text` with its %XX escapes decoded.
std::string urlDecoded(const char *text) {
    std::string out;
    for (const char *p = text; *p != '\0'; ++p) {
        int high, low;
        if (*p == '%' && (high = hexDigit(p[1])) >= 0 && (low = hexDigit(p[2])) >= 0) {
            out += static_cast<char>(high * 16 + low);
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string withoutOuterSlashes(std::string path) {
    while (!path.empty() && path.front() == '/') {
        path.erase(0, 1);
    }
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// CIMObject names the namespace of an intrinsic call, and the object (whose
// path begins with its namespace and a colon) of an extrinsic one.
bool objectMatches(const char *header, const CimRequest &request) {
    if (header == nullptr) {
        return false;
    }
    std::string object = withoutOuterSlashes(urlDecoded(header));
    if (!request.intrinsic) {
        object = withoutOuterSlashes(object.substr(0, object.find(':')));
    }
    return strcasecmp(object.c_str(), request.nameSpace.c_str()) == 0;
}

}  // namespace

CimExchange exchangeCim(const CimHeaders &headers, const char *body, std::size_t size,
                        std::shared_ptr<const ReportIndex> index) {
    if (headers.operation == nullptr || strcasecmp(headers.operation, "MethodCall") != 0) {
        return refused(400, "unsupported-operation");
    }
    if (headers.protocolVersion != nullptr && strncmp(headers.protocolVersion, "1.", 2) != 0) {
        return refused(501, "unsupported-protocol-version");
    }
    CimRequest request;
    switch (parseCimRequest(body, size, request)) {
        case ParseResult::kOk:
            break;
        case ParseResult::kNotWellFormed:
            return refused(400, "request-not-well-formed");
        case ParseResult::kNotValid:
            return refused(400, "request-not-valid");
        case ParseResult::kMultipleRequests:
            return refused(501, "multiple-requests-unsupported");
    }
    if (headers.method == nullptr || request.method != headers.method ||
        !objectMatches(headers.object, request)) {
        return refused(400, "header-mismatch");
    }
    CimExchange exchange;
    exchange.response.reset(new CimResponse(request, performOperation(request, std::move(index))));
    return exchange;
}

}  // namespace ulvar_server
