// Anonymous temporary files through which record text travels between the Java
// scanner and the record reader.
#ifndef INVENTORY_PERSIST_SRMTEMPFILE_H
#define INVENTORY_PERSIST_SRMTEMPFILE_H

#include <stdio.h>

#include "ulvar/export.h"

#ifdef __cplusplus
extern "C" {
#endif

// A new temporary file open for reading and writing ("w+"), whose name is
// already removed: the file disappears when the caller closes the stream with
// fclose, which the caller must do. The directory is the first of these that is
// set, not empty, and writable and searchable (access W_OK|X_OK): $TMPDIR, `dir`
// (may be null), "/var/tmp", "/tmp". Null when no directory qualifies, or when
// the file cannot be made or opened in the chosen one (nothing is left behind).
ULVAR_API FILE *mktmpfile(const char *dir);

// Copies `src` into `dst` and removes one trailing '/', if any; returns `dst`.
// A null `src` leaves `dst` unchanged. REQUIRES: `dst` holds strlen(src) + 1 bytes.
ULVAR_API char *pcopy(char *dst, const char *src);

#ifdef __cplusplus
}
#endif

#endif
