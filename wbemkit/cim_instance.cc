// Instances, properties and object paths: creation, deep copies and release.
//
// Records and their texts come from the block pool (internal/block_pool.h):
// a text is the record's block's own or a malloc'd copy, and a caller may put
// a malloc'd text of its own in a record's place, which is released with
// free() like a long text of the library's.
#include <cstring>
#include <new>

#include "wbemkit/cim.h"
#include "wbemkit/internal/block_pool.h"
#include "wbemkit/internal/instance_release.h"
#include "wbemkit/internal/last_error.h"
#include "wbemkit/internal/list_cell.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMObjectPath;
using nmspc_cim::CCIMProperty;
using nmspc_cim::CIMType;
using wbemkit::Pool;
using wbemkit::recordFailure;
using wbemkit::RecordRelease;

namespace {

constexpr const char *kDefaultNameSpace = "root/cimv2";
constexpr const char *kNoMemory = "Out of memory: cannot make a CIM object.";

template <typename Record>
Record *newEmpty(Pool &pool) {
    void *memory = pool.newRecord(sizeof(Record));
    return memory != nullptr ? new (memory) Record{} : nullptr;
}

// The deep copies below return null with no failure recorded when memory is
// exhausted; the exported function that started the copy records it once.
CCIMProperty *copyProperty(Pool &pool, const CCIMProperty *prop);

CCIMList *copyPropertyList(Pool &pool, const CCIMList *list) {
    CCIMList *copy = wbemkit::listCreate(pool);
    for (const CCIMList *node = list; copy != nullptr && node != nullptr; node = node->mNext) {
        if (node->mDataObject == nullptr) {
            continue;
        }
        CCIMProperty *prop =
            copyProperty(pool, static_cast<const CCIMProperty *>(node->mDataObject));
        if (prop == nullptr ||
            wbemkit::listAppend(pool, copy, prop, wbemkit::NodeCell::kShort) == nullptr) {
            nmspc_cim::cim_freeProperty(prop);
            nmspc_cim::cim_freePropertyList(copy);
            return nullptr;
        }
    }
    return copy;
}

CCIMObjectPath *copyPath(Pool &pool, const CCIMObjectPath *path) {
    auto *copy = newEmpty<CCIMObjectPath>(pool);
    if (copy == nullptr) {
        return nullptr;
    }
    bool ok = true;
    copy->mName = pool.textFor(copy, path->mName, ok);
    copy->mNameSpace = pool.textFor(copy, path->mNameSpace, ok);
    if (ok && path->mKeyProperties != nullptr) {
        copy->mKeyProperties = copyPropertyList(pool, path->mKeyProperties);
        ok = copy->mKeyProperties != nullptr;
    }
    if (!ok) {
        nmspc_cim::cim_freeObjectPath(copy);
        return nullptr;
    }
    return copy;
}

CCIMInstance *copyInstance(Pool &pool, const CCIMInstance *inst) {
    auto *copy = newEmpty<CCIMInstance>(pool);
    if (copy == nullptr) {
        return nullptr;
    }
    bool ok = true;
    copy->mClassName = pool.textFor(copy, inst->mClassName, ok);
    if (ok && inst->mProperties != nullptr) {
        copy->mProperties = copyPropertyList(pool, inst->mProperties);
        ok = copy->mProperties != nullptr;
    }
    if (!ok) {
        nmspc_cim::cim_freeInstance(copy);
        return nullptr;
    }
    return copy;
}

CCIMProperty *copyProperty(Pool &pool, const CCIMProperty *prop) {
    auto *copy = newEmpty<CCIMProperty>(pool);
    if (copy == nullptr) {
        return nullptr;
    }
    bool ok = true;
    copy->mName = pool.textFor(copy, prop->mName, ok);
    copy->mType = prop->mType;
    copy->mValue = pool.textFor(copy, prop->mValue, ok);
    copy->mKeyProperty = prop->mKeyProperty;
    if (ok && prop->mObjPath != nullptr) {
        copy->mObjPath = copyPath(pool, prop->mObjPath);
        ok = copy->mObjPath != nullptr;
    }
    if (ok && prop->mInstance != nullptr) {
        copy->mInstance = copyInstance(pool, prop->mInstance);
        ok = copy->mInstance != nullptr;
    }
    if (!ok) {
        nmspc_cim::cim_freeProperty(copy);
        return nullptr;
    }
    return copy;
}

bool isCimType(CIMType type) {
    return static_cast<int>(type) >= nmspc_cim::CIM_UINT8 &&
           static_cast<int>(type) <= nmspc_cim::CIM_INSTANCE;
}

// True when `inst` can be named by a path; else records why not.
bool canName(const CCIMInstance *inst) {
    if (inst == nullptr) {
        recordFailure(CIM_ERR_NO_INSTANCE, "NULL CIMInstance has no object path.");
        return false;
    }
    if (inst->mClassName == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "CIM instance without a class name has no path.");
        return false;
    }
    return true;
}

