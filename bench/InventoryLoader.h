// Feeds record text batches to a database through the scanner's native add
// methods, exactly as the Java side does, but without a JVM: a minimal JNI
// environment lends the batch characters in place and hands the status back.
#ifndef BENCH_INVENTORYLOADER_H
#define BENCH_INVENTORYLOADER_H

#include <string>

#include "inventory/model/SrmResource.h"

class SrmResourceDatabase;

// Runs `text` through the add method of `kind` into `db` (not owned; must be a
// database made with new, as the natives' handles are) and returns the
// method's status string ("The operation succeeded." and so on). Empty for a
// kind that has no add method (virtual servers) or a null `db`. One thread at a
// time.
std::string loadInventoryBatch(SrmResourceDatabase *db, SrmResourceType kind,
                               const std::string &text);

#endif
