// Judges CIM-XML documents against the DMTF DTD in this process, with
// libxml2: no network, no file but the DTD. The test program links libxml2.
#ifndef INVENTORY_TESTING_CIMDTD_H
#define INVENTORY_TESTING_CIMDTD_H

#include <libxml/parser.h>
#include <libxml/valid.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "inventory/testing/CimXml.h"

namespace ulvar {
namespace testing {

inline void collectValidityError(void *into, const char *format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    *static_cast<std::string *>(into) += line;
}

// "" when `document` is well-formed and valid against the DTD; otherwise
// what libxml2 says is wrong with it.
inline std::string cimDtdViolations(const std::string &document) {
    static xmlDtdPtr dtd = [] {
        xmlInitParser();
        std::string path = dtdPath();
        return path.empty() ? nullptr
                            : xmlParseDTD(nullptr, reinterpret_cast<const xmlChar *>(path.c_str()));
    }();
    if (dtd == nullptr) {
        return "the DTD could not be read";
    }
    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    xmlDocPtr doc =
        xmlCtxtReadMemory(parser, document.data(), static_cast<int>(document.size()), "response",
                          nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::string problems;
    if (doc == nullptr) {
        const xmlError *error = xmlCtxtGetLastError(parser);
        problems = std::string("not well-formed: ") + (error ? error->message : "?");
    } else {
        xmlValidCtxtPtr validity = xmlNewValidCtxt();
        validity->userData = &problems;
        validity->error = collectValidityError;
        validity->warning = collectValidityError;
        if (xmlValidateDtd(validity, doc, dtd) != 1 && problems.empty()) {
            problems = "invalid";
        }
        xmlFreeValidCtxt(validity);
        xmlFreeDoc(doc);
    }
    xmlFreeParserCtxt(parser);
    return problems;
}

}  // namespace testing
}  // namespace ulvar

#define SKIP_WITHOUT_CIM_DTD()                                                        \
    do {                                                                              \
        if (ulvar::testing::dtdPath().empty()) {                                      \
            GTEST_SKIP() << "no DMTF DTD beside the source tree (../shared/cim-dtd)"; \
        }                                                                             \
    } while (0)

#endif
