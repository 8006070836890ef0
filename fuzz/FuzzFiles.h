// Fuzz inputs as files: the targets hand their bytes to the code under test
// through a descriptor, as a database file or a batch file arrives.
#ifndef FUZZ_FUZZFILES_H
#define FUZZ_FUZZFILES_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>

// A memory file holding the `size` bytes at `data`, positioned at its start;
// -1 when one cannot be made. The caller closes it.
inline int descriptorWith(const void *data, std::size_t size) {
    int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const char *bytes = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, bytes + done, size - done);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    if (lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

#endif
