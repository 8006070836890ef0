// Diagnostic dumps of a job's results and of CIM objects, to standard output
// and to the log. The texts are read by people and by support scripts, so
// they stay exactly as they are, odd spacing included.
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "tessel/Tessel.h"
#include "tessel/log.h"

using nmspc_cim::_CCIMInstance;
using nmspc_cim::_CCIMList;
using nmspc_cim::_CCIMObjectPath;
using nmspc_cim::_CCIMProperty;
using nmspc_cim::CIMType;

namespace {

const char *const kIndentUnit = "    ";

// Writes `indent` groups of four blanks, then the formatted text.
void printfIndented(unsigned indent, const char *format, ...) __attribute__((format(printf, 2, 3)));

void printfIndented(unsigned indent, const char *format, ...) {
    for (unsigned i = 0; i < indent; ++i) {
        fputs(kIndentUnit, stdout);
    }
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}

void logBanner() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "*************", "*************************");
}

const char *orNull(const char *s) {
    return s != nullptr ? s : "NULL";
}

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char *fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    if (n < 0) {
        return std::string();
    }
    return std::string(buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
}

// Decodes `text` with `decode` and appends each element as a quoted text and
// a blank, then releases the array with free().
template <typename T, typename Show>
void appendElements(std::string &line, T *(*decode)(const char *, int *), const char *text,
                    Show show) {
    int count = 0;
    T *values = decode(text, &count);
    for (int i = 0; values != nullptr && i < count; ++i) {
        line += '"';
        line += show(values[i]);
        line += "\" ";
    }
    free(values);
}

// The text of an array value, element by element, or of a single value.
std::string valueText(CIMType type, const char *value) {
    std::string line;
    switch (type) {
        case nmspc_cim::CIM_UINT8_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeUint8Array, value,
                           [](unsigned short v) { return format("%u", v); });
            break;
        case nmspc_cim::CIM_SINT8_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeSint8Array, value,
                           [](short v) { return format("%d", v); });
            break;
        case nmspc_cim::CIM_UINT16_ARRAY:
        case nmspc_cim::CIM_CHAR16_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeUint16Array, value,
                           [](unsigned int v) { return format("%u", v); });
            break;
        case nmspc_cim::CIM_SINT16_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeSint16Array, value,
                           [](int v) { return format("%d", v); });
            break;
        case nmspc_cim::CIM_UINT32_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeUint32Array, value,
                           [](unsigned int v) { return format("%u", v); });
            break;
        case nmspc_cim::CIM_SINT32_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeSint32Array, value,
                           [](int v) { return format("%d", v); });
            break;
        case nmspc_cim::CIM_UINT64_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeUint64Array, value,
                           [](unsigned long long v) { return format("%llu", v); });
            break;
        case nmspc_cim::CIM_SINT64_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeSint64Array, value,
                           [](long long v) { return format("%lld", v); });
            break;
        case nmspc_cim::CIM_REAL32_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeReal32Array, value,
                           [](double v) { return format("%g", v); });
            break;
        case nmspc_cim::CIM_REAL64_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeReal64Array, value,
                           [](long double v) { return format("%Lg", v); });
            break;
        case nmspc_cim::CIM_BOOLEAN_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeBooleanArray, value,
                           [](int v) { return std::string(v == 1 ? "true" : "false"); });
            break;
        case nmspc_cim::CIM_DATETIME_ARRAY:
            appendElements(line, nmspc_cim::cim_decodeDateTimeArray, value,
                           [](unsigned int v) { return format("%u", v); });
            break;
        case nmspc_cim::CIM_STRING_ARRAY: {
            int count = 0;
            char **values = nmspc_cim::cim_decodeStringArray(value, &count);
            for (int i = 0; values != nullptr && i < count; ++i) {
                line += '"';
                line += orNull(values[i]);
                line += "\" ";
            }
            nmspc_cim::cim_freeStringArray(values, count);
            break;
        }
        default:
            line += '"';
            line += orNull(value);
            line += '"';
            break;
    }
    return line;
}

}  // namespace

void Tessel::printResultMap() {
    const char *const fn = "TESSEL::printResultMap";
    logBanner();
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting printResultMap");
    for (ResultMap::iterator group = results.begin(); group != results.end(); ++group) {
        const char *severity = group->first.c_str();
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "SEVERITY = %s", severity);
        for (Result *r : group->second) {
            if (r == nullptr) {
                continue;
            }
            // The low bits of the address are enough to tell results apart.
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "MEMORY ADDRESS = %X",
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(r)));
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "KEY = %s", r->getKey().c_str());
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "BUNDLE = %s", r->getBundle().c_str());
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "SEVERITY = %s",
                    r->getSeverity().c_str());
            printResultArrays(r);
        }
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "# of Result objects for %s = %u", severity,
                static_cast<unsigned>(group->second.size()));
    }
    if (results.empty()) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Map is EMPTY!!!");
    } else {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "# of map entries = %u",
                static_cast<unsigned>(results.size()));
    }
    logBanner();
}

void Tessel::printResultArrays(Result *r) {
    const char *const fn = "TESSEL::printResultArrays";
    if (r == nullptr) {
        return;
    }
    char **args = r->getArguments();
    if (r->getArgumentCount(args) > 0) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "ARG Array contents:");
        for (int i = 0; i < Result::kMaxArgs; ++i) {
            if (args[i] != nullptr) {
                prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "%s", args[i]);
            }
        }
    }
    char **descs = r->getArgDescriptors();
    if (r->getArgumentCount(descs) > 0) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "ARG_DESCRIPTOR Array contents:");
        for (int i = 0; i < Result::kMaxArgs; ++i) {
            if (descs[i] != nullptr) {
                prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "%s", descs[i]);
            }
        }
    }
}

