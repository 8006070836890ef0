// Instance names as a client sends them, and the one form in which a name and
// an instance of the report are compared: by class and keys, class and key
// names ignoring case, keys in any order, a reference by the class and keys
// it names (never by host or namespace: a client names the host it connected
// to, the report the machine that wrote it).
#ifndef SERVER_INSTANCEPATH_H
#define SERVER_INSTANCEPATH_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wbemkit/cim.h"

namespace ulvar_server {

struct InstanceName;

struct KeyBinding {
    std::string name;
    std::string value;                        // a plain value
    std::shared_ptr<InstanceName> reference;  // a reference value; null for a plain one
};

struct InstanceName {
    std::string className;
    std::vector<KeyBinding> keys;
};

// The compared form of a name, of the name of an instance (its key
// properties), and of the instance a reference names. Two names compare equal
// exactly when these texts are equal.
std::string comparedForm(const InstanceName &name);
std::string comparedForm(const nmspc_cim::CCIMInstance *instance);
std::string comparedForm(const nmspc_cim::CCIMObjectPath *path);

// A hash of a compared form.
uint64_t hashOf(const std::string &comparedForm);

}  // namespace ulvar_server

#endif
