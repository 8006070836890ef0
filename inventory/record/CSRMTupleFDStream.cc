#include "inventory/record/CSRMTupleFDStream.h"

#include <errno.h>
#include <unistd.h>

#include <new>

#include "inventory/record/internal/SrmOutOfMemory.h"

CSRMTupleFDStream::CSRMTupleFDStream()
    : buffer(srmNoted(new (std::nothrow) char[kDefaultBufferSize])),
      bufferSize(kDefaultBufferSize),
      dataLength(0),
      position(0),
      fd(-1),
      endOfData(0) {}

CSRMTupleFDStream::~CSRMTupleFDStream() {
    delete[] buffer;
}

int CSRMTupleFDStream::SetFileDescriptor(int fd) {
    if (!IsFDValid(fd)) {
        return TUPLE_STATUS_BAD_STATE;
    }
    this->fd = fd;
    dataLength = 0;
    position = 0;
    endOfData = 0;
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::SetBufferSize(int size) {
    if (size < 1) {
        return TUPLE_STATUS_ERROR;
    }
    if (IsFDValid(fd)) {
        return TUPLE_STATUS_BAD_STATE;
    }
    delete[] buffer;
    dataLength = 0;
    position = 0;
    buffer = new (std::nothrow) char[size];
    if (buffer == nullptr) {
        bufferSize = 0;
        return TUPLE_STATUS_NO_MEMORY;
    }
    bufferSize = size;
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::IsValid() {
    return buffer != nullptr && IsFDValid(fd);
}

int CSRMTupleFDStream::GetData() {
    if (endOfData) {
        return TUPLE_STATUS_END;
    }
    if (!IsValid()) {
        return TUPLE_STATUS_ERROR;
    }
    ssize_t n;
    // A signal arriving during the read is not a fault of the data; reading again keeps a load
    // from failing halfway for it.
    do {
        n = read(fd, buffer, static_cast<size_t>(bufferSize));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return TUPLE_STATUS_ERROR;
    }
    if (n == 0) {
        endOfData = 1;
        return TUPLE_STATUS_END;
    }
    // A short read is no end of data: pipes deliver what they have, the next refill reads again.
    dataLength = static_cast<int>(n);
    position = 0;
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::GetNextCharacter(char &c) {
    if (position >= dataLength) {
        int status = GetData();
        if (status != TUPLE_STATUS_OK) {
            return status;
        }
    }
    c = buffer[position++];
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::ResetToStart() {
    if (!IsFDValid(fd)) {
        return TUPLE_STATUS_ERROR;
    }
    if (lseek(fd, 0, SEEK_SET) == static_cast<off_t>(-1) && errno != ESPIPE) {
        return TUPLE_STATUS_ERROR;
    }
    dataLength = 0;
    position = 0;
    endOfData = 0;
    return TUPLE_STATUS_OK;
}
