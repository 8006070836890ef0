#include "bench/InventoryLoader.h"

#include <jni.h>

#include "inventory/jni/internal/SrmBatchLoader.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"

namespace {

// A Java string is stood for by the address of a std::string. The natives use
// no other JNI call than these three; GetStringUTFChars lends the text in place
// so that the loader, not a copy made for it, is what gets measured.
const char *JNICALL lendChars(JNIEnv *, jstring s, jboolean *isCopy) {
    if (isCopy != nullptr) {
        *isCopy = JNI_FALSE;
    }
    return reinterpret_cast<const std::string *>(s)->c_str();
}

void JNICALL returnChars(JNIEnv *, jstring, const char *) {}

thread_local std::string status;

jstring JNICALL makeStatus(JNIEnv *, const char *utf) {
    status = utf;
    return reinterpret_cast<jstring>(&status);
}

JNIEnv *environment() {
    static JNINativeInterface_ table = [] {
        JNINativeInterface_ t = {};
        t.GetStringUTFChars = &lendChars;
        t.ReleaseStringUTFChars = &returnChars;
        t.NewStringUTF = &makeStatus;
        return t;
    }();
    static JNIEnv env = {&table};
    return &env;
}

using AddMethod = jstring(JNICALL *)(JNIEnv *, jclass, jlong, jstring);

AddMethod addMethodOf(SrmResourceType kind) {
    switch (kind) {
        case SRM_RES_COMPUTER:
            return &SRM_ULVAR_NATIVE(addComputer);
        case SRM_RES_DISK:
            return &SRM_ULVAR_NATIVE(addDisk);
        case SRM_RES_DISKCHUNK:
            return &SRM_ULVAR_NATIVE(addDiskChunk);
        case SRM_RES_VOLUME:
            return &SRM_ULVAR_NATIVE(addVolume);
        case SRM_RES_VOLUMEGROUP:
            return &SRM_ULVAR_NATIVE(addVolumeGroup);
        case SRM_RES_VOLUMEMANAGER:
            return &SRM_ULVAR_NATIVE(addVolumeManagerInfo);
        case SRM_RES_FILESYSTEM:
            return &SRM_ULVAR_NATIVE(addFileSystem);
        case SRM_RES_MOUNTPOINT:
            return &SRM_ULVAR_NATIVE(addMountpoint);
        case SRM_RES_SHARE:
            return &SRM_ULVAR_NATIVE(addShare);
        case SRM_RES_ID:
            return &SRM_ULVAR_NATIVE(addAlias);
        default:
            return nullptr;
    }
}

}  // namespace

std::string loadInventoryBatch(SrmResourceDatabase *db, SrmResourceType kind,
                               const std::string &text) {
    AddMethod add = addMethodOf(kind);
    if (add == nullptr || db == nullptr) {
        return std::string();
    }
    jstring batch = reinterpret_cast<jstring>(const_cast<std::string *>(&text));
    jstring result = add(environment(), nullptr, srmHandleOf(db), batch);
    return result != nullptr ? *reinterpret_cast<std::string *>(result) : std::string();
}
