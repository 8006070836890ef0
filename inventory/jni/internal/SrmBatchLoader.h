// Loading one batch of record text from the Java scanner into a database: the
// road every add... native method takes, parameterised by the kind it loads.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_JNI_INTERNAL_SRMBATCHLOADER_H
#define INVENTORY_JNI_INTERNAL_SRMBATCHLOADER_H

#include <jni.h>

class SrmResource;
class SrmResourceDatabase;

// Status strings of the add... methods, exactly as the scanner compares them.
extern const char kSrmBatchOk[];        // "The operation succeeded."
extern const char kSrmBatchNoMemory[];  // "Memory allocation error"
extern const char kSrmBatchNoFile[];    // "The file could not be opened."
extern const char kSrmBatchNoStream[];  // "Failed to attach collection stream"

// Directory for batch files unless $TMPDIR names a usable one.
extern const char kSrmBatchDirectory[];  // "/var/opt/VRNWkit/omxom/tmpdir"

// How one kind's records enter the database.
struct SrmBatchKind {
    // A new object of the kind with one reference (the caller's), or null when
    // memory ran out.
    SrmResource *(*make)(SrmResourceDatabase *db);
    // The resource the database already holds for newcomer `r`, or null (no
    // reference given). Null for kinds that are never merged.
    SrmResource *(*find)(SrmResourceDatabase *db, SrmResource *r);
    // Hands newcomer `r` to the database, which takes its own reference.
    int (*add)(SrmResourceDatabase *db, SrmResource *r);
    // Error records filed, in this order, under the host name when the batch
    // cannot be attached as the database's record stream; null entries are
    // skipped.
    const char *failure[2];
    // Whether the host name is taken before the batch characters are (it is
    // then taken even when the characters cannot be had).
    bool hostNameFirst;
};

// Runs the batch `batch` into the database behind `handle` and returns the
// status string as a new local reference made by NewStringUTF (null only when
// the JVM cannot make it). Uses only GetStringUTFChars, ReleaseStringUTFChars
// and NewStringUTF of `env`; gives back every character array it takes, closes
// the batch file and leaves no stream attached, on every road out. A zero
// handle gives "Failed to attach collection stream" and a null batch "Memory
// allocation error", touching nothing else. No exception leaves it: one thrown
// while loading ends the batch with "Memory allocation error", keeping what was
// loaded before.
jstring srmLoadBatch(JNIEnv *env, jlong handle, jstring batch, const SrmBatchKind &kind);

// The database behind a handle made by create (null for 0), and back.
SrmResourceDatabase *srmDatabaseOf(jlong handle);
jlong srmHandleOf(SrmResourceDatabase *db);

#endif
