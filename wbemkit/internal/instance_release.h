// Release of an instance as a part of a larger release (a whole list).
#ifndef WBEMKIT_INTERNAL_INSTANCE_RELEASE_H
#define WBEMKIT_INTERNAL_INSTANCE_RELEASE_H

#include "wbemkit/internal/block_pool.h"

namespace wbemkit {

// Frees the CCIMInstance `element` (may be null) with everything it owns,
// its records through `release`.
void releaseInstance(RecordRelease &release, void *element);

}  // namespace wbemkit

#endif
