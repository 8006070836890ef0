// Complete response messages: the frame shared by all three, and the bodies
// of ExecQuery, CreateInstance and an extrinsic method call.
#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;

namespace cimxml {

// Declaration, CIM, MESSAGE ID, SIMPLERSP: everything before the body.
int openMessage(sbuf *buffer, const char *messageId) {
    // The template carries its own line end and the line gets another, so an
    // empty line follows the declaration.
    int status = printIndented(buffer, 0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    status |= printIndented(buffer, 0, "<CIM DTDVERSION=\"2.0\" CIMVERSION=\"2.0\">");
    status |=
        printPCDataIndented(buffer, 1, "<MESSAGE ID=\"", messageId, "\" PROTOCOLVERSION=\"1.0\">");
    status |= printIndented(buffer, 2, "<SIMPLERSP>");
    return status ? -1 : 0;
}

int closeMessage(sbuf *buffer) {
    int status = printIndented(buffer, 2, "</SIMPLERSP>");
    status |= printIndented(buffer, 1, "</MESSAGE>");
    status |= printIndented(buffer, 0, "</CIM>");
    return status ? -1 : 0;
}

}  // namespace cimxml

using cimxml::closeMessage;
using cimxml::openMessage;
using cimxml::printIndented;
using cimxml::printPCDataIndented;

extern "C" {

// IMETHODRESPONSE NAME="ExecQuery": IRETURNVALUE(VALUE.OBJECT*)
int marshallExecQueryResults(sbuf *buffer, CCIMList *instances, const char *messageId) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = openMessage(buffer, messageId);
    status |= printIndented(buffer, 3, "<IMETHODRESPONSE NAME=\"ExecQuery\">");
    status |= printIndented(buffer, 4, "<IRETURNVALUE>");
    if (marshallInstanceList(buffer, instances, 5) != 0) {
        return -1;
    }
    status |= printIndented(buffer, 4, "</IRETURNVALUE>");
    status |= printIndented(buffer, 3, "</IMETHODRESPONSE>");
    status |= closeMessage(buffer);
    return status ? -1 : 0;
}

// IMETHODRESPONSE NAME="CreateInstance": IRETURNVALUE(INSTANCENAME) | ERROR
int marshallCreateInstanceResults(sbuf *buffer, CCIMObjectPath *path, const char *messageId) {
    if (buffer == nullptr) {
        return -1;
    }
    cimxml::HostNameScope host;
    int status = openMessage(buffer, messageId);
    status |= printIndented(buffer, 3, "<IMETHODRESPONSE NAME=\"CreateInstance\">");
    if (path != nullptr) {
        status |= printIndented(buffer, 4, "<IRETURNVALUE>");
        status |= cimxml::writeInstanceName(buffer, path, 5);
        status |= printIndented(buffer, 4, "</IRETURNVALUE>");
    } else {
        status |= printIndented(buffer, 4, "<ERROR CODE=\"1\"/>");
    }
    status |= printIndented(buffer, 3, "</IMETHODRESPONSE>");
    status |= closeMessage(buffer);
    return status ? -1 : 0;
}

// METHODRESPONSE NAME: RETURNVALUE(VALUE)
int marshallInvokeMethodResults(sbuf *buffer, CCIMProperty *returnValue, const char *messageId,
                                const char *methodName) {
    if (buffer == nullptr) {
        return -1;
    }
    const char *value = returnValue != nullptr ? returnValue->mValue : nullptr;
    int status = openMessage(buffer, messageId);
    status |= printPCDataIndented(buffer, 3, "<METHODRESPONSE NAME=\"", methodName, "\">");
    status |= printIndented(buffer, 4, "<RETURNVALUE>");
    status |= printPCDataIndented(buffer, 5, "<VALUE>", value, "</VALUE>");
    status |= printIndented(buffer, 4, "</RETURNVALUE>");
    status |= printIndented(buffer, 3, "</METHODRESPONSE>");
    status |= closeMessage(buffer);
    return status ? -1 : 0;
}

}  // extern "C"
