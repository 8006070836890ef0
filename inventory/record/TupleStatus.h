// Status codes of the record reader, its character source and its parsed records.
// Every operation of those classes reports one of these; none throws.
#ifndef INVENTORY_RECORD_TUPLESTATUS_H
#define INVENTORY_RECORD_TUPLESTATUS_H

// Success.
constexpr int TUPLE_STATUS_OK = 0;
// End of data (stream), or no further element (record cursor).
constexpr int TUPLE_STATUS_END = 257;
// Memory could not be obtained.
constexpr int TUPLE_STATUS_NO_MEMORY = 258;
// The stream handed to the reader is not valid.
constexpr int TUPLE_STATUS_INVALID_STREAM = 259;
// A required pointer argument is null.
constexpr int TUPLE_STATUS_NULL_ARGUMENT = 260;
// Not allowed in the present state: the reader is not ready for a new record, a descriptor is
// invalid, or the buffer size cannot change while a descriptor is attached.
constexpr int TUPLE_STATUS_BAD_STATE = 262;
// Read error, bad argument value, or the data ended inside a record.
constexpr int TUPLE_STATUS_ERROR = 263;

#endif
