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
    : key(key), bundle(bundle), creationTime(tessel::currentTime()) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Result constructor",
            "Starting Result instantiation");
    for (int i = 0; i < kMaxArgs; ++i) {
        args[i] = nullptr;
        argDescriptors[i] = nullptr;
    }
    SetSeverity(key);
}

Result::~Result() {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "Result destructor", "Starting Result destruction");
    for (int i = 0; i < kMaxArgs; ++i) {
        free(args[i]);
        free(argDescriptors[i]);
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
        if (args[i] != nullptr || argDescriptors[i] != nullptr) {
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
        args[i] = argCopy;
        argDescriptors[i] = descCopy;
        return;
    }
}

Result &Result::operator=(const Result &other) {
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), "RESULT::operator=", "Starting operator=");
    if (this != &other) {
        key = other.key;
        bundle = other.bundle;
        severity = other.severity;
    }
    return *this;
}

bool Result::operator==(const Result &other) {
    const char *const fn = "RESULT::operator==";
    prv_log(TESSEL_LOG_DEBUG, getAgentType(), fn, "Starting operator==");
    bool equal = key == other.key && bundle == other.bundle && severity == other.severity;
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
        severity = "unknown";
        return;
    }
    switch (key[0]) {
        case 'F':
            severity = "failed";
            break;
        case 'W':
            severity = "warning";
            break;
        case 'I':
            severity = "information";
            break;
        case 'S':
            severity = "success";
            break;
        default:
            severity = "unknown";
            break;
    }
}

std::string Result::getBundle() {
    return bundle;
}

std::string Result::getKey() {
    return key;
}

std::string Result::getSeverity() {
    return severity;
}

char **Result::getArguments() {
    return args;
}

char **Result::getArgDescriptors() {
    return argDescriptors;
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
    return ctimeText(creationTime);
}

long Result::getCreationTimeInSec() {
    return creationTime;
}
