// A whole database written to and loaded from an unlinked temporary file, and
// the message its last error left.
#ifndef INVENTORY_TESTING_DATABASEFILES_H
#define INVENTORY_TESTING_DATABASEFILES_H

#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/ScratchFiles.h"

namespace ulvar {
namespace testing {

// The whole database as its serialize writes it; `result` receives the result.
inline std::string Written(SrmResourceDatabase *db, int *result = nullptr) {
    ScopedFd file(FileWith(""));
    int r = db->serialize(file.get(), 0);
    if (result != nullptr) {
        *result = r;
    }
    return ContentsOf(file.get());
}

// Loads `bytes` into `db`: deserialize's result.
inline int Load(SrmResourceDatabase *db, const std::string &bytes) {
    ScopedFd file(FileWith(bytes));
    return db->deserialize(file.get(), nullptr);
}

// The last error's message; its code goes to `code` when that is not null.
inline std::string LastMessage(SrmResourceDatabase *db, int *code = nullptr) {
    std::string message;
    db->getLastErrorInfo(code, message, nullptr);
    return message;
}

}  // namespace testing
}  // namespace ulvar

#endif
