#include "inventory/record/CSRMReportTupleStreamReader.h"

#include <cstring>
#include <new>
#include <typeinfo>

#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

constexpr std::size_t kRawRecordReserve = 512;

// Inside quotes every character but the closing quote is plain text: appends the
// run up to and including the closing quote and steps past it (true), or the
// whole rest of the buffer when the quote has not come yet (false).
bool appendQuotedRun(const char *&p, const char *end, std::string &text) {
    const void *q = std::memchr(p, '"', static_cast<std::size_t>(end - p));
    if (q == nullptr) {
        text.append(p, static_cast<std::size_t>(end - p));
        p = end;
        return false;
    }
    const char *quote = static_cast<const char *>(q);
    text.append(p, static_cast<std::size_t>(quote - p) + 1);
    p = quote + 1;
    return true;
}
// Upper bounds of what is reserved from the previous record's size.
constexpr std::size_t kMaxReservedElements = 64;
constexpr std::size_t kMaxReservedText = 4096;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Hands the parser runs of characters. An FD stream lends its buffer; any other source gives one
// character per call, already taken from the source, so Consume has nothing to do for it.
class CharacterRuns {
  public:
    CharacterRuns(CSRMTupleStream *stream, CSRMTupleFDStream *fdStream)
        : stream(stream), fdStream(fdStream), single(0) {}

    int Next(const char **data, int *length) {
        if (fdStream != nullptr) {
            return fdStream->GetBufferedData(data, length);
        }
        int status = stream->GetNextCharacter(single);
        if (status != TUPLE_STATUS_OK) {
            return status;
        }
        *data = &single;
        *length = 1;
        return TUPLE_STATUS_OK;
    }

    void Consume(int n) {
        if (fdStream != nullptr) {
            fdStream->Consume(n);
        }
    }

  private:
    CSRMTupleStream *stream;
    CSRMTupleFDStream *fdStream;
    char single;
};

// The common element, written as a quote, text without a quote, a quote and
// its comma: when all of it is in the run from `p` (which is on the opening
// quote), appends it without the comma, steps past the comma and answers true;
// otherwise leaves everything as it was. The states it passes through are the
// ones the parser would take character by character.
bool AppendWholeQuotedElement(const char *&p, const char *end, std::string &text) {
    const void *q = std::memchr(p + 1, '"', static_cast<std::size_t>(end - p - 1));
    if (q == nullptr) {
        return false;
    }
    const char *close = static_cast<const char *>(q);
    if (close + 1 == end || close[1] != ',') {
        return false;
    }
    text.append(p, static_cast<std::size_t>(close + 1 - p));
    p = close + 2;
    return true;
}

const char *FindEither(const char *p, const char *end, char a, char b) {
    while (p < end && *p != a && *p != b) {
        ++p;
    }
    return p;
}

}  // namespace

CSRMReportTupleStreamReader::CSRMReportTupleStreamReader()
    : stream(nullptr),
      fdStream(nullptr),
      state(kError),
      lastElementCount(0),
      lastTextLength(256),
      tupleCount(0) {}

CSRMReportTupleStreamReader::~CSRMReportTupleStreamReader() {}

int CSRMReportTupleStreamReader::SetTupleStream(CSRMTupleStream *stream) {
    if (stream == nullptr) {
        return TUPLE_STATUS_NULL_ARGUMENT;
    }
    if (!stream->IsValid()) {
        return TUPLE_STATUS_INVALID_STREAM;
    }
    this->stream = stream;
    // Only the FD stream itself: a subclass may hand out characters its own way.
    fdStream = typeid(*stream) == typeid(CSRMTupleFDStream)
                   ? static_cast<CSRMTupleFDStream *>(stream)
                   : nullptr;
    state = kReady;
    tupleCount = 0;
    return TUPLE_STATUS_OK;
}

int CSRMReportTupleStreamReader::GetNextTuple(CSRMReportTuple **out) {
    if (out == nullptr) {
        return TUPLE_STATUS_NULL_ARGUMENT;
    }
    if (state == kEndOfData) {
        return TUPLE_STATUS_END;
    }
    if (state != kReady) {
        return TUPLE_STATUS_BAD_STATE;
    }
    CSRMReportTuple *tuple = srmNoted(new (std::nothrow) CSRMReportTuple());
    if (tuple == nullptr) {
        return TUPLE_STATUS_NO_MEMORY;
    }
    int status = ReadRecord(tuple);
    if (status == TUPLE_STATUS_OK || status == TUPLE_STATUS_END) {
        *out = tuple;
    } else {
        delete tuple;
    }
    return status;
}

int CSRMReportTupleStreamReader::ReadNextTuple(CSRMReportTuple &into) {
    into.clearTuple();
    if (state == kEndOfData) {
        return TUPLE_STATUS_END;
    }
    if (state != kReady) {
        return TUPLE_STATUS_BAD_STATE;
    }
    int status = ReadRecord(&into);
    if (status != TUPLE_STATUS_OK) {
        into.clearTuple();
    }
    return status;
}

