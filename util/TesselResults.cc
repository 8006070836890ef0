// Status results of a job: storing them, converting them into CIM instances,
// and the job's named configurations.
#include <new>

#include "tessel/Tessel.h"
#include "tessel/log.h"

using nmspc_cim::_CCIMInstance;
using nmspc_cim::_CCIMList;
using nmspc_cim::_CCIMProperty;
using nmspc_cim::CIMBool;
using nmspc_cim::CIMType;

namespace {

// Severity groups in the order they are converted. Every converted instance
// goes to the front of the list, so the finished list reads in the reverse
// order: "failed" first.
const char *const kConversionOrder[] = {"unknown", "success", "information", "warning", "failed"};

const char *const kInvalidResult = "F_INVALID_RESULT";

void logUnexpected(const char *function) {
    prv_log(TESSEL_LOG_ERR, getAgentType(), function, "Unexpected Exception thrown.");
}

}  // namespace

int Tessel::storeResult(Result *r) {
    const char *const fn = "TESSEL::storeResult";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting storeResult");
    if (r == nullptr) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Result object is NULL -- bad argument");
        return TESSEL_ERR_BAD_ARGUMENT;
    }
    // Producers hand the result over and never look at it again, so a result
    // that cannot be filed is deleted here rather than leaked.
    try {
        printResultArrays(r);
        results[r->getSeverity()].push_back(r);
    } catch (const std::bad_alloc &) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Failed to add pair to map");
        delete r;
        return TESSEL_ERR_MAP_INSERT;
    } catch (...) {
        logUnexpected(fn);
        delete r;
        return TESSEL_ERR_MAP_INSERT;
    }
    return 0;
}

int Tessel::addPropertyToCIMInstance(_CCIMInstance **inst, std::string name, CIMType type,
                                     std::string value, CIMBool isKey) {
    const char *const fn = "TESSEL::addPropertyToCIMInstance";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting addPropertyToCIMInstance");
        if (inst == nullptr || *inst == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                    "Failed to add CIM property to CIM instance.");
            return TESSEL_ERR_CIM_OBJECT;
        }
        _CCIMProperty *p =
            nmspc_cim::cim_createProperty(name.c_str(), type, value.c_str(), nullptr, isKey);
        if (p == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                    "No memory available to instantiate a CIM Property");
            return TESSEL_ERR_CIM_OBJECT;
        }
        if (!nmspc_cim::cim_addProperty(*inst, p)) {
            nmspc_cim::cim_freeProperty(p);
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                    "Failed to add CIM property to CIM instance.");
            return TESSEL_ERR_CIM_OBJECT;
        }
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}

int Tessel::makeCIMInstance(Result *r, _CCIMInstance **out) {
    const char *const fn = "TESSEL::makeCIMInstance";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting makeCIMInstance");
        if (r == nullptr || out == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Result object is NULL -- bad argument");
            return TESSEL_ERR_BAD_ARGUMENT;
        }
        *out = nmspc_cim::cim_createInstance(TESSEL_RESULT_CLASS, getAgentType());
        if (*out == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Failed to create a CIM instance.");
            return TESSEL_ERR_CIM_OBJECT;
        }

        std::string bundle = r->getBundle();
        if (bundle.empty()) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Unspecified bundle -- invalid result.");
            bundle = kInvalidResult;
        }
        addPropertyToCIMInstance(out, "BundleName", nmspc_cim::CIM_STRING, bundle, cim_true);

        std::string key = r->getKey();
        if (key.empty()) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Unspecified key -- invalid result.");
            key = kInvalidResult;
        }
        addPropertyToCIMInstance(out, "KeyDescription", nmspc_cim::CIM_STRING, key, cim_true);

        std::string severity = r->getSeverity();
        if (!severity.empty()) {
            addPropertyToCIMInstance(out, "OtherSeverity", nmspc_cim::CIM_STRING, severity,
                                     cim_false);
        }

        long created = r->getCreationTimeInSec();
        if (created != 0) {
            const char *date = nmspc_cim::cim_getDateStr(created);
            if (date != nullptr) {
                addPropertyToCIMInstance(out, "ResultCreationTime", nmspc_cim::CIM_DATETIME, date,
                                         cim_false);
            }
        }

        // Slots fill from index 0 upwards, so the first n slots are the n
        // stored arguments.
        char **args = r->getArguments();
        int argCount = r->getArgumentCount(args);
        if (argCount > 0) {
            const char *encoded = nmspc_cim::cim_encodeStringArray(args, argCount);
            if (encoded != nullptr) {
                addPropertyToCIMInstance(out, "Args", nmspc_cim::CIM_STRING_ARRAY, encoded,
                                         cim_false);
            }
        }
        char **descs = r->getArgDescriptors();
        int descCount = r->getArgumentCount(descs);
        if (descCount > 0) {
            const char *encoded = nmspc_cim::cim_encodeStringArray(descs, descCount);
            if (encoded != nullptr) {
                addPropertyToCIMInstance(out, "ArgDescriptions", nmspc_cim::CIM_STRING_ARRAY,
                                         encoded, cim_false);
            }
        }
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}

