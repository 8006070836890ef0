#include "inventory/persist/CSRMTupleFDStream.h"

#include <errno.h>
#include <unistd.h>

#include <new>

CSRMTupleFDStream::CSRMTupleFDStream()
    : buffer_(new (std::nothrow) char[kDefaultBufferSize]),
      bufferSize_(kDefaultBufferSize),
      dataLength_(0),
      position_(0),
      fd_(-1),
      endOfData_(0) {}

CSRMTupleFDStream::~CSRMTupleFDStream() {
    delete[] buffer_;
}

int CSRMTupleFDStream::SetFileDescriptor(int fd) {
    if (!IsFDValid(fd)) {
        return TUPLE_STATUS_BAD_STATE;
    }
    fd_ = fd;
    dataLength_ = 0;
    position_ = 0;
    endOfData_ = 0;
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::SetBufferSize(int size) {
    if (size < 1) {
        return TUPLE_STATUS_ERROR;
    }
    if (IsFDValid(fd_)) {
        return TUPLE_STATUS_BAD_STATE;
    }
    delete[] buffer_;
    dataLength_ = 0;
    position_ = 0;
    buffer_ = new (std::nothrow) char[size];
    if (buffer_ == nullptr) {
        bufferSize_ = 0;
        return TUPLE_STATUS_NO_MEMORY;
    }
    bufferSize_ = size;
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::IsValid() {
    return buffer_ != nullptr && IsFDValid(fd_);
}

int CSRMTupleFDStream::GetData() {
    if (endOfData_) {
        return TUPLE_STATUS_END;
    }
    if (!IsValid()) {
        return TUPLE_STATUS_ERROR;
    }
    ssize_t n;
    // A signal arriving during the read is not a fault of the data; reading again keeps a load
    // from failing halfway for it.
    do {
        n = read(fd_, buffer_, static_cast<size_t>(bufferSize_));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return TUPLE_STATUS_ERROR;
    }
    if (n == 0) {
        endOfData_ = 1;
        return TUPLE_STATUS_END;
    }
    // A short read is no end of data: pipes deliver what they have, the next refill reads again.
    dataLength_ = static_cast<int>(n);
    position_ = 0;
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::GetNextCharacter(char &c) {
    if (position_ >= dataLength_) {
        int status = GetData();
        if (status != TUPLE_STATUS_OK) {
            return status;
        }
    }
    c = buffer_[position_++];
    return TUPLE_STATUS_OK;
}

int CSRMTupleFDStream::ResetToStart() {
    if (!IsFDValid(fd_)) {
        return TUPLE_STATUS_ERROR;
    }
    if (lseek(fd_, 0, SEEK_SET) == static_cast<off_t>(-1) && errno != ESPIPE) {
        return TUPLE_STATUS_ERROR;
    }
    dataLength_ = 0;
    position_ = 0;
    endOfData_ = 0;
    return TUPLE_STATUS_OK;
}
