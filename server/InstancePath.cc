#include "server/InstancePath.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace ulvar_server {

namespace {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;

std::string lowered(const char *text) {
    std::string out = text != nullptr ? text : "";
    for (char &c : out) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Every piece of the form has its length in front, so that no text can pass
// for another piece whatever bytes it holds.
std::string counted(const std::string &text) {
    return std::to_string(text.size()) + ":" + text;
}

// One key: its lower-case name, and its plain value or the form of the
// reference it holds.
using Key = std::pair<std::string, std::string>;

Key plainKey(const char *name, const std::string &value) {
    return {counted(lowered(name)), "=" + counted(value)};
}

Key referenceKey(const char *name, const std::string &form) {
    return {counted(lowered(name)), ">" + counted(form)};
}

std::string joined(const char *className, std::vector<Key> keys) {
    std::sort(keys.begin(), keys.end());
    std::string out = counted(lowered(className));
    for (const Key &key : keys) {
        out += key.first + key.second;
    }
    return out;
}

// The keys of a property list: instance properties flagged as keys, or every
// property of a path's key list.
std::vector<Key> keysOf(const CCIMList *properties, bool keysOnly) {
    std::vector<Key> keys;
    for (const CCIMList *node = properties; node != nullptr; node = node->mNext) {
        auto *p = static_cast<const CCIMProperty *>(node->mDataObject);
        if (p == nullptr || (keysOnly && !p->mKeyProperty)) {
            continue;
        }
        if (p->mType == nmspc_cim::CIM_REFERENCE) {
            keys.push_back(referenceKey(p->mName, comparedForm(p->mObjPath)));
        } else {
            keys.push_back(plainKey(p->mName, p->mValue != nullptr ? p->mValue : ""));
        }
    }
    return keys;
}

}  // namespace

std::string comparedForm(const InstanceName &name) {
    std::vector<Key> keys;
    for (const KeyBinding &key : name.keys) {
        keys.push_back(key.reference ? referenceKey(key.name.c_str(), comparedForm(*key.reference))
                                     : plainKey(key.name.c_str(), key.value));
    }
    return joined(name.className.c_str(), std::move(keys));
}

std::string comparedForm(const CCIMInstance *instance) {
    return joined(instance->mClassName, keysOf(instance->mProperties, true));
}

std::string comparedForm(const CCIMObjectPath *path) {
    if (path == nullptr) {
        return "";
    }
    return joined(path->mName, keysOf(path->mKeyProperties, false));
}

uint64_t hashOf(const std::string &form) {
    // 64-bit FNV-1a.
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : form) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

}  // namespace ulvar_server