int CSRMReportTupleStreamReader::ReadRecord(CSRMReportTuple *tuple) {
    try {
        // The elements are read straight into the tuple's text, one after
        // another; a comma closes the one being read.
        std::string &text = tuple->text;
        text.reserve(lastTextLength < kMaxReservedText ? lastTextLength : kMaxReservedText);
        tuple->ends.reserve(lastElementCount < kMaxReservedElements ? lastElementCount
                                                                    : kMaxReservedElements);
        auto closeElement = [tuple] { tuple->ends.push_back(tuple->text.size()); };
        CharacterRuns runs(stream, fdStream);
        for (;;) {
            const char *run = nullptr;
            int length = 0;
            int status = runs.Next(&run, &length);
            if (status != TUPLE_STATUS_OK) {
                if (status == TUPLE_STATUS_END && (state == kReady || state == kLeadingBlanks)) {
                    state = kEndOfData;
                    return TUPLE_STATUS_END;
                }
                state = kError;
                return TUPLE_STATUS_ERROR;
            }
            const char *p = run;
            const char *const end = run + length;
            while (p < end) {
                switch (state) {
                    case kReady:
                    case kLeadingBlanks: {
                        if (*p == '"' && AppendWholeQuotedElement(p, end, text)) {
                            closeElement();
                            state = kAfterComma;
                            break;
                        }
                        char c = *p++;
                        if (IsBlank(c)) {
                            state = kLeadingBlanks;
                        } else if (c == ';') {
                            state = kReady;  // an empty record yields no tuple
                        } else if (c == ',') {
                            closeElement();
                            state = kAfterComma;
                        } else {
                            text.push_back(c);
                            state = c == '"' ? kInQuotes : kInElement;
                        }
                        break;
                    }
                    case kInElement: {
                        const char *stop = FindEither(p, end, '"', ',');
                        text.append(p, static_cast<std::size_t>(stop - p));
                        p = stop;
                        if (p == end) {
                            break;
                        }
                        if (*p == '"') {
                            text.push_back('"');
                            state = kInQuotes;
                        } else {
                            closeElement();
                            state = kAfterComma;
                        }
                        ++p;
                        break;
                    }
                    case kInQuotes:
                        if (appendQuotedRun(p, end, text)) {
                            state = kInElement;
                        }
                        break;
                    case kAfterComma: {
                        if (*p == '"' && AppendWholeQuotedElement(p, end, text)) {
                            closeElement();
                            break;
                        }
                        char c = *p++;
                        if (c == ',') {
                            closeElement();
                        } else if (c == ';') {
                            state = kReady;
                            runs.Consume(static_cast<int>(p - run));
                            lastElementCount = tuple->elementCount();
                            lastTextLength = text.size();
                            ++tupleCount;
                            return TUPLE_STATUS_OK;
                        } else {
                            text.push_back(c);
                            state = c == '"' ? kInQuotes : kInElement;
                        }
                        break;
                    }
                    default:
                        // Unreachable: only a ready reader parses.
                        state = kError;
                        return TUPLE_STATUS_ERROR;
                }
            }
            runs.Consume(length);
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        state = kError;
        return TUPLE_STATUS_NO_MEMORY;
    }
}

int CSRMReportTupleStreamReader::GetNextTuple(std::string &out) {
    if (state == kEndOfData) {
        return TUPLE_STATUS_END;
    }
    if (state != kReady) {
        return TUPLE_STATUS_BAD_STATE;
    }
    try {
        std::string record;
        record.reserve(kRawRecordReserve);
        CharacterRuns runs(stream, fdStream);
        for (;;) {
            const char *run = nullptr;
            int length = 0;
            int status = runs.Next(&run, &length);
            if (status != TUPLE_STATUS_OK) {
                if (status == TUPLE_STATUS_END && (state == kReady || state == kLeadingBlanks)) {
                    state = kEndOfData;
                    out.swap(record);
                    return TUPLE_STATUS_END;
                }
                state = kError;
                return TUPLE_STATUS_ERROR;
            }
            const char *p = run;
            const char *const end = run + length;
            while (p < end) {
                switch (state) {
                    case kReady:
                    case kLeadingBlanks: {
                        char c = *p++;
                        if (IsBlank(c)) {
                            state = kLeadingBlanks;
                        } else if (c == ';') {
                            state = kReady;
                            runs.Consume(static_cast<int>(p - run));
                            ++tupleCount;
                            out.swap(record);
                            return TUPLE_STATUS_OK;
                        } else {
                            record.push_back(c);
                            state = c == '"' ? kInQuotes : kInElement;
                        }
                        break;
                    }
                    case kInElement: {
                        const char *stop = FindEither(p, end, '"', ';');
                        record.append(p, static_cast<std::size_t>(stop - p));
                        p = stop;
                        if (p == end) {
                            break;
                        }
                        if (*p++ == '"') {
                            record.push_back('"');
                            state = kInQuotes;
                        } else {
                            state = kReady;
                            runs.Consume(static_cast<int>(p - run));
                            ++tupleCount;
                            out.swap(record);
                            return TUPLE_STATUS_OK;
                        }
                        break;
                    }
                    case kInQuotes:
                        if (appendQuotedRun(p, end, record)) {
                            state = kInElement;
                        }
                        break;
                    default:
                        state = kError;
                        return TUPLE_STATUS_ERROR;
                }
            }
            runs.Consume(length);
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        state = kError;
        return TUPLE_STATUS_NO_MEMORY;
    }
}
