// Instances as a server returns them: named by their own keys, with a path,
// showing only the properties asked for; and a lone property value.
#include <strings.h>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/imethod.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;

namespace {

using namespace cimxml;

bool isArray(int type) {
    return type >= nmspc_cim::CIM_UINT8_ARRAY && type <= nmspc_cim::CIM_CHAR16_ARRAY;
}

// A type that marshallPropertyValue writes (nor array, reference nor instance).
bool isScalar(int type) {
    return !isArray(type) && type != nmspc_cim::CIM_REFERENCE && type != nmspc_cim::CIM_INSTANCE;
}

CCIMProperty *propertyOf(CCIMList *node) {
    return static_cast<CCIMProperty *>(node->mDataObject);
}

bool isShown(const marshallInstanceView *view, const char *name) {
    if (view == nullptr || view->propertyNames == nullptr) {
        return true;
    }
    for (int i = 0; name != nullptr && i < view->propertyCount; ++i) {
        if (view->propertyNames[i] != nullptr && strcasecmp(view->propertyNames[i], name) == 0) {
            return true;
        }
    }
    return false;
}

// The keys of a path, as key bindings write them: blank plain values become
// "0", references are followed.
int preparePath(CCIMObjectPath *path) {
    int status = 0;
    for (CCIMList *node = path->mKeyProperties; node != nullptr; node = node->mNext) {
        CCIMProperty *key = propertyOf(node);
        if (key == nullptr) {
            continue;
        }
        if (key->mType != nmspc_cim::CIM_REFERENCE) {
            status |= replaceBlankKeyValue(key);
        } else if (key->mObjPath != nullptr) {
            status |= preparePath(key->mObjPath);
        }
    }
    return status ? -1 : 0;
}

}  // namespace

extern "C" {

int marshallPrepareInstance(CCIMInstance *instance) {
    if (instance == nullptr) {
        return 0;
    }
    int status = 0;
    for (CCIMList *node = instance->mProperties; node != nullptr; node = node->mNext) {
        CCIMProperty *property = propertyOf(node);
        if (property == nullptr) {
            continue;
        }
        if (property->mKeyProperty && isScalar(property->mType)) {
            status |= replaceBlankKeyValue(property);
        }
        if (property->mType == nmspc_cim::CIM_REFERENCE && property->mObjPath != nullptr) {
            status |= preparePath(property->mObjPath);
        }
    }
    return status ? -1 : 0;
}

// INSTANCE CLASSNAME: the properties the view shows
int marshallInstanceShown(sbuf *buffer, CCIMInstance *instance, const marshallInstanceView *view,
                          int n) {
    if (buffer == nullptr || instance == nullptr || instance->mClassName == nullptr) {
        return -1;
    }
    HostNameScope host;
    int status =
        printPCDataIndented(buffer, n, "<INSTANCE CLASSNAME=\"", instance->mClassName, "\">");
    bool qualifiers = view == nullptr || view->includeQualifiers;
    for (CCIMList *node = instance->mProperties; node != nullptr; node = node->mNext) {
        CCIMProperty *property = propertyOf(node);
        if (property == nullptr || !isShown(view, property->mName)) {
            continue;
        }
        if (qualifiers || !property->mKeyProperty) {
            status |= marshallProperty(buffer, property, n + 1);
            continue;
        }
        // Without its qualifier a key still shows the value its name holds.
        if (isScalar(property->mType)) {
            status |= replaceBlankKeyValue(property);
        }
        CCIMProperty plain = *property;
        plain.mKeyProperty = cim_false;
        status |= marshallProperty(buffer, &plain, n + 1);
    }
    status |= printIndented(buffer, n, "</INSTANCE>");
    return status ? -1 : 0;
}

// INSTANCENAME CLASSNAME: KEYBINDING* (the instance's key properties)
int marshallInstanceNameOf(sbuf *buffer, CCIMInstance *instance, int n) {
    if (buffer == nullptr || instance == nullptr || instance->mClassName == nullptr) {
        return -1;
    }
    int status =
        printPCDataIndented(buffer, n, "<INSTANCENAME CLASSNAME=\"", instance->mClassName, "\">");
    for (CCIMList *node = instance->mProperties; node != nullptr; node = node->mNext) {
        CCIMProperty *property = propertyOf(node);
        if (property != nullptr && property->mKeyProperty) {
            status |= writeKeyBinding(buffer, property, n + 1, true);
        }
    }
    status |= printIndented(buffer, n, "</INSTANCENAME>");
    return status ? -1 : 0;
}

// INSTANCEPATH: NAMESPACEPATH, INSTANCENAME
int marshallInstancePathOf(sbuf *buffer, CCIMInstance *instance, const char *nameSpace, int n) {
    if (buffer == nullptr || instance == nullptr || nameSpace == nullptr) {
        return -1;
    }
    int status = printIndented(buffer, n, "<INSTANCEPATH>");
    status |= marshallNameSpacePath(buffer, nameSpace, n + 1);
    status |= marshallInstanceNameOf(buffer, instance, n + 1);
    status |= printIndented(buffer, n, "</INSTANCEPATH>");
    return status ? -1 : 0;
}

// OBJECTPATH: INSTANCEPATH
int marshallObjectPathOf(sbuf *buffer, CCIMInstance *instance, const char *nameSpace, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = printIndented(buffer, n, "<OBJECTPATH>");
    status |= marshallInstancePathOf(buffer, instance, nameSpace, n + 1);
    status |= printIndented(buffer, n, "</OBJECTPATH>");
    return status ? -1 : 0;
}

// VALUE.NAMEDINSTANCE: INSTANCENAME, INSTANCE
int marshallValueNamedInstance(sbuf *buffer, CCIMInstance *instance,
                               const marshallInstanceView *view, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = printIndented(buffer, n, "<VALUE.NAMEDINSTANCE>");
    status |= marshallInstanceNameOf(buffer, instance, n + 1);
    status |= marshallInstanceShown(buffer, instance, view, n + 1);
    status |= printIndented(buffer, n, "</VALUE.NAMEDINSTANCE>");
    return status ? -1 : 0;
}

// VALUE.OBJECTWITHPATH: INSTANCEPATH, INSTANCE
int marshallValueObjectWithPath(sbuf *buffer, CCIMInstance *instance, const char *nameSpace,
                                const marshallInstanceView *view, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    HostNameScope host;
    int status = printIndented(buffer, n, "<VALUE.OBJECTWITHPATH>");
    status |= marshallInstancePathOf(buffer, instance, nameSpace, n + 1);
    status |= marshallInstanceShown(buffer, instance, view, n + 1);
    status |= printIndented(buffer, n, "</VALUE.OBJECTWITHPATH>");
    return status ? -1 : 0;
}

// VALUE | VALUE.ARRAY | VALUE.REFERENCE
int marshallPropertyValueOnly(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr) {
        return 0;
    }
    if (isArray(property->mType)) {
        return property->mValue != nullptr ? writeValueArray(buffer, property, n) : 0;
    }
    if (property->mType == nmspc_cim::CIM_REFERENCE) {
        return property->mObjPath != nullptr ? marshallPropertyValueReference(buffer, property, n)
                                             : 0;
    }
    if (property->mType == nmspc_cim::CIM_INSTANCE || property->mValue == nullptr) {
        return 0;
    }
    return printPCDataIndented(buffer, n, "<VALUE>", property->mValue, "</VALUE>");
}

}  // extern "C"
