// Abstract character source of the record reader.
#ifndef INVENTORY_RECORD_CSRMTUPLESTREAM_H
#define INVENTORY_RECORD_CSRMTUPLESTREAM_H

#include "inventory/record/TupleStatus.h"
#include "ulvar/export.h"

class ULVAR_API CSRMTupleStream {
  public:
    virtual ~CSRMTupleStream() {}

    // Non-zero when the source can hand out characters.
    virtual int IsValid() = 0;

    // Stores the next character in `c` and returns TUPLE_STATUS_OK; at the end of the data returns
    // TUPLE_STATUS_END, on a read failure TUPLE_STATUS_ERROR, leaving `c` unchanged in both cases.
    virtual int GetNextCharacter(char &c) = 0;

    // Starts the source over from its first character: TUPLE_STATUS_OK, or another status code
    // when it cannot.
    virtual int ResetToStart() = 0;
};

#endif
