// The job registry: finding, making, sweeping and deleting job objects.
#include "tessel/Tessel.h"

#include <time.h>

#include <new>

#include "tessel/log.h"
#include "tessel/vst_hash.h"
#include "util/internal/TesselClock.h"
#include "util/internal/VstKeys.h"

using nmspc_cim::_CCIMList;

HashWrapper *Tessel::m_pHashObj = nullptr;
int Tessel::m_objCounter = 0;

namespace {

void logErrorCode(int code) {
    prv_log(TESSEL_LOG_ERR, getAgentType(), "TESSEL::getInstance", "ERROR #%d", code);
}

// destroyHashEntry's result for `key`, without copying the key.
int removeEntryInPlace(const char *key) {
    if (HashWrapper::m_hashTable == nullptr) {
        return 0;
    }
    if (vst_hashGet(HashWrapper::m_hashTable, key) == nullptr) {
        return TESSEL_ERR_KEY_ABSENT;
    }
    return vst_hashRemove(HashWrapper::m_hashTable, key) != nullptr ? 0
                                                                    : TESSEL_ERR_REMOVE_NO_VALUE;
}

// Set when the first request's wrapper could make no table for lack of
// memory; the next requests try again until one succeeds.
bool tableNotMade = false;

void logNoMemoryForTessel() {
    prv_log(TESSEL_LOG_ERR, getAgentType(), "TESSEL::getInstance",
            "No memory available to instantiate Tessel object.");
}

// Enters a new job object in the table and gives it back; when memory ran out
// for the table or for the entry, the object goes again and the request fails
// as out of memory. An object entered nowhere would be found by no later
// request: the results stored in it would be lost, and nobody would delete it.
// (A job id the table cannot hash is never entered, by design: its object is
// handed out all the same.)
Tessel *enterJob(HashWrapper *registry, const std::string &jobId, Tessel *job) {
    bool entered = false;
    try {
        registry->addHashEntry(jobId, job);
        void *found = nullptr;
        registry->getFromHash(jobId, &found);
        entered = found == job;
    } catch (...) {
        // The key's copies found no memory: not entered.
    }
    if (entered || (HashWrapper::m_hashTable != nullptr && !vstKeyHasBucket(jobId.c_str()))) {
        return job;
    }
    Tessel::deleteInstance(job);
    logNoMemoryForTessel();
    logErrorCode(TESSEL_ERR_NO_MEMORY);
    return nullptr;
}

}  // namespace

Tessel *Tessel::getInstance(const std::string jobId) {
    const char *const fn = "TESSEL::getInstance";
    Tessel *result = nullptr;
    try {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting getInstance");
        if (m_pHashObj == nullptr) {
            m_pHashObj = new (std::nothrow) HashWrapper();
            if (m_pHashObj == nullptr) {
                prv_log(TESSEL_LOG_ERR, getAgentType(), fn,
                        "No memory available to instantiate HashWrapper object.");
                logErrorCode(TESSEL_ERR_NO_MEMORY);
                return result;
            }
            tableNotMade = HashWrapper::m_hashTable == nullptr;
            Tessel *job = new (std::nothrow) Tessel(jobId);
            if (job == nullptr) {
                logNoMemoryForTessel();
                logErrorCode(TESSEL_ERR_NO_MEMORY);
                return result;
            }
            result = enterJob(m_pHashObj, jobId, job);
            return result;
        }
        // A table that could not be made when the wrapper was (memory ran
        // out) is made now: without one the registry would never hold a job
        // again. (A table ended by CleanUp stays ended.)
        if (tableNotMade && HashWrapper::m_hashTable == nullptr) {
            m_pHashObj->Initialize();
            tableNotMade = HashWrapper::m_hashTable == nullptr;
        }

        void *found = nullptr;
        int rc = m_pHashObj->getFromHash(jobId, &found);
        result = static_cast<Tessel *>(found);
        if (result == nullptr) {
            prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn,
                    "Tessel obj. was NULL after HashWrapper::getFromHash"
                    "\t\t\t\t\tcall --jobid = %s",
                    jobId.c_str());
        }
        if (rc == TESSEL_ERR_NOT_FOUND) {
            if (m_objCounter > TESSEL_SWEEP_THRESHOLD) {
                m_pHashObj->enumerateHash(HashWrapper::CheckForCruft);
            }
            Tessel *job = new (std::nothrow) Tessel(jobId);
            if (job == nullptr) {
                logNoMemoryForTessel();
                logErrorCode(TESSEL_ERR_NO_MEMORY);
                return result;
            }
            result = enterJob(m_pHashObj, jobId, job);
        } else if (rc != 0) {
            logErrorCode(rc);
        }
    } catch (...) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Unexpected Exception thrown.");
    }
    return result;
}

int Tessel::deleteInstance(Tessel *p) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::deleteInstance", "Starting deleteInstance");
    delete p;
    return 0;
}

Tessel::Tessel(std::string jobId)
    : instanceList(nullptr), creationTime(0), jobId(jobId), scanDone(false) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Tessel constructor", "Starting instantiation");
    ++m_objCounter;
    creationTime = tessel::currentTime();
    instanceList = nmspc_cim::cim_createInstanceList();
    if (instanceList == nullptr) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), "Tessel constructor",
                "Low memory -- could not create CIM instance list");
    }
}

Tessel::~Tessel() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Tessel destructor", "Starting destruction");
    tidyUp();
    // An object made outside the registry (or after the registry's wrapper is
    // gone) has no entry to remove and still counts as destroyed.
    int rc = 0;
    if (m_pHashObj != nullptr) {
        try {
            rc = m_pHashObj->destroyHashEntry(jobId);
        } catch (...) {
            // The copy of the id the call takes found no memory (and nothing
            // may leave a destructor). The entry goes all the same: left
            // behind, it would hand this freed object to a later request.
            rc = removeEntryInPlace(jobId.c_str());
        }
    }
    if (rc == 0 || rc == TESSEL_ERR_KEY_ABSENT) {
        --m_objCounter;
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Tessel destructor",
                "Destroyed hash entry for key = %s", jobId.c_str());
    }
}

void Tessel::tidyUp() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::tidyUp", "Starting tidyUp");
    // A list that was handed out is no longer held, so what is held here was
    // never given to anyone and would leak if only forgotten.
    nmspc_cim::cim_freeInstanceList(instanceList);
    instanceList = nullptr;
    for (ConfigMap::iterator it = configurations.begin(); it != configurations.end(); ++it) {
        nmspc_cim::cim_freePropertyList(it->second);
    }
    configurations.clear();
    for (ResultMap::iterator group = results.begin(); group != results.end(); ++group) {
        for (Result *r : group->second) {
            delete r;
        }
    }
    results.clear();
}

std::string Tessel::getJobID() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::getJobID", "Starting getJobID");
    return jobId;
}

void Tessel::setIsScanDone(bool done) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::setIsScanDone", "Starting setIsScanDone");
    scanDone = done;
}

bool Tessel::getIsScanDone() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::getIsScanDone", "Starting getIsScanDone");
    return scanDone;
}

std::string Tessel::getCreationTime() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::getCreationTime",
            "Starting getCreationTime");
    time_t t = static_cast<time_t>(creationTime);
    char buf[64];
    if (ctime_r(&t, buf) == nullptr) {
        return std::string();
    }
    return std::string(buf);
}

long Tessel::getCreationTimeInSec() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "TESSEL::getCreationTimeInSec",
            "Starting getCreationTimeInSec");
    return creationTime;
}
