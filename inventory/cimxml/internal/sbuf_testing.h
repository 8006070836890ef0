// Test seam of the string buffer: lets tests make buffer growth fail.
// Not exported from the shared library; not thread-safe.
#ifndef INVENTORY_CIMXML_INTERNAL_SBUF_TESTING_H
#define INVENTORY_CIMXML_INTERNAL_SBUF_TESTING_H

#include <stddef.h>

extern "C" {

typedef void *(*sbufReallocFunction)(void *block, size_t bytes);

// Routes every growth of every buffer through `fn`; null restores realloc.
void sbufSetReallocForTesting(sbufReallocFunction fn);

}  // extern "C"

#endif
