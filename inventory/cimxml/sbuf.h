// Growable text buffer: an always NUL-terminated run of bytes with
// printf-style appending, used to assemble CIM-XML text before it is handed
// out as one string.
//
// Every function accepts a null buffer and answers it without harm (null, 0,
// or nothing done). Functions returning `sbuf *` give back the buffer on
// success and null on failure; a failed append leaves the buffer valid and
// terminated (an sbufAppendN that fails part-way keeps the bytes it copied).
// A buffer must be used by one thread at a time.
#ifndef INVENTORY_CIMXML_SBUF_H
#define INVENTORY_CIMXML_SBUF_H

#include <stdarg.h>
#include <stdint.h>

#include "ulvar/export.h"

#ifdef __cplusplus
extern "C" {
#endif

// Fields are readable for diagnostics; change them only through the functions.
// Invariant: size + 1 <= capacity, data[size] == '\0'. The buffer owns `data`.
typedef struct sbuf {
    uint32_t capacity;  // bytes allocated for the text, terminator included
    uint32_t size;      // length of the text, terminator excluded
    char *data;         // the text
} sbuf;

// New empty buffer with room for `capacity` bytes (terminator included).
// Null for a capacity of 0 or when memory runs out. Release with sbufDestroy.
ULVAR_API sbuf *sbufCreate(unsigned capacity);

// Frees the text and the record. Null is ignored.
ULVAR_API void sbufDestroy(sbuf *buffer);

// Appends `n` bytes of `src`, growing the buffer as needed; like strncpy it
// reads no further than a NUL in `src` and appends NULs for the rest of the
// `n` bytes. n == 0 leaves it unchanged. Null for a null buffer or source,
// a negative `n`, or when memory runs out (the bytes copied so far stay).
ULVAR_API sbuf *sbufAppendN(sbuf *buffer, const char *src, int n);

// sbufAppendN of the whole NUL-terminated `str`; null for a null `str`.
ULVAR_API sbuf *sbufAppend(sbuf *buffer, const char *str);

// Appends the printf-formatted text. Null for a null buffer or format, a
// formatting error, or when memory runs out; the text is then unchanged.
ULVAR_API sbuf *sbufPrintf(sbuf *buffer, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// sbufPrintf with an argument list; `args` is not consumed (it is copied).
ULVAR_API sbuf *sbufVPrintf(sbuf *buffer, const char *format, va_list args)
    __attribute__((format(printf, 2, 0)));

// The buffer's own text (not a copy): valid until the next call that changes
// the buffer. Null for a null buffer.
ULVAR_API const char *sbufGetString(const sbuf *buffer);

// A copy of the text (all `size` bytes and a terminator) allocated with
// malloc; the caller frees it with free(). Null for a null buffer or when
// memory runs out.
ULVAR_API char *sbufGetStringCopy(const sbuf *buffer);

// Length of the text, terminator excluded; 0 for a null buffer.
ULVAR_API unsigned sbufGetSize(const sbuf *buffer);

// Bytes allocated, terminator included; 0 for a null buffer.
ULVAR_API unsigned sbufGetCapacity(const sbuf *buffer);

// Empties the text and keeps the capacity. Returns the buffer (null for null).
ULVAR_API sbuf *sbufClear(sbuf *buffer);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif
