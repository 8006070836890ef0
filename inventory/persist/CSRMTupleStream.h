// Abstract character source of the record reader.
#ifndef ULVAR_PERSIST_CSRMTUPLESTREAM_H
#define ULVAR_PERSIST_CSRMTUPLESTREAM_H

#include "ulvar/export.h"

class ULVAR_API CSRMTupleStream {
  public:
    virtual ~CSRMTupleStream() {}

    // Non-zero when the source can hand out characters.
    virtual int IsValid() = 0;

    // Stores the next character in `c` and returns 0; at the end of the data returns 257, on a
    // read failure 263, leaving `c` unchanged in both cases.
    virtual int GetNextCharacter(char &c) = 0;

    // Starts the source over from its first character: 0, or a status code when it cannot.
    virtual int ResetToStart() = 0;
};

#endif
