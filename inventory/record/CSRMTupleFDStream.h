// Character source that reads a file descriptor through its own buffer.
#ifndef INVENTORY_RECORD_CSRMTUPLEFDSTREAM_H
#define INVENTORY_RECORD_CSRMTUPLEFDSTREAM_H

#include "inventory/record/CSRMTupleStream.h"
#include "inventory/record/TupleStatus.h"
#include "ulvar/export.h"

// Reads the descriptor with one read(2) of up to the buffer size per refill. The stream never
// opens or closes descriptors: the caller keeps the descriptor open while the stream is in use and
// closes it afterwards. One thread at a time.
class ULVAR_API CSRMTupleFDStream : public CSRMTupleStream {
  public:
    static constexpr int kDefaultBufferSize = 1024;

    // Allocates a buffer of kDefaultBufferSize bytes; no descriptor is attached yet (-1). When the
    // allocation fails the stream stays invalid (IsValid() is 0) until SetBufferSize succeeds.
    CSRMTupleFDStream();
    ~CSRMTupleFDStream() override;

    CSRMTupleFDStream(const CSRMTupleFDStream &) = delete;
    CSRMTupleFDStream &operator=(const CSRMTupleFDStream &) = delete;

    // Attaches `fd` and forgets buffered data and any end of data seen: TUPLE_STATUS_OK; a negative
    // `fd` returns TUPLE_STATUS_BAD_STATE and changes nothing.
    int SetFileDescriptor(int fd);

    // Replaces the buffer by one of `size` bytes: TUPLE_STATUS_OK; TUPLE_STATUS_ERROR when `size`
    // is below 1; TUPLE_STATUS_BAD_STATE while a descriptor is attached; TUPLE_STATUS_NO_MEMORY
    // when the new buffer cannot be allocated (the stream then has no buffer and is invalid until
    // a later call succeeds).
    int SetBufferSize(int size);

    // Non-zero exactly when `fd` is 0 or greater.
    static int IsFDValid(int fd) { return fd >= 0; }

    // Non-zero when a buffer exists and a valid descriptor is attached.
    int IsValid() override;

    // Refills the buffer with one read: TUPLE_STATUS_OK when bytes were read, TUPLE_STATUS_END at
    // the end of the data (and from then on without reading), TUPLE_STATUS_ERROR on a read error.
    // Bytes still unread in the buffer are dropped, so callers refill only once the buffer is used
    // up.
    int GetData();

    int GetNextCharacter(char &c) override;

    // Seeks the descriptor back to offset 0 and drops buffered data: TUPLE_STATUS_OK. A pipe or
    // socket cannot seek; it is accepted (TUPLE_STATUS_OK) and continues with whatever it delivers
    // next. TUPLE_STATUS_ERROR with no valid descriptor or when the seek fails otherwise.
    int ResetToStart() override;

    // Bulk access for the record reader, which takes characters from the buffer directly rather
    // than one virtual call each. Sets `*data` and `*length` to the bytes not yet handed out,
    // refilling first when there are none: TUPLE_STATUS_OK, or the status of the refill
    // (TUPLE_STATUS_END, TUPLE_STATUS_ERROR) with `*length` 0. The bytes stay valid until the next
    // call that refills or resizes the buffer; Consume(n) marks the first `n` (at most `*length`)
    // as handed out.
    int GetBufferedData(const char **data, int *length) {
        if (position >= dataLength) {
            int status = GetData();
            if (status != TUPLE_STATUS_OK) {
                *length = 0;
                return status;
            }
        }
        *data = buffer + position;
        *length = dataLength - position;
        return TUPLE_STATUS_OK;
    }
    void Consume(int n) { position += n; }

  private:
    char *buffer;
    int bufferSize;
    int dataLength;
    int position;
    int fd;
    int endOfData;
};

#endif