// A new path naming `inst` (which canName accepts): its class, copies of its
// key properties in order, the default namespace. Null when memory is
// exhausted, with no failure recorded.
CCIMObjectPath *pathOf(Pool &pool, const CCIMInstance *inst) {
    auto *path = newEmpty<CCIMObjectPath>(pool);
    bool ok = path != nullptr;
    if (ok) {
        path->mName = pool.textFor(path, inst->mClassName, ok);
        path->mNameSpace = pool.textFor(path, kDefaultNameSpace, ok);
        path->mKeyProperties = wbemkit::listCreate(pool);
        ok = ok && path->mKeyProperties != nullptr;
    }
    for (CCIMList *node = ok ? inst->mProperties : nullptr; node != nullptr; node = node->mNext) {
        auto *prop = static_cast<CCIMProperty *>(node->mDataObject);
        if (prop == nullptr || prop->mKeyProperty == cim_false) {
            continue;
        }
        CCIMProperty *key = copyProperty(pool, prop);
        if (key == nullptr || wbemkit::listAppend(pool, path->mKeyProperties, key,
                                                  wbemkit::NodeCell::kShort) == nullptr) {
            nmspc_cim::cim_freeProperty(key);
            ok = false;
            break;
        }
    }
    if (!ok) {
        nmspc_cim::cim_freeObjectPath(path);
        return nullptr;
    }
    return path;
}

// Release, record by record, through one RecordRelease for a whole tree.
void releaseProperty(RecordRelease &release, void *element);

void releasePropertyList(RecordRelease &release, CCIMList *list) {
    wbemkit::listFree(release, list, releaseProperty);
}

void releasePath(RecordRelease &release, CCIMObjectPath *path) {
    if (path == nullptr) {
        return;
    }
    Pool::releaseText(path, path->mName);
    Pool::releaseText(path, path->mNameSpace);
    releasePropertyList(release, path->mKeyProperties);
    release.free(path, sizeof *path);
}

}  // namespace

namespace wbemkit {

void releaseInstance(RecordRelease &release, void *element) {
    auto *inst = static_cast<CCIMInstance *>(element);
    if (inst == nullptr) {
        return;
    }
    Pool::releaseText(inst, inst->mClassName);
    releasePropertyList(release, inst->mProperties);
    release.free(inst, sizeof *inst);
}

}  // namespace wbemkit

namespace {

void releaseProperty(RecordRelease &release, void *element) {
    auto *prop = static_cast<CCIMProperty *>(element);
    if (prop == nullptr) {
        return;
    }
    Pool::releaseText(prop, prop->mName);
    Pool::releaseText(prop, prop->mValue);
    releasePath(release, prop->mObjPath);
    wbemkit::releaseInstance(release, prop->mInstance);
    release.free(prop, sizeof *prop);
}

}  // namespace

// The exported functions keep the C linkage of their declarations in cim.h.
namespace nmspc_cim {

CCIMInstance *cim_createInstance(const char *className, const char *component) {
    (void)component;  // diagnostics only; the record has no place for it
    if (className == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Class name of a CIM instance is NULL.");
        return nullptr;
    }
    Pool &pool = Pool::current();
    auto *inst = newEmpty<CCIMInstance>(pool);
    bool ok = inst != nullptr;
    if (ok) {
        inst->mClassName = pool.textFor(inst, className, ok);
        inst->mProperties = wbemkit::listCreate(pool);
        ok = ok && inst->mProperties != nullptr;
    }
    if (!ok) {
        cim_freeInstance(inst);
        recordFailure(CIM_ERR_FAILED, kNoMemory);
        return nullptr;
    }
    return inst;
}

CCIMProperty *cim_createProperty(const char *name, CIMType type, const char *value,
                                 CCIMObjectPath *path, CIMBool isKey) {
    if (name == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Name of a CIM property is NULL.");
        return nullptr;
    }
    if (!isCimType(type)) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Type of a CIM property is not a CIM type.");
        return nullptr;
    }
    Pool &pool = Pool::current();
    auto *prop = newEmpty<CCIMProperty>(pool);
    bool ok = prop != nullptr;
    if (ok) {
        prop->mName = pool.textFor(prop, name, ok);
        prop->mType = type;
        prop->mValue = pool.textFor(prop, value, ok);
        prop->mKeyProperty = isKey != cim_false ? cim_true : cim_false;
        if (ok && path != nullptr) {
            prop->mObjPath = copyPath(pool, path);
            ok = prop->mObjPath != nullptr;
        }
    }
    if (!ok) {
        cim_freeProperty(prop);
        recordFailure(CIM_ERR_FAILED, kNoMemory);
        return nullptr;
    }
    return prop;
}

