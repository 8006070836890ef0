#include "tessel/Result.h"

#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "tessel/log.h"
#include "util/internal/TesselClock.h"

namespace {

// ctime(3) text of `seconds`, final newline included; empty when the time
// cannot be represented. ctime_r keeps this safe for concurrent callers.
std::string ctimeText(long seconds) {
    time_t t = static_cast<time_t>(seconds);
    char buf[64];
    if (ctime_r(&t, buf) == nullptr) {
        return std::string();
    }
    return std::string(buf);
}

}  // namespace

Result::Result(std::string key, std::string bundle)
    : m_key(key), m_bundle(bundle), m_creationTime(tessel::currentTime()) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Result constructor",
            "Starting Result instantiation");
    for (int i = 0; i < kMaxArgs; ++i) {
        m_args[i] = nullptr;
        m_argDescriptors[i] = nullptr;
    }
    SetSeverity(key);
}

Result::~Result() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Result destructor", "Starting Result destruction");
    for (int i = 0; i < kMaxArgs; ++i) {
        free(m_args[i]);
        free(m_argDescriptors[i]);
    }
}

void Result::addArg(std::string arg, std::string desc) {
    const char *const fn = "RESULT::addArg";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting addArg");
    if (arg.empty() || desc.empty()) {
        prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "Bad argument(s).");
        return;
    }
    for (int i = 0; i < kMaxArgs; ++i) {
        if (m_args[i] != nullptr || m_argDescriptors[i] != nullptr) {
            continue;
        }
        char *argCopy = strdup(arg.c_str());
        char *descCopy = strdup(desc.c_str());
        if (argCopy == nullptr || descCopy == nullptr) {
            // A half-stored pair would shift every later descriptor.
            free(argCopy);
            free(descCopy);
            prv_log(TESSEL_LOG_ERR, getAgentType(), fn, "No memory available to copy argument.");
            return;
        }
        m_args[i] = argCopy;
        m_argDescriptors[i] = descCopy;
        return;
    }
}

Result &Result::operator=(const Result &other) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "RESULT::operator=", "Starting operator=");
    if (this != &other) {
        m_key = other.m_key;
        m_bundle = other.m_bundle;
        m_severity = other.m_severity;
    }
    return *this;
}

bool Result::operator==(const Result &other) {
    const char *const fn = "RESULT::operator==";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting operator==");
    bool equal =
        m_key == other.m_key && m_bundle == other.m_bundle && m_severity == other.m_severity;
    if (equal) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Result objects are EQUAL.");
    }
    return equal;
}

void Result::SetSeverity(std::string key) {
    const char *const fn = "RESULT::SetSeverity";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting SetSeverity");
    if (key.find('_') != 1) {
        prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Severity not specified; set to UNKNOWN");
        m_severity = "unknown";
        return;
    }
    switch (key[0]) {
        case 'F':
            m_severity = "failed";
            break;
        case 'W':
            m_severity = "warning";
            break;
        case 'I':
            m_severity = "information";
            break;
        case 'S':
            m_severity = "success";
            break;
        default:
            m_severity = "unknown";
            break;
    }
}

std::string Result::getBundle() {
    return m_bundle;
}

std::string Result::getKey() {
    return m_key;
}

std::string Result::getSeverity() {
    return m_severity;
}

char **Result::getArguments() {
    return m_args;
}

char **Result::getArgDescriptors() {
    return m_argDescriptors;
}

int Result::getArgumentCount(char **slots) {
    if (slots == nullptr) {
        return 0;
    }
    int count = 0;
    for (int i = 0; i < kMaxArgs; ++i) {
        if (slots[i] != nullptr) {
            ++count;
        }
    }
    return count;
}

std::string Result::getCreationTime() {
    return ctimeText(m_creationTime);
}

long Result::getCreationTimeInSec() {
    return m_creationTime;
}
