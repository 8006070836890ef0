// Loads arbitrary bytes as a database file, then runs everything a caller may
// do with whatever got loaded: resolve, check, write (and load what was
// written), delete. Any crash, hang, leak or out-of-bounds access is a finding;
// the results themselves are free, a damaged file may fail to load.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzFiles.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace {

// Loads `fd` into a new database and puts it through every whole-database
// operation; writes it to `out` when `out` is not negative.
void exercise(int fd, int out) {
    SrmResourceDatabase *db = new SrmResourceDatabase();
    db->deserialize(fd, nullptr);
    db->resolveDatabase();
    db->checkIntegrity();
    db->getLowestLLTNodeIp();
    db->getThisComputer();
    if (out >= 0) {
        db->serialize(out, 0);
    }
    delete db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    int in = descriptorWith(data, size);
    if (in < 0) {
        return 0;
    }
    int out = memfd_create("srdb-out", MFD_CLOEXEC);
    exercise(in, out);
    close(in);
    if (out >= 0) {
        // What a loaded database writes is a file like any other: load it too.
        if (lseek(out, 0, SEEK_SET) == 0) {
            exercise(out, -1);
        }
        close(out);
    }
    return 0;
}
