// Cuts a character stream in the record syntax into records and their elements.
#ifndef INVENTORY_RECORD_CSRMREPORTTUPLESTREAMREADER_H
#define INVENTORY_RECORD_CSRMREPORTTUPLESTREAMREADER_H

#include <string>

#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMTupleStream.h"
#include "inventory/record/TupleStatus.h"
#include "ulvar/export.h"

class CSRMTupleFDStream;

// A record is a run of elements, each ended by a comma, closed by a `;` that directly follows a
// comma. Inside double quotes commas and semicolons are ordinary characters. The reader never
// owns its stream: the stream must stay alive, and not be used by anyone else, while records are
// read from it. One thread at a time.
class ULVAR_API CSRMReportTupleStreamReader {
  public:
    // Parser states, as GetState() reports them.
    enum State {
        kReady = 0,          // between records
        kLeadingBlanks = 1,  // skipping white space before a record
        kInElement = 2,      // inside an element, outside quotes
        kInQuotes = 3,       // inside a quoted part of an element
        kAfterComma = 4,     // after an element's comma
        kEndOfData = 5,      // the data ended cleanly between records
        kError = 6,          // no stream yet, a read error, or the data ended inside a record
    };

    // Starts in kError: no record can be read before SetTupleStream.
    CSRMReportTupleStreamReader();
    virtual ~CSRMReportTupleStreamReader();

    CSRMReportTupleStreamReader(const CSRMReportTupleStreamReader &) = delete;
    CSRMReportTupleStreamReader &operator=(const CSRMReportTupleStreamReader &) = delete;

    // Reads from `stream` from now on and makes the reader ready: TUPLE_STATUS_OK;
    // TUPLE_STATUS_NULL_ARGUMENT for null, TUPLE_STATUS_INVALID_STREAM when the stream is not
    // valid (the reader then keeps its previous stream and state). This is the only way out of
    // kEndOfData and kError.
    int SetTupleStream(CSRMTupleStream *stream);

    // Reads the next record into a new tuple that the caller owns and deletes:
    //   TUPLE_STATUS_OK             `*out` holds the complete record;
    //   TUPLE_STATUS_END            clean end of data: the first time `*out` receives an empty
    //                               tuple (caller deletes it), afterwards `*out` is left untouched;
    //   TUPLE_STATUS_ERROR          read error or data ended inside a record: `*out` untouched,
    //                               reader in kError;
    //   TUPLE_STATUS_BAD_STATE      the reader is in kError (or not ready): `*out` untouched;
    //   TUPLE_STATUS_NULL_ARGUMENT  `out` is null;
    //   TUPLE_STATUS_NO_MEMORY      memory ran out (`*out` untouched, reader in kError).
    // Empty records (a lone `;` between records) and blanks between records are skipped.
    int GetNextTuple(CSRMReportTuple **out);

    // Reads the next record into `into`, as GetNextTuple(CSRMReportTuple**) does, but into a tuple
    // the caller keeps and reads record after record into, whose storage is used again. `into` is
    // emptied first; it holds the record on TUPLE_STATUS_OK and is empty on every other code.
    int ReadNextTuple(CSRMReportTuple &into);

    // Reads the next record as raw text: everything from its first non-blank character up to,
    // not including, the first `;` outside quotes. Same codes as above; at a clean end `out`
    // receives the empty text the first time only; on any other failure it is left untouched.
    int GetNextTuple(std::string &out);

    int GetState() const { return state; }

    // Records handed out with TUPLE_STATUS_OK since the last SetTupleStream, by either form: the
    // number of the record most recently read, counting from 1. The empty tuple or text of a
    // clean end is not counted. Tells a caller where in the data reading stopped.
    long GetTupleCount() const { return tupleCount; }

  private:
    // Parses one record into the empty `tuple` of a ready reader: TUPLE_STATUS_OK, TUPLE_STATUS_END
    // at a clean end, else the failure code (the tuple then holds a part of the record).
    int ReadRecord(CSRMReportTuple *tuple);

    CSRMTupleStream *stream;
    // Set when `stream` is exactly an FD stream: the parser then takes characters from its
    // buffer in runs instead of one virtual call per character.
    CSRMTupleFDStream *fdStream;
    int state;
    // Element count and text length of the last record, reserved up front in the next one:
    // records of a kind come in runs of the same size.
    std::size_t lastElementCount;
    std::size_t lastTextLength;
    long tupleCount;
};

#endif
