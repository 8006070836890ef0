// The database's record stream: the descriptor stream and the record reader
// over it that kinds with nested records read their members from.
#include <cerrno>
#include <new>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

int SrmResourceDatabase::attachStream(int fd) {
    return attachStream(fd, CSRMTupleFDStream::kDefaultBufferSize);
}

int SrmResourceDatabase::attachStream(int fd, int bufferSize) {
    recordsRead = 0;
    delete reader;
    reader = nullptr;
    delete stream;
    stream = nullptr;

    CSRMTupleFDStream *newStream = srmNoted(new (std::nothrow) CSRMTupleFDStream());
    CSRMReportTupleStreamReader *newReader =
        srmNoted(new (std::nothrow) CSRMReportTupleStreamReader());
    // A larger buffer is only for speed: without one the stream reads through
    // its default, and only a stream without any buffer is memory run out.
    if (newStream != nullptr && bufferSize != CSRMTupleFDStream::kDefaultBufferSize &&
        newStream->SetBufferSize(bufferSize) != TUPLE_STATUS_OK &&
        newStream->SetBufferSize(CSRMTupleFDStream::kDefaultBufferSize) != TUPLE_STATUS_OK) {
        srmNoteOutOfMemory();
        delete newStream;
        newStream = nullptr;
    }
    if (newStream == nullptr || newReader == nullptr ||
        newStream->SetFileDescriptor(fd) != TUPLE_STATUS_OK ||
        newReader->SetTupleStream(newStream) != TUPLE_STATUS_OK) {
        // Nothing half-made stays attached: kinds that find a reader here
        // must be able to read from it.
        delete newReader;
        delete newStream;
        setErrorInfo(EINVAL, "attach Stream failed", nullptr);
        return 0;
    }
    stream = newStream;
    reader = newReader;
    return 1;
}

int SrmResourceDatabase::detachStream(int fd) {
    if (fd < 0) {
        setErrorInfo(EBADF, "detach Stream failed", nullptr);
        return 0;
    }
    if (reader != nullptr) {
        recordsRead = reader->GetTupleCount();
    }
    delete reader;
    reader = nullptr;
    delete stream;
    stream = nullptr;
    return 1;
}

long SrmResourceDatabase::getRecordsRead() const {
    return reader != nullptr ? reader->GetTupleCount() : recordsRead;
}
