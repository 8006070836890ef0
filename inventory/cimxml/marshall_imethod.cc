// The frame of an intrinsic method's response, and ERROR.
#include <cstdio>

#include "inventory/cimxml/imethod.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

using namespace cimxml;

extern "C" {

// ... SIMPLERSP, IMETHODRESPONSE NAME, IRETURNVALUE (opened)
int marshallIMethodResponseBegin(sbuf *buffer, const char *messageId, const char *methodName) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = openMessage(buffer, messageId);
    status |= printPCDataIndented(buffer, 3, "<IMETHODRESPONSE NAME=\"", methodName, "\">");
    // Open and closed on lines of their own, an empty result reads as
    // <IRETURNVALUE></IRETURNVALUE>, which strict clients take for none.
    status |= printIndented(buffer, 4, "<IRETURNVALUE>");
    return status ? -1 : 0;
}

int marshallIMethodResponseEnd(sbuf *buffer) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = printIndented(buffer, 4, "</IRETURNVALUE>");
    status |= printIndented(buffer, 3, "</IMETHODRESPONSE>");
    status |= closeMessage(buffer);
    return status ? -1 : 0;
}

// (I)METHODRESPONSE NAME: ERROR
int marshallErrorResponse(sbuf *buffer, const char *messageId, const char *methodName,
                          int intrinsic, int code, const char *description) {
    if (buffer == nullptr) {
        return -1;
    }
    const char *element = intrinsic ? "IMETHODRESPONSE" : "METHODRESPONSE";
    char open[32];
    snprintf(open, sizeof open, "<%s NAME=\"", element);
    int status = openMessage(buffer, messageId);
    status |= printPCDataIndented(buffer, 3, open, methodName, "\">");
    status |= marshallError(buffer, code, description, 4);
    status |= printIndented(buffer, 3, "</%s>", element);
    status |= closeMessage(buffer);
    return status ? -1 : 0;
}

// ERROR CODE DESCRIPTION? (empty: strict clients take no embedded instance)
int marshallError(sbuf *buffer, int code, const char *description, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    char open[48];
    if (description == nullptr) {
        return printIndented(buffer, n, "<ERROR CODE=\"%d\"/>", code);
    }
    snprintf(open, sizeof open, "<ERROR CODE=\"%d\" DESCRIPTION=\"", code);
    return printPCDataIndented(buffer, n, open, description, "\"/>");
}

}  // extern "C"
