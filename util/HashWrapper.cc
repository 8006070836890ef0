#include "tessel/HashWrapper.h"

#include "tessel/Tessel.h"
#include "tessel/log.h"
#include "util/internal/TesselClock.h"

VstTable *HashWrapper::m_hashTable = nullptr;

namespace {

const int kBuckets = 10;

void logUnexpected(const char *function) {
    prv_log(TESSEL_LOG_ERR, getAgentType(), function, "Unexpected Exception thrown.");
}

}  // namespace

extern "C" void FreeMemory(const char * /*key*/, void *value) {
    const char *const fn = "HASHWRAPPER::FreeMemory";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting FreeMemory");
        if (value == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                    "Tessel object pointer is NULL -- bad argument.");
            return;
        }
        Tessel::deleteInstance(static_cast<Tessel *>(value));
    } catch (...) {
        logUnexpected(fn);
    }
}

HashWrapper::HashWrapper() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "HashWrapper constructor",
            "Starting HashWrapper constructor");
    Initialize();
}

HashWrapper::~HashWrapper() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "HashWrapper destructor",
            "Starting HashWrapper destructor");
    CleanUp();
    // Without this the registry would keep a dangling wrapper and the next
    // getInstance would call through it.
    if (Tessel::m_pHashObj == this) {
        Tessel::m_pHashObj = nullptr;
    }
}

int HashWrapper::Initialize() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "HASHWRAPPER::Initialize", "Starting Initialize");
    if (m_hashTable != nullptr) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), "HASHWRAPPER::Initialize",
                "Hash table already initialized before\t\t\t\t\t\t\tHashWrapper construction");
        return 0;
    }
    m_hashTable = vst_hashCreate(kBuckets);
    return 0;
}

int HashWrapper::CleanUp() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "HASHWRAPPER::CleanUp", "Starting CleanUp");
    if (m_hashTable == nullptr) {
        return 0;
    }
    // Each job object's destructor removes its own entry from the registry's
    // table. Detaching the table first makes that removal find no table, so
    // the destroy pass alone walks and frees the entries it releases.
    VstTable *table = m_hashTable;
    m_hashTable = nullptr;
    vst_hashDestroy(table, FreeMemory);
    return 0;
}

int HashWrapper::addHashEntry(const std::string key, void *value) {
    const char *const fn = "HASHWRAPPER::addHashEntry";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting addHashEntry");
        if (m_hashTable == nullptr) {
            return 0;
        }
        if (vst_hashAdd(m_hashTable, key.c_str(), value) != nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Data overwritten for key = %s",
                    key.c_str());
        }
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}

int HashWrapper::getFromHash(const std::string key, void **value) {
    const char *const fn = "HASHWRAPPER::getFromHash";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting getFromHash");
        if (m_hashTable == nullptr || value == nullptr) {
            return 0;
        }
        *value = vst_hashGet(m_hashTable, key.c_str());
        if (*value == nullptr) {
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                    "Did not find hash table entry for key = %s", key.c_str());
            return TESSEL_ERR_NOT_FOUND;
        }
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Found hash table entry for key = %s",
                key.c_str());
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}

int HashWrapper::destroyHashEntry(const std::string key) {
    const char *const fn = "HASHWRAPPER::destroyHashEntry";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting destroyHashEntry");
        if (m_hashTable == nullptr) {
            return 0;
        }
        if (vst_hashGet(m_hashTable, key.c_str()) == nullptr) {
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                    "Key not found:  Hash table clean-up not needed for key = %s", key.c_str());
            return TESSEL_ERR_KEY_ABSENT;
        }
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                "Deleting memory in hash table assoc. with key = %s", key.c_str());
        if (vst_hashRemove(m_hashTable, key.c_str()) == nullptr) {
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                    "Unable to deallocate memory in hash table for key = %s", key.c_str());
            return TESSEL_ERR_REMOVE_NO_VALUE;
        }
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}

int HashWrapper::enumerateHash(void (*visit)(const char *key, void *value)) {
    const char *const fn = "HASHWRAPPER::enumerateHash";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting enumerateHash");
        if (m_hashTable != nullptr) {
            vst_hashEnumerate(m_hashTable, visit);
        }
    } catch (...) {
        logUnexpected(fn);
    }
    return 0;
}

void HashWrapper::CheckForCruft(const char *key, void *value) {
    const char *const fn = "HASHWRAPPER::CheckForCruft";
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting CheckForCruft");
        if (value == nullptr) {
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                    "Tessel object pointer is NULL --\t\t\t\t\t\t\tbad argument.");
            return;
        }
        Tessel *job = static_cast<Tessel *>(value);
        if (tessel::currentTime() < job->creationTime + TESSEL_STALE_JOB_SECONDS) {
            return;
        }
        // The removal frees the table's copy of `key`; it is not used again.
        void *removed = vst_hashRemove(m_hashTable, key);
        if (removed == nullptr) {
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                    "Null pointer returned from vst_hashRemove");
        }
        Tessel::deleteInstance(static_cast<Tessel *>(removed));
    } catch (...) {
        logUnexpected(fn);
    }
}
