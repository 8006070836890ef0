// The native methods of the Java scanner's database class
// com.vorn.halvane.mgmt.agent.scanner.plugins.tolvak.SrmUlvar, under their JNI
// names. The Java side declares them static: the second argument is the class,
// and it is not used.
//
// A handle is the address of a database made by create. Calls on one handle
// must not overlap; a handle must not be used after destroy. No exception and
// no C++ failure leaves any of these functions.
#ifndef INVENTORY_JNI_INTERNAL_SRMULVARNATIVES_H
#define INVENTORY_JNI_INTERNAL_SRMULVARNATIVES_H

#include <jni.h>

#define SRM_ULVAR_NATIVE(name) \
    Java_com_vorn_halvane_mgmt_agent_scanner_plugins_tolvak_SrmUlvar_##name

#ifdef __cplusplus
extern "C" {
#endif

// A new, empty database; 0 when memory ran out.
JNIEXPORT jlong JNICALL SRM_ULVAR_NATIVE(create)(JNIEnv *env, jclass cls);
// Deletes the database and everything it holds; 0 is ignored.
JNIEXPORT void JNICALL SRM_ULVAR_NATIVE(destroy)(JNIEnv *env, jclass cls, jlong handle);

// Each loads one batch of record text of its kind and returns a new string:
// "The operation succeeded.", "Memory allocation error", "The file could not be
// opened." or "Failed to attach collection stream" (see SrmBatchLoader.h).
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addAlias)(JNIEnv *env, jclass cls, jlong handle,
                                                     jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addComputer)(JNIEnv *env, jclass cls, jlong handle,
                                                        jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addDisk)(JNIEnv *env, jclass cls, jlong handle,
                                                    jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addDiskChunk)(JNIEnv *env, jclass cls, jlong handle,
                                                         jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addFileSystem)(JNIEnv *env, jclass cls, jlong handle,
                                                          jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addMountpoint)(JNIEnv *env, jclass cls, jlong handle,
                                                          jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addShare)(JNIEnv *env, jclass cls, jlong handle,
                                                     jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolume)(JNIEnv *env, jclass cls, jlong handle,
                                                      jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolumeGroup)(JNIEnv *env, jclass cls, jlong handle,
                                                           jstring batch);
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolumeManagerInfo)(JNIEnv *env, jclass cls,
                                                                 jlong handle, jstring batch);

// Copies report flags down the storage stack, takes unusable disks out of the
// report (filing an error record for each) and grows the service groups;
// returns the number of state copies made; -1 when memory ran out on the way
// (see SrmResourceDatabase::resolveDatabase). 0 for a zero handle.
JNIEXPORT jint JNICALL SRM_ULVAR_NATIVE(resolveDatabase)(JNIEnv *env, jclass cls, jlong handle);
// Writes the whole database as record text to descriptor 1, after flushing
// what C stdio holds for standard output; 1 on success, 0 on failure (the
// database's last error says why) and for a zero handle. The Java caller must
// flush System.out first and print nothing to it until this returns.
JNIEXPORT jint JNICALL SRM_ULVAR_NATIVE(serialize)(JNIEnv *env, jclass cls, jlong handle);

// The database's host report as CIM-XML: one VALUE.OBJECT per instance at
// indent 0, lines ended by "\r\n", as a new string made by NewStringUTF (null
// only when the JVM cannot make it). On failure one of the words "ERROR 1"
// (the report has no instance list), "ERROR 2" (the conversion failed, also
// for a zero handle and for a database without its computer), "ERROR 3" (the
// writer failed) or "ERROR UNEXPECTED" (memory ran out around them). The
// conversion's status results are recorded in a job of print's own, deleted
// before it returns. The database is only read; everything the conversion
// made is freed on every road out. Calls on different handles may come from
// different threads: they take turns, since the job registry is one.
JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(print)(JNIEnv *env, jclass cls, jlong handle);

#ifdef __cplusplus
}

#include "inventory/model/SrmResource.h"

// The add... native that takes the batches of kind `t` (kSrmBatches names
// them); null for a kind no batch carries. For the tests that send batches.
using SrmUlvarAddNative = jstring (*)(JNIEnv *, jclass, jlong, jstring);
SrmUlvarAddNative srmUlvarAddNative(SrmResourceType t);
#endif

#endif