int Tessel::addToCIMInstanceList(_CCIMInstance *inst) {
    const char *const fn = "TESSEL::addToCIMInstanceList(CCIMInstance*)";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting addToCIMInstanceList(CCIMInstance*)");
    if (inst == nullptr) {
        return 0;
    }
    // The held list is gone once handed out; a new one keeps the instance
    // instead of dropping it while reporting success.
    if (instanceList == nullptr) {
        instanceList = nmspc_cim::cim_createInstanceList();
    }
    _CCIMList *list =
        instanceList != nullptr ? nmspc_cim::cim_addInstance(instanceList, inst) : nullptr;
    if (list == nullptr) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                "Failed to add CIM instance to the CIM instance list.");
        return TESSEL_ERR_CIM_OBJECT;
    }
    instanceList = list;
    return 0;
}

void Tessel::convertStoredResults() {
    const char *const fn = "TESSEL::getCIMInstanceList";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting getCIMInstanceList");
    if (results.empty()) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                "No Result instances to convert to\t\t\t\t\t\t\tCIM instances.");
        return;
    }
    for (const char *severity : kConversionOrder) {
        ResultMap::iterator group = results.find(severity);
        if (group == results.end()) {
            continue;
        }
        std::vector<Result *> &stored = group->second;
        for (std::vector<Result *>::reverse_iterator it = stored.rbegin(); it != stored.rend();
             ++it) {
            _CCIMInstance *instance = nullptr;
            if (makeCIMInstance(*it, &instance) != 0 || instance == nullptr) {
                prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Failed to create a CIM instance.");
                continue;
            }
            // On failure the list passed in is unchanged and still ours.
            _CCIMList *list = nmspc_cim::cim_prependInstance(instanceList, instance);
            if (list == nullptr) {
                nmspc_cim::cim_freeInstance(instance);
                prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                        "Failed to create a CIM instance list.");
                continue;
            }
            instanceList = list;
        }
        for (Result *r : stored) {
            delete r;
        }
        results.erase(group);
    }
}

_CCIMList *Tessel::getCIMInstanceList() {
    convertStoredResults();
    // The receiver owns the list from here on; holding on to it would let a
    // later conversion put new instances in front of a list already freed.
    _CCIMList *list = instanceList;
    instanceList = nullptr;
    return list;
}

_CCIMList *Tessel::getCIMInstanceList(int instanceLimit) {
    const char *const fn = "TESSEL::getCIMInstanceList -- takes instanceLimit value";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting getCIMInstanceList");
    convertStoredResults();
    _CCIMList *list = instanceList;
    if (list == nullptr) {
        return nullptr;
    }
    if (list->mDataObject == nullptr) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "No CIM instances to report.");
        return nullptr;
    }
    // One fewer than the limit: callers have always received limit - 1.
    // Both parts must stay lists that appends work on: the rest is appended
    // to by addToCIMInstanceList, and the receiver may append to its part.
    int keep = instanceLimit >= 2 ? instanceLimit - 1 : 1;
    instanceList = nmspc_cim::cim_splitList(list, keep);
    return list;
}

int Tessel::storeConfig(std::string name, _CCIMList *properties) {
    const char *const fn = "TESSEL::storeConfig";
    _CCIMList *copy = nullptr;
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting storeConfig");
        if (name.empty() || properties == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "NULL pointer -- bad argument(s)");
            return TESSEL_ERR_BAD_ARGUMENT;
        }
        copy = nmspc_cim::cim_createPropertyList();
        if (copy == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Failed to create property list.");
            return TESSEL_ERR_CIM_OBJECT;
        }
        for (_CCIMList *node = properties; node != nullptr; node = node->mNext) {
            // An empty list is one node without an element: nothing to copy.
            if (node->mDataObject == nullptr) {
                continue;
            }
            _CCIMProperty *element =
                nmspc_cim::cim_copyProperty(static_cast<_CCIMProperty *>(node->mDataObject));
            if (element == nullptr) {
                prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Failed to copy property.");
                nmspc_cim::cim_freePropertyList(copy);
                return TESSEL_ERR_CIM_OBJECT;
            }
            _CCIMList *grown = nmspc_cim::cim_addPropertyToPropertyList(copy, element);
            if (grown == nullptr) {
                prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                        "Failed to add property to property list.");
                nmspc_cim::cim_freeProperty(element);
                nmspc_cim::cim_freePropertyList(copy);
                return TESSEL_ERR_CIM_OBJECT;
            }
            copy = grown;
        }
        // A multimap keeps equal names in insertion order.
        configurations.insert(ConfigMap::value_type(name, copy));
    } catch (...) {
        logUnexpected(fn);
        nmspc_cim::cim_freePropertyList(copy);
        return TESSEL_ERR_MAP_INSERT;
    }
    return 0;
}

int Tessel::retrieveConfig(std::string name, std::vector<_CCIMList *> &out) {
    const char *const fn = "TESSEL::retrieveConfig";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting retrieveConfig");
        if (name.empty()) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                    "Configuration Name is NULL -- bad argument.");
            return TESSEL_ERR_BAD_ARGUMENT;
        }
        std::pair<ConfigMap::iterator, ConfigMap::iterator> range =
            configurations.equal_range(name);
        if (range.first == range.second) {
            prv_log(TESSEL_LOG_INFO, getAgentType(), fn, "No configuration is found for %s",
                    name.c_str());
            return TESSEL_ERR_NOT_FOUND;
        }
        for (ConfigMap::iterator it = range.first; it != range.second; ++it) {
            out.push_back(it->second);
        }
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}
