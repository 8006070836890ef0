// Instance lists and property lists: the exported faces of list_cell.h.
#include "wbemkit/cim.h"
#include "wbemkit/internal/instance_release.h"
#include "wbemkit/internal/last_error.h"
#include "wbemkit/internal/list_cell.h"

using wbemkit::recordFailure;

namespace {

nmspc_cim::CCIMList *newList() {
    nmspc_cim::CCIMList *list = wbemkit::listCreate(wbemkit::Pool::current());
    if (list == nullptr) {
        recordFailure(CIM_ERR_FAILED, "Out of memory: cannot create a list.");
    }
    return list;
}

}  // namespace

// The exported functions keep the C linkage of their declarations in cim.h.
namespace nmspc_cim {

CCIMList *cim_createInstanceList(void) {
    return newList();
}

CCIMList *cim_createPropertyList(void) {
    return newList();
}

CCIMList *cim_addInstance(CCIMList *list, CCIMInstance *inst) {
    if (list == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Instance list is NULL.");
        return nullptr;
    }
    if (inst == nullptr) {
        recordFailure(CIM_ERR_NO_INSTANCE, "NULL CIMInstance cannot be added to a list.");
        return nullptr;
    }
    CCIMList *result =
        wbemkit::listAppend(wbemkit::Pool::current(), list, inst, wbemkit::NodeCell::kListCell);
    if (result == nullptr) {
        recordFailure(CIM_ERR_FAILED, "Out of memory: cannot add an instance to a list.");
    }
    return result;
}

CCIMList *cim_prependInstance(CCIMList *list, CCIMInstance *inst) {
    if (inst == nullptr) {
        recordFailure(CIM_ERR_NO_INSTANCE, "NULL CIMInstance cannot be added to a list.");
        return nullptr;
    }
    CCIMList *result = wbemkit::listPrepend(wbemkit::Pool::current(), list, inst);
    if (result == nullptr) {
        recordFailure(CIM_ERR_FAILED, "Out of memory: cannot add an instance to a list.");
    }
    return result;
}

CCIMList *cim_addPropertyToPropertyList(CCIMList *list, CCIMProperty *prop) {
    if (list == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Property list is NULL.");
        return nullptr;
    }
    if (prop == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "NULL property cannot be added to a list.");
        return nullptr;
    }
    CCIMList *result =
        wbemkit::listAppend(wbemkit::Pool::current(), list, prop, wbemkit::NodeCell::kShort);
    if (result == nullptr) {
        recordFailure(CIM_ERR_FAILED, "Out of memory: cannot add a property to a list.");
    }
    return result;
}

CCIMList *cim_splitList(CCIMList *list, int count) {
    if (list == nullptr || count < 1) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "A list is cut after one node or more.");
        return nullptr;
    }
    return wbemkit::listSplit(list, count);
}

void cim_freeInstanceList(CCIMList *list) {
    wbemkit::RecordRelease release;
    wbemkit::listFree(release, list, wbemkit::releaseInstance);
}

}  // namespace nmspc_cim