void Tessel::printMultiMap(ConfigMap &configs) {
    const char *const fn = "TESSEL::printMultiMap";
    logBanner();
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting printMultiMap");
    for (ConfigMap::iterator it = configs.begin(); it != configs.end(); ++it) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Object Name in multimap = %s",
                it->first.c_str());
        printProperties(0, it->second);
    }
    if (configs.empty()) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Multi-map is EMPTY!!!");
    } else {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "# of Multi-map entries = %u",
                static_cast<unsigned>(configs.size()));
    }
    logBanner();
}

void Tessel::printVector(std::vector<_CCIMList *> &lists) {
    const char *const fn = "TESSEL::printVector";
    logBanner();
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting printVector");
    for (_CCIMList *list : lists) {
        printProperties(0, list);
    }
    if (lists.empty()) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Vector is EMPTY!!!");
    } else {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "# of configurations in vector = %u",
                static_cast<unsigned>(lists.size()));
    }
    logBanner();
}

void Tessel::printProperties(unsigned indent, _CCIMList *properties) {
    const char *const fn = "TESSEL::printProperties";
    prv_log(TESSEL_LOG_INFO, getAgentType(), fn, "Starting printProperties!!!");
    // An empty list is a single node without an element: it has no property.
    for (_CCIMList *node = properties; node != nullptr; node = node->mNext) {
        if (node->mDataObject == nullptr) {
            continue;
        }
        printfIndented(indent, "\n-------------PROPERTIES---------------\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "-------------PROPERTIES---------------");
        printProperty(indent, static_cast<_CCIMProperty *>(node->mDataObject));
    }
    printfIndented(indent, "---------------------------------------\n\n");
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "------------------------------------");
}

void Tessel::printProperty(unsigned indent, _CCIMProperty *property) {
    const char *const fn = "TESSEL::printProperty";
    if (property == nullptr) {
        printfIndented(indent, "NULL Property!\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "NULL Property!");
        return;
    }
    printfIndented(indent, "Property Name=\"%s\"\n", orNull(property->mName));
    if (property->mName != nullptr) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Property Name=\"%s\"", property->mName);
    } else {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Property Name = NULL");
    }

    unsigned inner = indent + 1;
    if (property->mValue == nullptr) {
        printfIndented(inner, "Value=NULL\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Value = NULL");
    } else {
        printPropertyValue(inner, "Value=", property->mType, property->mValue);
    }
    printfIndented(inner, "Type=%d(\"%s\")\n", property->mType, typeToString(property->mType));
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Type=%d(\"%s\")", property->mType,
            typeToString(property->mType));
    if (property->mKeyProperty) {
        printfIndented(inner, "Property is KEY.\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Property is KEY.");
    }
    if (property->mType == nmspc_cim::CIM_REFERENCE && property->mObjPath != nullptr) {
        printfIndented(inner, "Property is a reference:\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Property is a reference:");
        printObjectPath(indent + 2, property->mObjPath);
    }
    if (property->mType == nmspc_cim::CIM_INSTANCE && property->mInstance != nullptr) {
        printfIndented(inner, "Property is an instance:\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Property is an instance:");
        printInstance(indent + 2, property->mInstance);
    }
}

void Tessel::printPropertyValue(unsigned indent, const char *label, CIMType type, char *value) {
    std::string line = label != nullptr ? label : "";
    line += valueText(type, value);
    printfIndented(indent, "%s\n", line.c_str());
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::printPropertyValue", "%s", line.c_str());
}

void Tessel::printObjectPath(unsigned indent, _CCIMObjectPath *path) {
    const char *const fn = "TESSEL::printObjectPath";
    if (path == nullptr) {
        printfIndented(indent, "NULL ObjectPath!\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "NULL ObjectPath!");
        return;
    }
    printfIndented(indent, "Object Path Name = \"%s\"\n", orNull(path->mName));
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Object Path Name = \"%s\"", orNull(path->mName));
    printfIndented(indent + 1, "Namespace = \"%s\"\n", orNull(path->mNameSpace));
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Namespace = \"%s\"", orNull(path->mNameSpace));
    printfIndented(indent + 1, "Key Properties:\n");
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Key Properties:");
    printProperties(indent + 2, path->mKeyProperties);
}

void Tessel::printInstance(unsigned indent, _CCIMInstance *instance) {
    const char *const fn = "TESSEL::printInstance";
    if (instance == nullptr) {
        printfIndented(indent, "NULL Instance!\n");
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "NULL Instance!");
        return;
    }
    printfIndented(indent, "\n**********************************************************\n\n");
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
            "**********************************************************");
    printfIndented(indent, "INSTANCE ClassName = \"%s\"\n", orNull(instance->mClassName));
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "INSTANCE ClassName = \"%s\"",
            orNull(instance->mClassName));
    printProperties(indent + 1, instance->mProperties);
}

const char *Tessel::typeToString(CIMType type) {
    static const char *const kNames[] = {
        "uint8",        "sint8",          "uint16",       "sint16",        "uint32",
        "sint32",       "uint64",         "sint64",       "string",        "boolean",
        "real32",       "real64",         "datetime",     "char16",        "uint8_array",
        "sint8_array",  "uint16_array",   "sint16_array", "uint32_array",  "sint32_array",
        "uint64_array", "sint64_array",   "string_array", "boolean_array", "real32_array",
        "real64_array", "datetime_array", "char16_array", "reference",     "instance"};
    int index = static_cast<int>(type);
    if (index < 0 || index >= static_cast<int>(sizeof kNames / sizeof kNames[0])) {
        return "unknown";
    }
    return kNames[index];
}
