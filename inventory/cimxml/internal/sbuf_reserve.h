// Writing straight into a string buffer's free room: the CIM-XML writer
// measures a whole line, reserves it once and fills it, instead of appending
// piece by piece. Internal to the writer.
#ifndef INVENTORY_CIMXML_INTERNAL_SBUF_RESERVE_H
#define INVENTORY_CIMXML_INTERNAL_SBUF_RESERVE_H

#include <stddef.h>

#include "inventory/cimxml/sbuf.h"

namespace cimxml {

// The end of the text, with room for at least `count` more bytes and the
// terminator. The buffer grows as an append of `count` bytes would make it
// grow (the same capacities); null when it cannot, and then nothing changed.
char *sbufReserve(sbuf *buffer, size_t count);

// Takes the first `count` bytes written at sbufReserve's pointer into the
// text and terminates it. `count` must not exceed what was reserved.
void sbufCommit(sbuf *buffer, size_t count);

}  // namespace cimxml

#endif
