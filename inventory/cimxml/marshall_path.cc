// References and the paths that name instances: value references, instance
// paths and names, key bindings, namespace paths and the host.
#include <unistd.h>

#include <cstring>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/internal/marshall_writers.h"
#include "inventory/cimxml/internal/xml_print.h"

using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;

namespace cimxml {

namespace {

// The VALUETYPE a KEYVALUE of `type` carries.
const char *keyValueType(int type) {
    switch (type) {
        case nmspc_cim::CIM_STRING:
        case nmspc_cim::CIM_CHAR16:
        case nmspc_cim::CIM_DATETIME:
            return "string";
        case nmspc_cim::CIM_BOOLEAN:
            return "boolean";
        default:
            return "numeric";
    }
}

// The host name a HostNameScope keeps for its thread.
struct HostNameCache {
    int scopes = 0;
    bool asked = false;
    bool known = false;
    char name[257];
};
thread_local HostNameCache t_host;

// This machine's host name into `name` (257 bytes); false if it cannot be had.
bool askHostName(char *name) {
    if (gethostname(name, 256) != 0) {
        return false;
    }
    // A name cut at the limit may lack its terminator.
    name[256] = '\0';
    return true;
}

}  // namespace

// KEYBINDING NAME: KEYVALUE | VALUE.REFERENCE
int writeKeyBinding(sbuf *buffer, CCIMProperty *key, int k, bool typed) {
    int status = openWithName(buffer, k, "<KEYBINDING", key->mName, nullptr);
    if (key->mType == nmspc_cim::CIM_REFERENCE) {
        status |= marshallPropertyValueReference(buffer, key, k + 1);
    } else {
        // A key binding must have a value; a blank one becomes "0", in the
        // record too.
        status |= replaceBlankKeyValue(key);
        if (typed) {
            status |= printLine(buffer, k + 1,
                                {raw("<KEYVALUE VALUETYPE=\""), raw(keyValueType(key->mType)),
                                 raw("\">"), escaped(key->mValue), raw("</KEYVALUE>")});
        } else {
            status |= printPCDataIndented(buffer, k + 1, "<KEYVALUE>", key->mValue, "</KEYVALUE>");
        }
    }
    status |= printIndented(buffer, k, "</KEYBINDING>");
    return status ? -1 : 0;
}

namespace {

int writeKeyBindings(sbuf *buffer, CCIMObjectPath *path, int k) {
    int status = 0;
    for (CCIMList *node = path->mKeyProperties; node != nullptr; node = node->mNext) {
        CCIMProperty *key = static_cast<CCIMProperty *>(node->mDataObject);
        if (key != nullptr) {
            status |= writeKeyBinding(buffer, key, k, false);
        }
    }
    return status ? -1 : 0;
}

}  // namespace

HostNameScope::HostNameScope() {
    ++t_host.scopes;
}

HostNameScope::~HostNameScope() {
    if (--t_host.scopes == 0) {
        t_host.asked = false;
    }
}

// INSTANCENAME CLASSNAME: KEYBINDING*
int writeInstanceName(sbuf *buffer, CCIMObjectPath *path, int n) {
    int status = printPCDataIndented(buffer, n, "<INSTANCENAME CLASSNAME=\"", path->mName, "\">");
    status |= writeKeyBindings(buffer, path, n + 1);
    status |= printIndented(buffer, n, "</INSTANCENAME>");
    return status ? -1 : 0;
}

}  // namespace cimxml

using namespace cimxml;

extern "C" {

// PROPERTY.REFERENCE NAME: key qualifier?, VALUE.REFERENCE
int marshallPropertyReference(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr || property->mObjPath == nullptr) {
        return 0;
    }
    int status = openWithName(buffer, n, "<PROPERTY.REFERENCE", property->mName, nullptr);
    if (property->mKeyProperty) {
        status |= marshallKeyQualifier(buffer, n + 1);
    }
    status |= marshallPropertyValueReference(buffer, property, n + 1);
    status |= printIndented(buffer, n, "</PROPERTY.REFERENCE>");
    return status ? -1 : 0;
}

// VALUE.REFERENCE: INSTANCEPATH
int marshallPropertyValueReference(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr) {
        return 0;
    }
    int status = printIndented(buffer, n, "<VALUE.REFERENCE>");
    status |= marshallPropertyInstancePath(buffer, property, n + 1);
    status |= printIndented(buffer, n, "</VALUE.REFERENCE>");
    return status ? -1 : 0;
}

// INSTANCEPATH: NAMESPACEPATH, INSTANCENAME
int marshallPropertyInstancePath(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr || property->mObjPath == nullptr) {
        return 0;
    }
    CCIMObjectPath *path = property->mObjPath;
    int status = printIndented(buffer, n, "<INSTANCEPATH>");
    int nameSpace = marshallNameSpacePath(buffer, path->mNameSpace, n + 1);
    if (nameSpace == 0) {
        status |= writeInstanceName(buffer, path, n + 1);
    }
    status |= printIndented(buffer, n, "</INSTANCEPATH>");
    return status || nameSpace ? -1 : 0;
}

int marshallInstanceName(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr || property->mObjPath == nullptr) {
        return 0;
    }
    return writeInstanceName(buffer, property->mObjPath, n);
}

int marshallKeybindings(sbuf *buffer, CCIMProperty *property, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (property == nullptr || property->mObjPath == nullptr) {
        return 0;
    }
    return writeKeyBindings(buffer, property->mObjPath, n);
}

// NAMESPACEPATH: HOST, LOCALNAMESPACEPATH
int marshallNameSpacePath(sbuf *buffer, const char *nameSpace, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (nameSpace == nullptr) {
        return 0;
    }
    int status = printIndented(buffer, n, "<NAMESPACEPATH>");
    int host = marshallHost(buffer, n + 1);
    if (host == 0) {
        status |= marshallLocalNameSpacePath(buffer, nameSpace, n + 1);
    }
    status |= printIndented(buffer, n, "</NAMESPACEPATH>");
    return status || host ? -1 : 0;
}

// HOST: #PCDATA
int marshallHost(sbuf *buffer, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    char own[257];
    const char *name = own;
    if (t_host.scopes == 0) {
        if (!askHostName(own)) {
            return -1;
        }
    } else {
        if (!t_host.asked) {
            t_host.known = askHostName(t_host.name);
            t_host.asked = true;
        }
        if (!t_host.known) {
            return -1;
        }
        name = t_host.name;
    }
    return printPCDataIndented(buffer, n, "<HOST>", name, "</HOST>");
}

// LOCALNAMESPACEPATH: NAMESPACE+ (one per non-empty piece between slashes)
int marshallLocalNameSpacePath(sbuf *buffer, const char *nameSpace, int n) {
    if (buffer == nullptr) {
        return -1;
    }
    if (nameSpace == nullptr) {
        return 0;
    }
    int status = printIndented(buffer, n, "<LOCALNAMESPACEPATH>");
    const char *piece = nameSpace;
    while (*piece != '\0') {
        size_t length = strcspn(piece, "/");
        if (length > 0) {
            status |=
                printPCDataIndentedN(buffer, n + 1, "<NAMESPACE NAME=\"", piece, length, "\"/>");
        }
        piece += length;
        if (*piece == '/') {
            ++piece;
        }
    }
    status |= printIndented(buffer, n, "</LOCALNAMESPACEPATH>");
    return status ? -1 : 0;
}

}  // extern "C"