CIMBool cim_addProperty(CCIMInstance *inst, CCIMProperty *prop) {
    if (inst == nullptr) {
        recordFailure(CIM_ERR_NO_INSTANCE, "NULL CIMInstance cannot take a property.");
        return cim_false;
    }
    if (prop == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "NULL property cannot be added to an instance.");
        return cim_false;
    }
    Pool &pool = Pool::current();
    if (inst->mProperties == nullptr) {
        inst->mProperties = wbemkit::listCreate(pool);
    }
    if (inst->mProperties == nullptr ||
        wbemkit::listAppend(pool, inst->mProperties, prop, wbemkit::NodeCell::kShort) == nullptr) {
        recordFailure(CIM_ERR_FAILED, "Out of memory: cannot add a property to an instance.");
        return cim_false;
    }
    return cim_true;
}

CCIMObjectPath *cim_createObjectPath(CCIMInstance *inst) {
    if (!canName(inst)) {
        return nullptr;
    }
    CCIMObjectPath *path = pathOf(Pool::current(), inst);
    if (path == nullptr) {
        recordFailure(CIM_ERR_FAILED, kNoMemory);
    }
    return path;
}

CCIMProperty *cim_createReferenceProperty(const char *name, CCIMInstance *target, CIMBool isKey) {
    if (name == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Name of a CIM property is NULL.");
        return nullptr;
    }
    if (!canName(target)) {
        return nullptr;
    }
    Pool &pool = Pool::current();
    auto *prop = newEmpty<CCIMProperty>(pool);
    bool ok = prop != nullptr;
    if (ok) {
        prop->mName = pool.textFor(prop, name, ok);
        prop->mType = nmspc_cim::CIM_REFERENCE;
        prop->mKeyProperty = isKey != cim_false ? cim_true : cim_false;
        if (ok) {
            prop->mObjPath = pathOf(pool, target);
            ok = prop->mObjPath != nullptr;
        }
    }
    if (!ok) {
        cim_freeProperty(prop);
        recordFailure(CIM_ERR_FAILED, kNoMemory);
        return nullptr;
    }
    return prop;
}

CCIMProperty *cim_copyProperty(const CCIMProperty *prop) {
    if (prop == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "NULL property cannot be copied.");
        return nullptr;
    }
    CCIMProperty *copy = copyProperty(Pool::current(), prop);
    if (copy == nullptr) {
        recordFailure(CIM_ERR_FAILED, kNoMemory);
    }
    return copy;
}

CIMBool cim_setPropertyValue(CCIMProperty *prop, const char *value) {
    if (prop == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "NULL property cannot take a value.");
        return cim_false;
    }
    bool ok = true;
    char *text = Pool::current().textFor(prop, value, ok);
    if (!ok) {
        recordFailure(CIM_ERR_FAILED, kNoMemory);
        return cim_false;
    }
    Pool::releaseText(prop, prop->mValue);
    prop->mValue = text;
    return cim_true;
}

void cim_freeInstance(CCIMInstance *inst) {
    RecordRelease release;
    wbemkit::releaseInstance(release, inst);
}

void cim_freeProperty(CCIMProperty *prop) {
    RecordRelease release;
    releaseProperty(release, prop);
}

void cim_freeObjectPath(CCIMObjectPath *path) {
    RecordRelease release;
    releasePath(release, path);
}

void cim_freePropertyList(CCIMList *list) {
    RecordRelease release;
    releasePropertyList(release, list);
}

}  // namespace nmspc_cim
