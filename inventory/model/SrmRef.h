// Intrusive reference count shared by resources and service groups.
#ifndef INVENTORY_MODEL_SRMREF_H
#define INVENTORY_MODEL_SRMREF_H

#include <cstdint>

#include "ulvar/export.h"

// A new object holds one reference, which belongs to its creator. Every holder
// that keeps a pointer takes a reference with AddRef and gives it back with
// Release; the Release that brings the count to 0 deletes the object through its
// virtual destructor. Counts are plain integers: an object and everything that
// holds it are used by one thread at a time.
class ULVAR_API SrmRef {
  public:
    SrmRef() = default;
    virtual ~SrmRef();

    SrmRef(const SrmRef &) = delete;
    SrmRef &operator=(const SrmRef &) = delete;

    // Adds one holder; returns the new count.
    int AddRef() { return ++refCount; }

    // Gives one reference back. After the caller's own last Release the object
    // may be gone and must not be touched.
    void Release() {
        if (--refCount == 0) {
            delete this;
        }
    }

  private:
    int32_t refCount = 1;
};

#endif
