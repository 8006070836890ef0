// What the fuzz targets ask of every CIM-XML document they make: it parses as
// XML, and the DMTF DTD beside the source tree (ULVAR_CIM_DTD) takes it when
// the DTD is there. A document that fails is a finding: printed, then abort.
#ifndef FUZZ_FUZZCIMXML_H
#define FUZZ_FUZZCIMXML_H

#include <libxml/parser.h>
#include <libxml/valid.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The DTD, loaded once; null when it is not there (no validity check then).
inline xmlDtdPtr cimDtd() {
    static xmlDtdPtr dtd = [] {
        xmlInitParser();
        xmlDtdPtr loaded = xmlParseDTD(nullptr, reinterpret_cast<const xmlChar *>(ULVAR_CIM_DTD));
        if (loaded == nullptr) {
            fprintf(stderr, "no DTD at %s: documents are checked for well-formedness only\n",
                    ULVAR_CIM_DTD);
        }
        return loaded;
    }();
    return dtd;
}

[[noreturn]] inline void finding(const char *what, const std::string &document) {
    fprintf(stderr, "%s:\n%s\n", what, document.c_str());
    abort();
}

// A document a road wrote must parse, and be valid against the DTD.
inline void judge(const std::string &document) {
    xmlDtdPtr dtd = cimDtd();
    xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()),
                                  "document.xml", nullptr, XML_PARSE_NONET);
    if (doc == nullptr) {
        finding("not well-formed XML", document);
    }
    int valid = 1;
    if (dtd != nullptr) {
        xmlValidCtxtPtr context = xmlNewValidCtxt();
        valid = context != nullptr ? xmlValidateDtd(context, doc, dtd) : 1;
        xmlFreeValidCtxt(context);
    }
    xmlFreeDoc(doc);
    if (valid == 0) {
        finding("rejected by the DTD", document);
    }
}

#endif
