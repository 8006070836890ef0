// Sends arbitrary bytes to the WBEM server as the body of a CIM operation
// request, as libmicrohttpd hands it over, and performs it on a small fixed
// report (the sample cluster's): parsed, checked against the headers a client
// would send for it, dispatched, and the response written in pieces of a size
// the input chooses. Any crash, hang, leak or out-of-bounds access is a
// finding, and so is a response that is not well-formed XML or that the DMTF
// CIM-XML DTD rejects (checked when the DTD is found beside the source tree).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/FuzzCimXml.h"
#include "inventory/cimxml/sbuf.h"
#include "server/CimExchange.h"
#include "server/CimRequest.h"
#include "server/testing/SampleReports.h"

namespace {

std::shared_ptr<const ulvar_server::ReportIndex> report;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    report = ulvar_server::testing::sampleIndex(true);
    if (!report) {
        fprintf(stderr, "the sample cluster report does not load\n");
        abort();
    }
    cimDtd();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *body = reinterpret_cast<const char *>(data);
    // The headers a client sends for the request the body holds, so that
    // what is past the header checks is reached too.
    ulvar_server::CimRequest request;
    ulvar_server::parseCimRequest(body, size, request);
    std::string object = request.nameSpace;
    ulvar_server::CimHeaders headers;
    headers.operation = "MethodCall";
    headers.method = request.method.c_str();
    headers.object = object.c_str();
    ulvar_server::CimExchange exchange = exchangeCim(headers, body, size, report);
    if (!exchange.response) {
        return 0;
    }
    const std::size_t piece = size > 0 ? 1 + data[size - 1] * 64 : 4096;
    sbuf *out = sbufCreate(1024);
    ulvar_server::CimResponse::Status status;
    while ((status = exchange.response->writeSome(out, sbufGetSize(out) + piece)) ==
           ulvar_server::CimResponse::kMore) {
    }
    if (status != ulvar_server::CimResponse::kDone) {
        finding("the response could not be written", "");
    }
    judge(std::string(sbufGetString(out), sbufGetSize(out)));
    sbufDestroy(out);
    return 0;
}
