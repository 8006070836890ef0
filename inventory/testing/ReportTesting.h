// Test support of the report: databases from record text, instance lists as
// text, and the status results a job collected.
#ifndef INVENTORY_TESTING_REPORTTESTING_H
#define INVENTORY_TESTING_REPORTTESTING_H

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/ScratchFiles.h"
#include "tessel/Tessel.h"
#include "wbemkit/cim.h"

namespace ulvar {
namespace testing {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMProperty;

// Frees an instance list when it goes.
struct ListHolder {
    explicit ListHolder(CCIMList *l) : list(l) {}
    ~ListHolder() { nmspc_cim::cim_freeInstanceList(list); }
    ListHolder(const ListHolder &) = delete;
    ListHolder &operator=(const ListHolder &) = delete;
    CCIMList *list;
};

inline std::vector<CCIMInstance *> Instances(const CCIMList *list) {
    std::vector<CCIMInstance *> all;
    for (; list != nullptr; list = list->mNext) {
        if (list->mDataObject != nullptr) {
            all.push_back(static_cast<CCIMInstance *>(list->mDataObject));
        }
    }
    return all;
}

inline std::vector<CCIMProperty *> Properties(const CCIMList *list) {
    std::vector<CCIMProperty *> all;
    for (; list != nullptr; list = list->mNext) {
        if (list->mDataObject != nullptr) {
            all.push_back(static_cast<CCIMProperty *>(list->mDataObject));
        }
    }
    return all;
}

// The value of `name` in `inst`, "(none)" when it has no such property.
inline std::string Value(const CCIMInstance *inst, const std::string &name) {
    for (CCIMProperty *p : Properties(inst->mProperties)) {
        if (name == p->mName) {
            return p->mValue != nullptr ? p->mValue : "";
        }
    }
    return "(none)";
}

// "Class{key=value,...}" of a path's key properties.
inline std::string PathText(const nmspc_cim::CCIMObjectPath *path) {
    std::string text = std::string(path->mName) + "{";
    for (CCIMProperty *p : Properties(path->mKeyProperties)) {
        text += std::string(text.back() == '{' ? "" : ",") + p->mName + "=" + p->mValue;
    }
    return text + "}";
}

// One line per instance (its class), then one per property in order: the
// name, "*" for a key, ":type" unless a string, and the value (a reference as
// the path it holds).
inline std::string Dump(const CCIMList *list) {
    static const char *const kTypes[] = {"uint8",  "sint8",  "uint16", "sint16",
                                         "uint32", "sint32", "uint64", "sint64"};
    std::string text;
    for (CCIMInstance *inst : Instances(list)) {
        text += std::string(inst->mClassName) + "\n";
        for (CCIMProperty *p : Properties(inst->mProperties)) {
            text += std::string("  ") + p->mName + (p->mKeyProperty ? "*" : "");
            if (p->mType == nmspc_cim::CIM_REFERENCE) {
                text += " -> " + (p->mObjPath != nullptr ? PathText(p->mObjPath) : "?") + "\n";
                continue;
            }
            if (p->mType < nmspc_cim::CIM_STRING) {
                text += std::string(":") + kTypes[p->mType];
            } else if (p->mType != nmspc_cim::CIM_STRING) {
                text += ":type" + std::to_string(p->mType);
            }
            text += " = " + std::string(p->mValue != nullptr ? p->mValue : "(null)") + "\n";
        }
    }
    return text;
}

// The elements of a string array value; none for "(none)".
inline std::vector<std::string> Decoded(const std::string &text) {
    if (text == "(none)") {
        return {};
    }
    int count = 0;
    char **values = nmspc_cim::cim_decodeStringArray(text.c_str(), &count);
    std::vector<std::string> out(values, values + count);
    nmspc_cim::cim_freeStringArray(values, count);
    return out;
}

// The results stored under `jobId` as "KEY (argument / description)", failed
// first as the job hands them out; the job is deleted.
inline std::vector<std::string> TakeResults(const std::string &jobId) {
    Tessel *job = Tessel::getInstance(jobId);
    ListHolder results(job->getCIMInstanceList());
    Tessel::deleteInstance(job);
    std::vector<std::string> lines;
    for (CCIMInstance *inst : Instances(results.list)) {
        std::vector<std::string> args = Decoded(Value(inst, "Args"));
        std::vector<std::string> descs = Decoded(Value(inst, "ArgDescriptions"));
        std::string line = Value(inst, "KeyDescription");
        for (std::size_t i = 0; i < args.size(); ++i) {
            line += " (" + args[i] + " / " + (i < descs.size() ? descs[i] : "") + ")";
        }
        lines.push_back(line);
    }
    return lines;
}

// A database read from `records` (a whole database file), or null with a
// test failure.
inline std::unique_ptr<SrmResourceDatabase> LoadDatabase(const std::string &records) {
    auto db = std::make_unique<SrmResourceDatabase>();
    ScopedFd fd(FileWith(records));
    if (fd.get() < 0 || db->deserialize(fd.get(), nullptr) == 0) {
        std::string message;
        db->getLastErrorInfo(nullptr, message, nullptr);
        ADD_FAILURE() << "database not loaded: " << message;
        return nullptr;
    }
    return db;
}

}  // namespace testing
}  // namespace ulvar

#endif
