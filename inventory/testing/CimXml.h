// Helpers for the CIM-XML writer tests: owned buffers and CIM objects, the
// host name the writer will use, and validation against the DMTF DTD.
#ifndef INVENTORY_TESTING_CIMXML_H
#define INVENTORY_TESTING_CIMXML_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "wbemkit/cim.h"

namespace ulvar {
namespace testing {

using namespace nmspc_cim;

struct BufferDeleter {
    void operator()(sbuf *b) const { sbufDestroy(b); }
};
using Buffer = std::unique_ptr<sbuf, BufferDeleter>;

inline Buffer newBuffer() {
    return Buffer(sbufCreate(64));
}

inline std::string text(const sbuf *b) {
    return std::string(sbufGetString(b), sbufGetSize(b));
}

struct InstanceDeleter {
    void operator()(CCIMInstance *i) const { cim_freeInstance(i); }
};
struct ListDeleter {
    void operator()(CCIMList *l) const { cim_freeInstanceList(l); }
};
struct PathDeleter {
    void operator()(CCIMObjectPath *p) const { cim_freeObjectPath(p); }
};
struct PropertyDeleter {
    void operator()(CCIMProperty *p) const { cim_freeProperty(p); }
};
using Instance = std::unique_ptr<CCIMInstance, InstanceDeleter>;
using InstanceList = std::unique_ptr<CCIMList, ListDeleter>;
using Path = std::unique_ptr<CCIMObjectPath, PathDeleter>;
using Property = std::unique_ptr<CCIMProperty, PropertyDeleter>;

// A new property; the caller owns it until it is added to an instance.
inline CCIMProperty *prop(const char *name, CIMType type, const char *value, bool key = false,
                          CCIMObjectPath *path = nullptr) {
    return cim_createProperty(name, type, value, path, key ? cim_true : cim_false);
}

// A new instance owning `properties`.
inline CCIMInstance *instance(const char *className,
                              std::initializer_list<CCIMProperty *> properties) {
    CCIMInstance *result = cim_createInstance(className, "cimxml_test");
    for (CCIMProperty *p : properties) {
        cim_addProperty(result, p);
    }
    return result;
}

// A list owning `instances`.
inline InstanceList instanceList(std::initializer_list<CCIMInstance *> instances) {
    CCIMList *list = cim_createInstanceList();
    for (CCIMInstance *i : instances) {
        list = cim_addInstance(list, i);
    }
    return InstanceList(list);
}

// A path naming an instance of `className` with the given key properties
// (the properties are consumed), in `nameSpace`.
inline Path pathTo(const char *className, const char *nameSpace,
                   std::initializer_list<CCIMProperty *> keys) {
    Instance named(instance(className, keys));
    CCIMObjectPath *path = cim_createObjectPath(named.get());
    // The library's own text needs nothing; ours is freed with the path.
    path->mNameSpace = nameSpace ? strdup(nameSpace) : nullptr;
    return Path(path);
}

inline std::string hostName() {
    char name[257] = {};
    gethostname(name, 256);
    return name;
}

// The placeholder that stands for this machine's host name in checked-in
// documents: references carry the name of the machine that wrote them.
constexpr const char kHostPlaceholder[] = "<HOST>@HOST@</HOST>";

// `document` with every placeholder replaced by this machine's host element.
inline std::string withThisHost(std::string document) {
    const std::string host = "<HOST>" + hostName() + "</HOST>";
    const std::string placeholder = kHostPlaceholder;
    for (std::size_t at = document.find(placeholder); at != std::string::npos;
         at = document.find(placeholder, at + host.size())) {
        document.replace(at, placeholder.size(), host);
    }
    return document;
}

// `instances` (VALUE.OBJECT elements, as marshallInstanceList writes them) in
// the frame of an ExecQuery response, so that the DTD can judge them.
inline std::string inExecQueryFrame(const std::string &instances) {
    Buffer frame(sbufCreate(64));
    InstanceList none(cim_createInstanceList());
    if (marshallExecQueryResults(frame.get(), none.get(), "1") != 0) {
        return "";
    }
    std::string text = sbufGetString(frame.get());
    const std::string open = "<IRETURNVALUE>\r\n";
    std::size_t at = text.find(open);
    return at == std::string::npos ? "" : text.insert(at + open.size(), instances);
}

inline std::string crlf(std::initializer_list<std::string> lines) {
    std::string joined;
    for (const std::string &line : lines) {
        joined += line + "\r\n";
    }
    return joined;
}

// The DTD beside the source tree, or "" when that folder is absent.
inline std::string dtdPath() {
    std::string path = std::string(ULVAR_SOURCE_DIR) + "/../shared/cim-dtd/DSP0203_2.2.0.dtd";
    return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

// Validates `document` with xmllint against the DTD. Returns "" when it is
// valid, otherwise xmllint's complaint.
inline std::string dtdProblems(const std::string &document) {
    char name[] = "/tmp/cimxml-doc-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        return "cannot make a temporary file";
    }
    close(fd);
    std::ofstream(name, std::ios::binary) << document;
    std::string command = "xmllint --noout --dtdvalid '" + dtdPath() + "' " + name + " 2>&1";
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        unlink(name);
        return "cannot run xmllint";
    }
    char chunk[512];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        output.append(chunk, got);
    }
    int status = pclose(pipe);
    unlink(name);
    if (status != 0 && output.empty()) {
        output = "xmllint failed with status " + std::to_string(status);
    }
    return status == 0 ? std::string() : output;
}

}  // namespace testing
}  // namespace ulvar

#define SKIP_WITHOUT_DTD()                                                             \
    do {                                                                               \
        if (ulvar::testing::dtdPath().empty()) {                                       \
            GTEST_SKIP() << "no DMTF DTD beside the source tree (../shared/cim-dtd)";  \
        }                                                                              \
        if (system("xmllint --version >/dev/null 2>&1") != 0) {                        \
            GTEST_SKIP() << "xmllint is not installed (Debian package libxml2-utils)"; \
        }                                                                              \
    } while (0)

#endif
