#include "bench/XmlWriterPeer.h"

#include <libxml/xmlwriter.h>
#include <unistd.h>

#include <cstring>
#include <string>

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;

namespace {

const char *const kTypeNames[] = {
    "uint8",  "sint8",  "uint16",  "sint16", "uint32", "sint32",   "uint64",
    "sint64", "string", "boolean", "real32", "real64", "datetime", "char16",
};

const xmlChar *x(const char *text) {
    return reinterpret_cast<const xmlChar *>(text);
}

// One writer over one buffer; every call's status is folded into `ok`.
class Writer {
  public:
    Writer(xmlTextWriterPtr w, const std::string &host) : w(w), host(host) {}

    void open(const char *element) { fold(xmlTextWriterStartElement(w, x(element))); }
    void attribute(const char *name, const char *value) {
        fold(xmlTextWriterWriteAttribute(w, x(name), x(value != nullptr ? value : "")));
    }
    void close() { fold(xmlTextWriterEndElement(w)); }
    void element(const char *name, const char *text) {
        fold(xmlTextWriterWriteElement(w, x(name), x(text != nullptr ? text : "")));
    }

    void keyQualifier() {
        open("QUALIFIER");
        attribute("NAME", "Key");
        attribute("TYPE", "boolean");
        element("VALUE", "true");
        close();
    }

    void instancePath(const CCIMObjectPath *path) {
        open("INSTANCEPATH");
        open("NAMESPACEPATH");
        element("HOST", host.c_str());
        open("LOCALNAMESPACEPATH");
        std::string nameSpace = path->mNameSpace != nullptr ? path->mNameSpace : "";
        for (std::size_t at = 0; at < nameSpace.size();) {
            std::size_t end = nameSpace.find('/', at);
            end = end == std::string::npos ? nameSpace.size() : end;
            if (end > at) {
                open("NAMESPACE");
                attribute("NAME", nameSpace.substr(at, end - at).c_str());
                close();
            }
            at = end + 1;
        }
        close();
        close();
        open("INSTANCENAME");
        attribute("CLASSNAME", path->mName);
        for (const CCIMList *node = path->mKeyProperties; node != nullptr; node = node->mNext) {
            const auto *key = static_cast<const CCIMProperty *>(node->mDataObject);
            if (key != nullptr) {
                open("KEYBINDING");
                attribute("NAME", key->mName);
                element("KEYVALUE", key->mValue);
                close();
            }
        }
        close();
        close();
    }

    void property(const CCIMProperty *p) {
        if (p->mType == nmspc_cim::CIM_REFERENCE) {
            if (p->mObjPath == nullptr) {
                return;
            }
            open("PROPERTY.REFERENCE");
            attribute("NAME", p->mName);
            if (p->mKeyProperty) {
                keyQualifier();
            }
            open("VALUE.REFERENCE");
            instancePath(p->mObjPath);
            close();
            close();
            return;
        }
        open("PROPERTY");
        attribute("NAME", p->mName);
        attribute("TYPE", p->mType >= 0 && p->mType < 14 ? kTypeNames[p->mType] : "unknown");
        if (p->mKeyProperty) {
            keyQualifier();
        }
        if (p->mValue != nullptr) {
            element("VALUE", p->mValue);
        }
        close();
    }

    void instance(const CCIMInstance *inst) {
        open("VALUE.OBJECT");
        open("INSTANCE");
        attribute("CLASSNAME", inst->mClassName);
        for (const CCIMList *node = inst->mProperties; node != nullptr; node = node->mNext) {
            if (node->mDataObject != nullptr) {
                property(static_cast<const CCIMProperty *>(node->mDataObject));
            }
        }
        close();
        close();
    }

    bool ok() const { return status >= 0; }

  private:
    void fold(int result) {
        if (result < 0) {
            status = result;
        }
    }

    xmlTextWriterPtr w;
    const std::string &host;
    int status = 0;
};

}  // namespace

double writeWithXmlTextWriter(const CCIMList *list, long sliceInstances) {
    char name[257] = {};
    if (gethostname(name, 256) != 0) {
        return -1;
    }
    std::string host = name;
    xmlBufferPtr buffer = xmlBufferCreateSize(8192);
    if (buffer == nullptr) {
        return -1;
    }
    xmlBufferSetAllocationScheme(buffer, XML_BUFFER_ALLOC_DOUBLEIT);
    xmlTextWriterPtr w = xmlNewTextWriterMemory(buffer, 0);
    if (w == nullptr) {
        xmlBufferFree(buffer);
        return -1;
    }
    xmlTextWriterSetIndent(w, 1);
    xmlTextWriterSetIndentString(w, x("  "));
    Writer writer(w, host);
    double bytes = 0;
    long inSlice = 0;
    for (const CCIMList *node = list; node != nullptr && writer.ok(); node = node->mNext) {
        if (node->mDataObject == nullptr) {
            continue;
        }
        writer.instance(static_cast<const CCIMInstance *>(node->mDataObject));
        if (++inSlice == sliceInstances || node->mNext == nullptr) {
            xmlTextWriterFlush(w);
            bytes += xmlBufferLength(buffer);
            xmlBufferEmpty(buffer);
            inSlice = 0;
        }
    }
    xmlTextWriterFlush(w);
    bytes += xmlBufferLength(buffer);
    bool ok = writer.ok();
    xmlFreeTextWriter(w);
    xmlBufferFree(buffer);
    return ok ? bytes : -1;
}
