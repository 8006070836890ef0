// Class definitions and class names.
#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/imethod.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

namespace {

using namespace cimxml;

// One opening line with two escaped attribute values:
// <indent>`head`first`middle`second`tail`.
int openWithTwo(sbuf *buffer, int n, const char *head, const char *first, const char *middle,
                const char *second, const char *tail) {
    return printLine(buffer, n,
                     {raw(head), escaped(first), raw(middle), escaped(second), raw(tail)});
}

// QUALIFIER NAME TYPE="boolean": VALUE(true)
int writeTrueQualifier(sbuf *buffer, const char *name, int n) {
    int status = printPCDataIndented(buffer, n, "<QUALIFIER NAME=\"", name, "\" TYPE=\"boolean\">");
    status |= printIndented(buffer, n + 1, "<VALUE>true</VALUE>");
    status |= printIndented(buffer, n, "</QUALIFIER>");
    return status ? -1 : 0;
}

// PROPERTY NAME TYPE | PROPERTY.ARRAY NAME TYPE | PROPERTY.REFERENCE NAME
// REFERENCECLASS, each with the key qualifier only: a class holds no values.
int writeClassProperty(sbuf *buffer, const marshallClassProperty &property, bool qualifiers,
                       int n) {
    const char *close;
    int status;
    if (property.type == nmspc_cim::CIM_REFERENCE) {
        close = "</PROPERTY.REFERENCE>";
        status = property.referenceClass != nullptr
                     ? openWithTwo(buffer, n, "<PROPERTY.REFERENCE NAME=\"", property.name,
                                   "\" REFERENCECLASS=\"", property.referenceClass, "\">")
                     : openWithName(buffer, n, "<PROPERTY.REFERENCE", property.name, nullptr);
    } else if (property.type >= nmspc_cim::CIM_UINT8_ARRAY &&
               property.type <= nmspc_cim::CIM_CHAR16_ARRAY) {
        close = "</PROPERTY.ARRAY>";
        status = openWithName(buffer, n, "<PROPERTY.ARRAY", property.name,
                              getTypeString(property.type - nmspc_cim::CIM_UINT8_ARRAY));
    } else {
        close = "</PROPERTY>";
        status = openWithName(buffer, n, "<PROPERTY", property.name, getTypeString(property.type));
    }
    if (qualifiers && property.key) {
        status |= marshallKeyQualifier(buffer, n + 1);
    }
    status |= printIndented(buffer, n, "%s", close);
    return status ? -1 : 0;
}

}  // namespace

extern "C" {

// CLASSNAME NAME
int marshallClassName(sbuf *buffer, const char *className, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    return printPCDataIndented(buffer, n, "<CLASSNAME NAME=\"", className, "\"/>");
}

// CLASS NAME SUPERCLASS?: QUALIFIER*, (PROPERTY | PROPERTY.ARRAY | PROPERTY.REFERENCE)*
int marshallClass(sbuf *buffer, const marshallClassDefinition *definition, int includeQualifiers,
                  int n) {
    if (buffer == nullptr || definition == nullptr || definition->name == nullptr) {
        return -1;
    }
    int status = definition->superClass != nullptr
                     ? openWithTwo(buffer, n, "<CLASS NAME=\"", definition->name,
                                   "\" SUPERCLASS=\"", definition->superClass, "\">")
                     : printPCDataIndented(buffer, n, "<CLASS NAME=\"", definition->name, "\">");
    if (includeQualifiers && definition->association) {
        status |= writeTrueQualifier(buffer, "Association", n + 1);
    }
    for (int i = 0; i < definition->propertyCount; ++i) {
        status |= writeClassProperty(buffer, definition->properties[i], includeQualifiers, n + 1);
    }
    status |= printIndented(buffer, n, "</CLASS>");
    return status ? -1 : 0;
}

}  // extern "C"
