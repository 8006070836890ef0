// The job registry: finding, making, sweeping and deleting job objects.
#include "tessel/Tessel.h"

#include <time.h>

#include <new>

#include "tessel/log.h"
#include "util/internal/TesselClock.h"

using nmspc_cim::_CCIMList;

HashWrapper *Tessel::m_pHashObj = nullptr;
int Tessel::m_objCounter = 0;

namespace {

void logErrorCode(int code) {
    prv_log(TESSEL_LOG_ERR, getAgentType(), "TESSEL::getInstance", "ERROR #%d", code);
}

void logNoMemoryForTessel() {
    prv_log(TESSEL_LOG_ERR, getAgentType(), "TESSEL::getInstance",
            "No memory available to instantiate Tessel object.");
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
            Tessel *job = new (std::nothrow) Tessel(jobId);
            if (job == nullptr) {
                logNoMemoryForTessel();
                logErrorCode(TESSEL_ERR_NO_MEMORY);
                return result;
            }
            m_pHashObj->addHashEntry(jobId, job);
            result = job;
            return result;
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
            m_pHashObj->addHashEntry(jobId, job);
            result = job;
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
    int rc = m_pHashObj != nullptr ? m_pHashObj->destroyHashEntry(jobId) : 0;
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
