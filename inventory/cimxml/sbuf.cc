#include "inventory/cimxml/sbuf.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "inventory/cimxml/internal/sbuf_reserve.h"
#include "inventory/cimxml/internal/sbuf_testing.h"

namespace {

sbufReallocFunction g_realloc = realloc;

// Doubles (plus two) the capacity so that appending is amortised constant
// time per byte. On failure the buffer keeps its text and capacity.
bool resized(sbuf *buffer) {
    // (capacity + 1) * 2 must still fit the 32-bit field.
    if (buffer->capacity > UINT32_MAX / 2 - 1) {
        return false;
    }
    uint32_t capacity = (buffer->capacity + 1) * 2;
    char *data = static_cast<char *>(g_realloc(buffer->data, capacity));
    if (data == nullptr) {
        return false;
    }
    buffer->data = data;
    buffer->capacity = capacity;
    return true;
}

uint32_t room(const sbuf *buffer) {
    return buffer->capacity - buffer->size - 1;
}

// Appends `count` bytes of `src`, or NULs for a null `src`, growing only when
// the buffer is full. On failure the bytes already copied stay.
bool appendBytes(sbuf *buffer, const char *src, uint32_t count) {
    while (count > 0) {
        if (room(buffer) == 0 && !resized(buffer)) {
            return false;
        }
        uint32_t chunk = room(buffer) < count ? room(buffer) : count;
        if (src != nullptr) {
            memcpy(buffer->data + buffer->size, src, chunk);
            src += chunk;
        } else {
            memset(buffer->data + buffer->size, 0, chunk);
        }
        buffer->size += chunk;
        buffer->data[buffer->size] = '\0';
        count -= chunk;
    }
    return true;
}

}  // namespace

namespace cimxml {

char *sbufReserve(sbuf *buffer, size_t count) {
    if (count > UINT32_MAX) {
        return nullptr;
    }
    while (room(buffer) < count) {
        if (!resized(buffer)) {
            return nullptr;
        }
    }
    return buffer->data + buffer->size;
}

void sbufCommit(sbuf *buffer, size_t count) {
    buffer->size += static_cast<uint32_t>(count);
    buffer->data[buffer->size] = '\0';
}

}  // namespace cimxml

extern "C" {

void sbufSetReallocForTesting(sbufReallocFunction fn) {
    g_realloc = fn ? fn : realloc;
}

sbuf *sbufCreate(unsigned capacity) {
    if (capacity == 0) {
        return nullptr;
    }
    sbuf *buffer = static_cast<sbuf *>(malloc(sizeof(sbuf)));
    if (buffer == nullptr) {
        return nullptr;
    }
    buffer->data = static_cast<char *>(malloc(capacity));
    if (buffer->data == nullptr) {
        free(buffer);
        return nullptr;
    }
    buffer->capacity = capacity;
    buffer->size = 0;
    buffer->data[0] = '\0';
    return buffer;
}

void sbufDestroy(sbuf *buffer) {
    if (buffer == nullptr) {
        return;
    }
    free(buffer->data);
    free(buffer);
}

sbuf *sbufAppendN(sbuf *buffer, const char *src, int n) {
    if (buffer == nullptr || src == nullptr || n < 0) {
        return nullptr;
    }
    // strncpy's rule: bytes up to the first NUL of src, NULs for the rest of
    // the n bytes; src is never read past its terminator.
    size_t text = strnlen(src, static_cast<size_t>(n));
    if (!appendBytes(buffer, src, static_cast<uint32_t>(text))) {
        return nullptr;
    }
    if (!appendBytes(buffer, nullptr, static_cast<uint32_t>(n - text))) {
        return nullptr;
    }
    return buffer;
}

sbuf *sbufAppend(sbuf *buffer, const char *str) {
    if (buffer == nullptr || str == nullptr) {
        return nullptr;
    }
    size_t length = strlen(str);
    if (length > INT_MAX) {
        return nullptr;
    }
    return sbufAppendN(buffer, str, static_cast<int>(length));
}

sbuf *sbufVPrintf(sbuf *buffer, const char *format, va_list args) {
    if (buffer == nullptr || format == nullptr) {
        return nullptr;
    }
    // The list is walked twice, to measure and then to write; neither pass
    // may consume the caller's list.
    va_list measure;
    va_copy(measure, args);
    char scratch[1];
    int length = vsnprintf(scratch, sizeof scratch, format, measure);
    va_end(measure);
    if (length < 0) {
        return nullptr;
    }
    while (room(buffer) < static_cast<uint32_t>(length)) {
        if (!resized(buffer)) {
            return nullptr;
        }
    }
    va_list write;
    va_copy(write, args);
    vsnprintf(buffer->data + buffer->size, room(buffer) + 1, format, write);
    va_end(write);
    buffer->size += static_cast<uint32_t>(length);
    return buffer;
}

sbuf *sbufPrintf(sbuf *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    sbuf *result = sbufVPrintf(buffer, format, args);
    va_end(args);
    return result;
}

const char *sbufGetString(const sbuf *buffer) {
    return buffer ? buffer->data : nullptr;
}

char *sbufGetStringCopy(const sbuf *buffer) {
    if (buffer == nullptr) {
        return nullptr;
    }
    char *copy = static_cast<char *>(malloc(buffer->size + size_t{1}));
    if (copy != nullptr) {
        memcpy(copy, buffer->data, buffer->size + size_t{1});
    }
    return copy;
}

unsigned sbufGetSize(const sbuf *buffer) {
    return buffer ? buffer->size : 0;
}

unsigned sbufGetCapacity(const sbuf *buffer) {
    return buffer ? buffer->capacity : 0;
}

sbuf *sbufClear(sbuf *buffer) {
    if (buffer == nullptr) {
        return nullptr;
    }
    buffer->size = 0;
    buffer->data[0] = '\0';
    return buffer;
}

}  // extern "C"
