#include "inventory/report/RM_CIM_Report.h"

#include <new>
#include <utility>

#include "inventory/report/internal/ReportStatus.h"
#include "tessel/log.h"

using nmspc_cim::CCIMException;
using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMProperty;
using nmspc_cim::CIMType;
using rm_report::kLogError;
using rm_report::kModule;

namespace {

constexpr const char *kConversionFailure = "F_REPORT_CONV_FAILURE";

// The value as text, for the natural name and for messages. A reference has
// no text of its own: it is shown by the class of the instance it names.
std::string valueText(const void *value, CIMType type) {
    if (type == nmspc_cim::CIM_REFERENCE) {
        const auto *target = static_cast<const CCIMInstance *>(value);
        return std::string("reference to ") + (target != nullptr && target->mClassName != nullptr
                                                   ? target->mClassName
                                                   : "nothing");
    }
    return value != nullptr ? static_cast<const char *>(value) : "";
}

}  // namespace

RM_CIM_Report::RM_CIM_Report() = default;

RM_CIM_Report::RM_CIM_Report(std::string jobId) : jobId(std::move(jobId)) {}

RM_CIM_Report::~RM_CIM_Report() {
    if (!taken) {
        nmspc_cim::cim_freeInstance(instance);
    }
}

int RM_CIM_Report::Initialize(std::string className, int keyCount, std::string *keyNames) {
    return initialize(className.c_str(), keyCount, keyNames);
}

int RM_CIM_Report::initialize(const char *className, int keyCount, std::string *keyNames) {
    if (className[0] == '\0') {
        prv_log(kLogError, kModule, "Initialize()",
                "Class name for the cim instance is blank. CRITCAL ERROR");
        rm_report::recordResult(jobId, utilities, kConversionFailure, "Blank CIM class name",
                                "Initialize");
        return 0;
    }
    if (keyCount < 0) {
        prv_log(kLogError, kModule, "Initialize()", "There must be 0 or more keys. CRITCAL ERROR");
        rm_report::recordResult(jobId, utilities, kConversionFailure, "Invalid number of keys",
                                "Initialize");
        return 0;
    }
    CCIMInstance *made = nmspc_cim::cim_createInstance(className);
    if (made == nullptr) {
        std::string text = nmspc_cim::cim_getLastError()->mErrorString;
        prv_log(kLogError, kModule, "Initialize()", "%s", text.c_str());
        rm_report::recordResult(jobId, utilities, kConversionFailure, text, "Initialize");
        return 0;
    }
    if (!taken) {
        nmspc_cim::cim_freeInstance(instance);  // a second Initialize starts over
    }
    instance = made;
    taken = false;
    this->keyNames = keyNames;
    this->keyCount = keyNames != nullptr ? keyCount : 0;
    initialized = true;
    return 1;
}

int RM_CIM_Report::SetProperty(std::string name, void *value, CIMType type, bool isKey,
                               bool isNaturalName) {
    return setProperty(name.c_str(), value, type, isKey, isNaturalName);
}

int RM_CIM_Report::setProperty(const char *name, void *value, CIMType type, bool isKey,
                               bool isNaturalName) {
    if (!initialized) {
        prv_log(kLogError, kModule, "SetKey()", "Status is invalid, Initialize() not called.");
        return 0;
    }
    if (instance == nullptr) {
        prv_log(kLogError, kModule, "SetProperty()", "CCIMInstance is NULL.");
        return 0;
    }
    try {
        if (isNaturalName) {
            naturalName = valueText(value, type);
        }
        CCIMException *failure = insertProperty(name, value, type, isKey ? cim_true : cim_false);
        if (failure == nullptr) {
            return 1;
        }
        std::string text = failure->mErrorString != nullptr ? failure->mErrorString : "";
        std::string shown = valueText(value, type);
        prv_log(kLogError, kModule, "SetProperty()", "%s while setting %s with value %s",
                text.c_str(), name, shown.c_str());
        rm_report::recordResult(jobId, utilities, kConversionFailure,
                                text + " while setting " + name + " with value " + shown,
                                "SetProperty");
    } catch (const std::bad_alloc &) {
        prv_log(kLogError, kModule, "SetProperty()", "Out of memory while setting %s", name);
    }
    return 0;
}

CCIMException *RM_CIM_Report::InsertProperty(std::string name, void *value, CIMType type,
                                             nmspc_cim::CIMBool isKey) {
    return insertProperty(name.c_str(), value, type, isKey);
}

CCIMException *RM_CIM_Report::insertProperty(const char *name, void *value, CIMType type,
                                             nmspc_cim::CIMBool isKey) {
    if (instance == nullptr) {
        prv_log(kLogError, kModule, "InsertProperty", "Invalid ciminstance.");
        return nmspc_cim::cim_createException(CIM_ERR_NO_INSTANCE,
                                              "NULL CIMInstance member object.", "InsertProperty");
    }
    CCIMProperty *property = nullptr;
    if (type == nmspc_cim::CIM_REFERENCE) {
        // The property with the path of the referenced instance, made in one
        // step: no path is made and copied only to be freed.
        property =
            nmspc_cim::cim_createReferenceProperty(name, static_cast<CCIMInstance *>(value), isKey);
        if (property == nullptr) {
            prv_log(kLogError, kModule, "InsertProperty", "Unable to create object path");
            return nmspc_cim::cim_getLastError();
        }
    } else {
        property = nmspc_cim::cim_createProperty(name, type, static_cast<const char *>(value),
                                                 nullptr, isKey);
    }
    if (property == nullptr) {
        return nmspc_cim::cim_getLastError();
    }
    if (nmspc_cim::cim_addProperty(instance, property) == cim_false) {
        prv_log(kLogError, kModule, "InsertProperty", "Add property to instance failed.");
        nmspc_cim::cim_freeProperty(property);  // still ours: the instance refused it
        return nmspc_cim::cim_getLastError();
    }
    return nullptr;
}

int RM_CIM_Report::VerifyKeys() {
    return 1;
}

CCIMInstance *RM_CIM_Report::GetCIMInstance() {
    if (instance == nullptr) {
        prv_log(kLogError, kModule, "GetInstance()", "CIMInstance is NULL. CRITICAL ERROR");
        rm_report::recordResult(jobId, utilities, "F_NULL_POINTER", "CIMInstance", "Pointer");
        return nullptr;
    }
    if (VerifyKeys() == 0) {
        prv_log(kLogError, kModule, "GetInstance()", "All keys were not populated. CRITICAL ERROR");
        return nullptr;
    }
    taken = true;
    return instance;
}
