// Array properties: PROPERTY.ARRAY and its VALUE.ARRAY with one VALUE line per
// decoded element.
#include <cstdlib>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

using nmspc_cim::CCIMProperty;
using nmspc_cim::CIMType;

namespace cimxml {

namespace {

// Decodes `text` with `decode` and writes each element at `indent` as
// <VALUE>element</VALUE>, formatted by `format`; a text that does not decode
// gives no elements. Numbers need no escaping, so they are printed directly.
template <typename T, typename Format>
int writeDecoded(sbuf *buffer, const char *text, int indent, T *(*decode)(const char *, int *),
                 Format format) {
    int count = 0;
    T *values = decode(text, &count);
    if (values == nullptr) {
        return 0;
    }
    int status = 0;
    for (int i = 0; i < count; ++i) {
        if (format(buffer, indent, values[i]) != 0) {
            status = -1;
        }
    }
    free(values);
    return status;
}

int writeStrings(sbuf *buffer, const char *text, int indent) {
    int count = 0;
    char **values = nmspc_cim::cim_decodeStringArray(text, &count);
    if (values == nullptr) {
        return 0;
    }
    int status = 0;
    for (int i = 0; i < count; ++i) {
        if (printPCDataIndented(buffer, indent, "<VALUE>", values[i], "</VALUE>") != 0) {
            status = -1;
        }
    }
    nmspc_cim::cim_freeStringArray(values, count);
    return status;
}

int printUnsigned(sbuf *b, int indent, unsigned value) {
    return printIndented(b, indent, "<VALUE>%u</VALUE>", value);
}

int printSigned(sbuf *b, int indent, int value) {
    return printIndented(b, indent, "<VALUE>%d</VALUE>", value);
}

// The elements of an array value, by the array type.
int writeArrayElements(sbuf *b, int type, const char *text, int n) {
    using namespace nmspc_cim;
    switch (type) {
        case CIM_UINT8_ARRAY:
            return writeDecoded(
                b, text, n, cim_decodeUint8Array,
                [](sbuf *s, int i, unsigned short v) { return printUnsigned(s, i, v); });
        case CIM_SINT8_ARRAY:
            return writeDecoded(b, text, n, cim_decodeSint8Array,
                                [](sbuf *s, int i, short v) { return printSigned(s, i, v); });
        case CIM_UINT16_ARRAY:
            return writeDecoded(b, text, n, cim_decodeUint16Array, printUnsigned);
        case CIM_SINT16_ARRAY:
            return writeDecoded(b, text, n, cim_decodeSint16Array, printSigned);
        case CIM_UINT32_ARRAY:
            return writeDecoded(b, text, n, cim_decodeUint32Array, printUnsigned);
        case CIM_SINT32_ARRAY:
            return writeDecoded(b, text, n, cim_decodeSint32Array, printSigned);
        case CIM_UINT64_ARRAY:
            return writeDecoded(b, text, n, cim_decodeUint64Array,
                                [](sbuf *s, int i, unsigned long long v) {
                                    return printIndented(s, i, "<VALUE>%llu</VALUE>", v);
                                });
        case CIM_SINT64_ARRAY:
            return writeDecoded(b, text, n, cim_decodeSint64Array, [](sbuf *s, int i, long long v) {
                return printIndented(s, i, "<VALUE>%lld</VALUE>", v);
            });
        case CIM_STRING_ARRAY:
            return writeStrings(b, text, n);
        case CIM_BOOLEAN_ARRAY:
            return writeDecoded(b, text, n, cim_decodeBooleanArray, [](sbuf *s, int i, int v) {
                return printIndented(s, i, "<VALUE>%s</VALUE>", v == 1 ? "true" : "false");
            });
        case CIM_REAL32_ARRAY:
            return writeDecoded(b, text, n, cim_decodeReal32Array, [](sbuf *s, int i, double v) {
                return printIndented(s, i, "<VALUE>%f</VALUE>", v);
            });
        case CIM_REAL64_ARRAY:
            return writeDecoded(b, text, n, cim_decodeReal64Array,
                                [](sbuf *s, int i, long double v) {
                                    return printIndented(s, i, "<VALUE>%Lf</VALUE>", v);
                                });
        case CIM_DATETIME_ARRAY:
            return writeDecoded(b, text, n, cim_decodeDateTimeArray, printUnsigned);
        case CIM_CHAR16_ARRAY:
            // char16 arrays are carried as 16-bit unsigned numbers.
            return writeDecoded(b, text, n, cim_decodeUint16Array, printUnsigned);
        default:
            return 0;
    }
}

}  // namespace

// PROPERTY.ARRAY NAME TYPE(element type): key qualifier?, VALUE.ARRAY(VALUE*)
int writePropertyArray(sbuf *buffer, CCIMProperty *property, int n) {
    int type = property->mType;
    const char *elementType = getTypeString(type - nmspc_cim::CIM_UINT8_ARRAY);
    int status = 0;
    status |= openWithName(buffer, n, "<PROPERTY.ARRAY", property->mName, elementType);
    if (property->mKeyProperty) {
        status |= marshallKeyQualifier(buffer, n + 1);
    }
    status |= writeValueArray(buffer, property, n + 1);
    status |= printIndented(buffer, n, "</PROPERTY.ARRAY>");
    return status ? -1 : 0;
}

// VALUE.ARRAY: VALUE*
int writeValueArray(sbuf *buffer, CCIMProperty *property, int n) {
    int status = printIndented(buffer, n, "<VALUE.ARRAY>");
    if (property->mValue != nullptr) {
        status |= writeArrayElements(buffer, property->mType, property->mValue, n + 1);
    }
    status |= printIndented(buffer, n, "</VALUE.ARRAY>");
    return status ? -1 : 0;
}

}  // namespace cimxml
