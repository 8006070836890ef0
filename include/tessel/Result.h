// A status result: what happened during a scan or a report conversion, as a
// message key of a resource bundle with up to eight arguments.
//
// The first letter of the key gives the severity when the key's first
// underscore is its second character: F "failed", W "warning", I
// "information", S "success", any other letter "unknown"; every other key,
// the empty one included, is "unknown" too.
//
// Producers make a Result with new, fill it with addArg and hand it to their
// job's Tessel object with Tessel::storeResult, which takes ownership. No
// member lets an exception escape except the constructor, whose only failure
// is running out of memory for the two strings.
#ifndef TESSEL_RESULT_H
#define TESSEL_RESULT_H

#include <string>

#include "tessel/export.h"

// The resource bundle of every status result of the system.
#define TESSEL_RESULT_BUNDLE "com.vorn.halvane.mgmt.agent.result.resources.resultStatus"

class TESSEL_API Result {
  public:
    // Number of argument slots (and of descriptor slots).
    static constexpr int kMaxArgs = 8;

    // Copies `key` and `bundle`, empties every slot, stamps the creation time
    // and derives the severity from `key`.
    Result(std::string key, std::string bundle);
    // Frees every argument and descriptor copy.
    ~Result();

    // The slots own their copies: copying a Result would free them twice.
    Result(const Result &) = delete;

    // Stores copies of `arg` and `desc` in the lowest slot whose argument and
    // descriptor are both empty. An empty `arg` or `desc` stores nothing and
    // is logged as an error; with all eight slots in use the pair is dropped
    // silently.
    void addArg(std::string arg, std::string desc);

    // Copies key, bundle and severity only: arguments, descriptors and the
    // creation time of *this stay as they were.
    Result &operator=(const Result &other);
    // True when key, bundle and severity are equal; arguments and time are not
    // compared.
    bool operator==(const Result &other);

    // Sets the severity word from `key` (see above).
    void SetSeverity(std::string key);

    std::string getBundle();
    std::string getKey();
    std::string getSeverity();

    // The kMaxArgs slots, filled from index 0 upwards, null where empty. The
    // array and its strings belong to the Result and live as long as it does.
    char **getArguments();
    char **getArgDescriptors();
    // Number of non-null entries among the first kMaxArgs slots of `slots`
    // (0 for null).
    int getArgumentCount(char **slots);

    // The creation time as ctime(3) text, final newline included.
    std::string getCreationTime();
    // The creation time in seconds since the epoch.
    long getCreationTimeInSec();

  private:
    std::string key;
    std::string bundle;
    char *args[kMaxArgs];
    char *argDescriptors[kMaxArgs];
    long creationTime;
    std::string severity;
};

#endif
