// The database's entry points for error records.
#include <cerrno>
#include <memory>
#include <new>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

int SrmResourceDatabase::addError(SrmError *e, std::string key) {
    if (e == nullptr || errors == nullptr) {
        setErrorInfo(ENOMEM, "Add error failed", nullptr);
        return 0;
    }
    if (key.empty() || e->ErrorDesc.empty()) {
        setErrorInfo(EINVAL, "Add error failed, invalid error object", nullptr);
        return 0;
    }
    if (errors->addError(std::move(key), e) == 0) {
        setErrorInfo(ENOMEM, "Add error failed", nullptr);
        return 0;
    }
    return 1;
}

int SrmResourceDatabase::addError(std::string key, std::string description, int code,
                                  int severity) {
    if (key.empty() || description.empty() || errors == nullptr) {
        return 0;
    }
    std::unique_ptr<SrmError> e;
    try {
        e.reset(new SrmError(std::move(description), code, severity, 0, "", "", ""));
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        setErrorInfo(ENOMEM, "Add error failed", nullptr);
        return 0;
    }
    // The list takes the error only when it files it.
    if (errors->addError(std::move(key), e.get()) == 0) {
        setErrorInfo(ENOMEM, "Add error failed", nullptr);
        return 0;
    }
    e.release();
    return 1;
}
