// The add... native methods: one batch of record text from the Java scanner,
// handed to the add road of inventory/persist/SrmBatchLoad.h.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_JNI_INTERNAL_SRMBATCHLOADER_H
#define INVENTORY_JNI_INTERNAL_SRMBATCHLOADER_H

#include <jni.h>

#include "inventory/model/SrmResource.h"

class SrmResourceDatabase;

// Runs the batch `batch` of records of `kind` into the database behind
// `handle` and returns the status string as a new local reference made by
// NewStringUTF (null only when the JVM cannot make it). Uses only
// GetStringUTFChars, ReleaseStringUTFChars and NewStringUTF of `env` and gives
// back every character array it takes. A zero handle gives "Failed to attach
// collection stream" and a null batch "Memory allocation error", touching
// nothing else. Disks and volume managers look the host name up before they
// take the characters (so also when they cannot be had), the other kinds
// after. No exception leaves it.
jstring srmLoadBatch(JNIEnv *env, jlong handle, jstring batch, SrmResourceType kind);

// The database behind a handle made by create (null for 0), and back.
SrmResourceDatabase *srmDatabaseOf(jlong handle);
jlong srmHandleOf(SrmResourceDatabase *db);

#endif
