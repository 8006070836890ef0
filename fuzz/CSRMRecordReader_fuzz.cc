// Reads arbitrary bytes as records, in both forms (parsed records and raw
// record text), through a read buffer of 1, 7 or 1024 bytes over a descriptor
// that hands the bytes out in pieces of random sizes, and through a character
// source that hands them out one call each (the reader's other road). Every
// way must give the same records and end the same way: any difference is a
// finding, as are crashes, hangs and leaks.
//
// Input: the first four bytes choose the buffer and seed the piece sizes; the
// rest is the data.
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/FuzzFiles.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/TupleStatus.h"

namespace {

// The records read and how the reading ended.
struct Reading {
    std::vector<std::vector<std::string>> records;
    int last = 0;        // the status that ended the reading
    int after = 0;       // the status of one more call
    bool untouched = 0;  // that call left its output alone
    int state = 0;       // the reader's state at the end

    bool operator==(const Reading &o) const {
        return records == o.records && last == o.last && after == o.after &&
               untouched == o.untouched && state == o.state;
    }
};

// A bounded reading: a reader that never ended would be a finding of its own
// (a hang), and every record takes at least one byte.
template <typename Next>
Reading readAll(CSRMTupleStream *stream, std::size_t size, Next next) {
    Reading r;
    CSRMReportTupleStreamReader reader;
    if (reader.SetTupleStream(stream) != TUPLE_STATUS_OK) {
        abort();
    }
    for (std::size_t i = 0;; ++i) {
        if (i > size + 1) {
            abort();
        }
        std::vector<std::string> record;
        r.last = next(reader, &record, nullptr);
        if (r.last != TUPLE_STATUS_OK) {
            break;
        }
        r.records.push_back(record);
    }
    bool touched = false;
    r.after = next(reader, nullptr, &touched);
    r.untouched = !touched;
    r.state = reader.GetState();
    return r;
}

// One parsed record: its elements (the empty record handed out at a clean end
// counts as none). `touched` tells whether the output was set.
int nextParsed(CSRMReportTupleStreamReader &reader, std::vector<std::string> *out, bool *touched) {
    CSRMReportTuple *tuple = nullptr;
    int status = reader.GetNextTuple(&tuple);
    if (touched != nullptr) {
        *touched = tuple != nullptr;
    }
    if (tuple != nullptr && out != nullptr) {
        tuple->getAllElements(*out);
    }
    delete tuple;
    return status;
}

int nextRaw(CSRMReportTupleStreamReader &reader, std::vector<std::string> *out, bool *touched) {
    std::string text = "\x01untouched";
    int status = reader.GetNextTuple(text);
    if (touched != nullptr) {
        *touched = text != "\x01untouched";
    }
    if (out != nullptr && status == TUPLE_STATUS_OK) {
        out->push_back(text);
    }
    return status;
}

// Hands out one character per call, from memory.
class CharacterSource : public CSRMTupleStream {
  public:
    explicit CharacterSource(const std::string &bytes) : bytes(bytes) {}
    int IsValid() override { return 1; }
    int GetNextCharacter(char &c) override {
        if (at >= bytes.size()) {
            return TUPLE_STATUS_END;
        }
        c = bytes[at++];
        return TUPLE_STATUS_OK;
    }
    int ResetToStart() override {
        at = 0;
        return TUPLE_STATUS_OK;
    }

  private:
    const std::string &bytes;
    std::size_t at = 0;
};

// A descriptor that hands `bytes` out in pieces of at most `largest` bytes,
// each piece one read: a sequenced-packet socket keeps the pieces apart, so
// a reader whose buffer holds the largest piece gets exactly one per read.
// A thread feeds it; the end of the data is the writer's close.
class PieceSocket {
  public:
    PieceSocket(const std::string &bytes, std::size_t largest, uint32_t seed) {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) {
            abort();
        }
        readFd = fds[0];
        int writeFd = fds[1];
        feeder = std::thread([&bytes, largest, seed, writeFd] {
            uint32_t x = seed | 1;
            for (std::size_t at = 0; at < bytes.size();) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                std::size_t piece = 1 + x % largest;
                if (piece > bytes.size() - at) {
                    piece = bytes.size() - at;
                }
                if (send(writeFd, bytes.data() + at, piece, MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(piece)) {
                    break;
                }
                at += piece;
            }
            close(writeFd);
        });
    }
    ~PieceSocket() {
        close(readFd);
        feeder.join();
    }
    int fd() const { return readFd; }

  private:
    int readFd = -1;
    std::thread feeder;
};

template <typename Next>
Reading readFromFile(const std::string &bytes, int bufferSize, Next next) {
    int fd = descriptorWith(bytes.data(), bytes.size());
    if (fd < 0) {
        abort();
    }
    CSRMTupleFDStream stream;
    if (stream.SetBufferSize(bufferSize) != TUPLE_STATUS_OK ||
        stream.SetFileDescriptor(fd) != TUPLE_STATUS_OK) {
        abort();
    }
    Reading r = readAll(&stream, bytes.size(), next);
    close(fd);
    return r;
}

template <typename Next>
Reading readInPieces(const std::string &bytes, int bufferSize, uint32_t seed, Next next) {
    PieceSocket socket(bytes, static_cast<std::size_t>(bufferSize), seed);
    CSRMTupleFDStream stream;
    if (stream.SetBufferSize(bufferSize) != TUPLE_STATUS_OK ||
        stream.SetFileDescriptor(socket.fd()) != TUPLE_STATUS_OK) {
        abort();
    }
    return readAll(&stream, bytes.size(), next);
}

// The reference is the reader's character-by-character road; a file read
// through the default buffer, and one of the three buffers (chosen by the
// seed) fed in pieces, must match it. Over a campaign every buffer meets every
// kind of input; one per run keeps the runs fast, a one-byte buffer costing a
// read per byte.
template <typename Next>
void compareEveryWay(const std::string &bytes, uint32_t seed, Next next) {
    CharacterSource source(bytes);
    const Reading reference = readAll(&source, bytes.size(), next);
    if (!(readFromFile(bytes, CSRMTupleFDStream::kDefaultBufferSize, next) == reference)) {
        abort();
    }
    Reading fed;
    switch (seed % 3) {
        case 0:
            // One byte per read whatever the pieces: a plain file does.
            fed = readFromFile(bytes, 1, next);
            break;
        case 1:
            fed = readInPieces(bytes, 7, seed / 3, next);
            break;
        default:
            fed = readInPieces(bytes, 1024, seed / 3, next);
            break;
    }
    if (!(fed == reference)) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4) {
        return 0;
    }
    uint32_t seed = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                    static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    const std::string bytes(reinterpret_cast<const char *>(data) + 4, size - 4);
    compareEveryWay(bytes, seed, nextParsed);
    compareEveryWay(bytes, seed, nextRaw);
    return 0;
}
