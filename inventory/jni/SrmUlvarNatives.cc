#include "inventory/jni/internal/SrmUlvarNatives.h"

#include <stdio.h>

#include <new>

#include "inventory/jni/internal/SrmBatchLoader.h"
#include "inventory/model/SrmResourceDatabase.h"

extern "C" {

JNIEXPORT jlong JNICALL SRM_ULVAR_NATIVE(create)(JNIEnv *, jclass) {
    try {
        return srmHandleOf(new (std::nothrow) SrmResourceDatabase());
    } catch (...) {
        return 0;
    }
}

JNIEXPORT void JNICALL SRM_ULVAR_NATIVE(destroy)(JNIEnv *, jclass, jlong handle) {
    delete srmDatabaseOf(handle);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addAlias)(JNIEnv *env, jclass, jlong handle,
                                                     jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_ID);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addComputer)(JNIEnv *env, jclass, jlong handle,
                                                        jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_COMPUTER);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addDisk)(JNIEnv *env, jclass, jlong handle,
                                                    jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_DISK);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addDiskChunk)(JNIEnv *env, jclass, jlong handle,
                                                         jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_DISKCHUNK);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addFileSystem)(JNIEnv *env, jclass, jlong handle,
                                                          jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_FILESYSTEM);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addMountpoint)(JNIEnv *env, jclass, jlong handle,
                                                          jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_MOUNTPOINT);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addShare)(JNIEnv *env, jclass, jlong handle,
                                                     jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_SHARE);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolume)(JNIEnv *env, jclass, jlong handle,
                                                      jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_VOLUME);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolumeGroup)(JNIEnv *env, jclass, jlong handle,
                                                           jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_VOLUMEGROUP);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolumeManagerInfo)(JNIEnv *env, jclass, jlong handle,
                                                                 jstring batch) {
    return srmLoadBatch(env, handle, batch, SRM_RES_VOLUMEMANAGER);
}

// A zero handle has no database: both give 0 rather than follow a null pointer.
JNIEXPORT jint JNICALL SRM_ULVAR_NATIVE(resolveDatabase)(JNIEnv *, jclass, jlong handle) {
    SrmResourceDatabase *db = srmDatabaseOf(handle);
    if (db == nullptr) {
        return 0;
    }
    try {
        return db->resolveDatabase();
    } catch (...) {
        return 0;
    }
}

JNIEXPORT jint JNICALL SRM_ULVAR_NATIVE(serialize)(JNIEnv *, jclass, jlong handle) {
    SrmResourceDatabase *db = srmDatabaseOf(handle);
    if (db == nullptr) {
        return 0;
    }
    try {
        // The database is written with write(2) on the descriptor itself, so
        // anything the C library still buffers for standard output (the
        // diagnostic dumps print there) must go out first, not into the middle.
        fflush(stdout);
        return db->serialize(fileno(stdout), 0);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"

SrmUlvarAddNative srmUlvarAddNative(SrmResourceType t) {
    switch (t) {
        case SRM_RES_COMPUTER:
            return SRM_ULVAR_NATIVE(addComputer);
        case SRM_RES_VOLUMEMANAGER:
            return SRM_ULVAR_NATIVE(addVolumeManagerInfo);
        case SRM_RES_DISK:
            return SRM_ULVAR_NATIVE(addDisk);
        case SRM_RES_DISKCHUNK:
            return SRM_ULVAR_NATIVE(addDiskChunk);
        case SRM_RES_VOLUME:
            return SRM_ULVAR_NATIVE(addVolume);
        case SRM_RES_VOLUMEGROUP:
            return SRM_ULVAR_NATIVE(addVolumeGroup);
        case SRM_RES_FILESYSTEM:
            return SRM_ULVAR_NATIVE(addFileSystem);
        case SRM_RES_MOUNTPOINT:
            return SRM_ULVAR_NATIVE(addMountpoint);
        case SRM_RES_SHARE:
            return SRM_ULVAR_NATIVE(addShare);
        case SRM_RES_ID:
            return SRM_ULVAR_NATIVE(addAlias);
        default:
            return nullptr;
    }
}
