// Intrusive reference count of the report builders.
#ifndef INVENTORY_REPORT_RM_REF_H
#define INVENTORY_REPORT_RM_REF_H

#include <cstdint>

#include "ulvar/export.h"

// A new object holds one reference, its creator's. The Release that brings the
// count to 0 deletes the object through its virtual destructor, the only
// virtual operation. Counts are plain integers: one thread at a time.
class ULVAR_API RM_Ref {
  public:
    RM_Ref() = default;
    virtual ~RM_Ref();

    RM_Ref(const RM_Ref &) = delete;
    RM_Ref &operator=(const RM_Ref &) = delete;

    // Adds one holder; returns the new count.
    int AddRef() { return ++refCount; }
    // Gives one reference back; after the caller's last one the object may be
    // gone and must not be touched.
    void Release() {
        if (--refCount == 0) {
            delete this;
        }
    }

  private:
    int32_t refCount = 1;
};

#endif
