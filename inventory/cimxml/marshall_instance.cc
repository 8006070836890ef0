// Instances and their properties.
#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMProperty;

namespace cimxml {

int openWithName(sbuf *buffer, int indent, const char *tag, const char *name, const char *type) {
    if (type == nullptr) {
        return printLine(buffer, indent, {raw(tag), raw(" NAME=\""), escaped(name), raw("\">")});
    }
    return printLine(
        buffer, indent,
        {raw(tag), raw(" NAME=\""), escaped(name), raw("\" TYPE=\""), raw(type), raw("\">")});
}

}  // namespace cimxml

using namespace cimxml;

extern "C" {

// VALUE.OBJECT(INSTANCE) for each non-null element of the list
int marshallInstanceList(sbuf *buffer, CCIMList *instances, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    HostNameScope host;
    for (CCIMList *node = instances; node != nullptr; node = node->mNext) {
        CCIMInstance *instance = static_cast<CCIMInstance *>(node->mDataObject);
        if (instance == nullptr) {
            continue;
        }
        int status = printIndented(buffer, n, "<VALUE.OBJECT>");
        status |= marshallInstance(buffer, instance, n + 1);
        status |= printIndented(buffer, n, "</VALUE.OBJECT>");
        if (status != 0) {
            return -1;
        }
    }
    return 0;
}

// INSTANCE CLASSNAME: (PROPERTY | PROPERTY.ARRAY | PROPERTY.REFERENCE)*
int marshallInstance(sbuf *buffer, CCIMInstance *instance, int n) {
    if (buffer == nullptr || instance == nullptr || instance->mClassName == nullptr) {
        return -1;
    }
    HostNameScope host;
    int status =
        printPCDataIndented(buffer, n, "<INSTANCE CLASSNAME=\"", instance->mClassName, "\">");
    // A failed property means an incomplete instance, which the caller must
    // hear about rather than receive as a success.
    status |= marshallPropertyList(buffer, instance->mProperties, n + 1);
    status |= printIndented(buffer, n, "</INSTANCE>");
    return status ? -1 : 0;
}

int marshallPropertyList(sbuf *buffer, CCIMList *properties, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    for (CCIMList *node = properties; node != nullptr; node = node->mNext) {
        CCIMProperty *property = static_cast<CCIMProperty *>(node->mDataObject);
        if (property == nullptr) {
            continue;
        }
        int status = marshallProperty(buffer, property, n);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

int marshallProperty(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr) {
        return 0;
    }
    int type = property->mType;
    if (type >= nmspc_cim::CIM_UINT8_ARRAY && type <= nmspc_cim::CIM_CHAR16_ARRAY) {
        return writePropertyArray(buffer, property, n);
    }
    if (type == nmspc_cim::CIM_REFERENCE) {
        return marshallPropertyReference(buffer, property, n);
    }
    if (type == nmspc_cim::CIM_INSTANCE) {
        // Embedded instances have no form in this writer.
        return 0;
    }
    return marshallPropertyValue(buffer, property, n);
}

// PROPERTY NAME TYPE: key qualifier?, VALUE?
int marshallPropertyValue(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr) {
        return 0;
    }
    int status =
        openWithName(buffer, n, "<PROPERTY", property->mName, getTypeString(property->mType));
    if (property->mKeyProperty) {
        status |= marshallKeyQualifier(buffer, n + 1);
        // A key must have a value; a blank one becomes "0", in the record too.
        status |= replaceBlankKeyValue(property);
    }
    if (property->mValue != nullptr) {
        status |= printPCDataIndented(buffer, n + 1, "<VALUE>", property->mValue, "</VALUE>");
    }
    status |= printIndented(buffer, n, "</PROPERTY>");
    return status ? -1 : 0;
}

// QUALIFIER NAME="Key" TYPE="boolean": VALUE(true)
int marshallKeyQualifier(sbuf *buffer, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = printIndented(buffer, n, "<QUALIFIER NAME=\"Key\" TYPE=\"boolean\">");
    status |= printIndented(buffer, n + 1, "<VALUE>true</VALUE>");
    status |= printIndented(buffer, n, "</QUALIFIER>");
    return status ? -1 : 0;
}

}  // extern "C"
