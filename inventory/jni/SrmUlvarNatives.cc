#include "inventory/jni/internal/SrmUlvarNatives.h"

#include <stdio.h>

#include <new>

#include "inventory/jni/internal/SrmBatchLoader.h"
#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace {

int addResource(SrmResourceDatabase *db, SrmResource *r) {
    return db->addResource(r);
}

// Kinds looked up by their Id alone, and kinds whose newcomers may name a
// resource by a local id the database has mapped to its global one.
template <SrmResourceType T>
SrmResource *findById(SrmResourceDatabase *db, SrmResource *r) {
    return db->findResource(T, r->Id);
}
template <SrmResourceType T>
SrmResource *findGlobal(SrmResourceDatabase *db, SrmResource *r) {
    return db->findGlobalResource(T, r);
}

// The objects that resolve references while they read (disks, volumes and
// volume groups) are bound to the database; the others read unbound, so a
// computer's "TIM" never makes it the database's this computer here.
const SrmBatchKind kAlias = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmId(); },
    findById<SRM_RES_ID>,
    addResource,
    {"Failed to collect system information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kComputer = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmComputer(); },
    findById<SRM_RES_COMPUTER>,
    [](SrmResourceDatabase *db, SrmResource *r) {
        return db->addComputer(static_cast<SrmComputer *>(r), 0);
    },
    {"Failed to collect system information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kDisk = {
    [](SrmResourceDatabase *db) -> SrmResource * { return new (std::nothrow) SrmDisk(db); },
    findGlobal<SRM_RES_DISK>,
    addResource,
    {"Failed to collect disk information", "Failed to attach collection stream"},
    true};

const SrmBatchKind kDiskChunk = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmDiskChunk(); },
    findById<SRM_RES_DISKCHUNK>,
    addResource,
    {"Failed to collect Disk Chunk information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kFileSystem = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmFileSystem(); },
    findGlobal<SRM_RES_FILESYSTEM>,
    addResource,
    {"Failed to collect file system information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kMountPoint = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmMountPoint(); },
    findGlobal<SRM_RES_MOUNTPOINT>,
    addResource,
    {"Failed to collect Mount Point information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kShare = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmShare(); },
    findGlobal<SRM_RES_SHARE>,
    addResource,
    {"Failed to collect share information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kVolume = {
    [](SrmResourceDatabase *db) -> SrmResource * { return new (std::nothrow) SrmVolume(db); },
    findGlobal<SRM_RES_VOLUME>,
    addResource,
    {"Failed to collect volume information, couldn't attach collection stream", nullptr},
    false};

const SrmBatchKind kVolumeGroup = {
    [](SrmResourceDatabase *db) -> SrmResource * { return new (std::nothrow) SrmVolumeGroup(db); },
    findGlobal<SRM_RES_VOLUMEGROUP>,
    addResource,
    {"Failed to collect volume group information, couldn't attach collection stream", nullptr},
    false};

// Never merged: the list replaces a volume manager held under the same Id.
const SrmBatchKind kVolumeManager = {
    [](SrmResourceDatabase *) -> SrmResource * { return new (std::nothrow) SrmVolumeManager(); },
    nullptr,
    addResource,
    {"Failed to collect volume manager information", nullptr},
    true};

}  // namespace

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
    return srmLoadBatch(env, handle, batch, kAlias);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addComputer)(JNIEnv *env, jclass, jlong handle,
                                                        jstring batch) {
    return srmLoadBatch(env, handle, batch, kComputer);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addDisk)(JNIEnv *env, jclass, jlong handle,
                                                    jstring batch) {
    return srmLoadBatch(env, handle, batch, kDisk);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addDiskChunk)(JNIEnv *env, jclass, jlong handle,
                                                         jstring batch) {
    return srmLoadBatch(env, handle, batch, kDiskChunk);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addFileSystem)(JNIEnv *env, jclass, jlong handle,
                                                          jstring batch) {
    return srmLoadBatch(env, handle, batch, kFileSystem);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addMountpoint)(JNIEnv *env, jclass, jlong handle,
                                                          jstring batch) {
    return srmLoadBatch(env, handle, batch, kMountPoint);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addShare)(JNIEnv *env, jclass, jlong handle,
                                                     jstring batch) {
    return srmLoadBatch(env, handle, batch, kShare);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolume)(JNIEnv *env, jclass, jlong handle,
                                                      jstring batch) {
    return srmLoadBatch(env, handle, batch, kVolume);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolumeGroup)(JNIEnv *env, jclass, jlong handle,
                                                           jstring batch) {
    return srmLoadBatch(env, handle, batch, kVolumeGroup);
}

JNIEXPORT jstring JNICALL SRM_ULVAR_NATIVE(addVolumeManagerInfo)(JNIEnv *env, jclass, jlong handle,
                                                                 jstring batch) {
    return srmLoadBatch(env, handle, batch, kVolumeManager);
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
