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

}  // namespace

std::string loadInventoryBatch(SrmResourceDatabase *db, SrmResourceType kind,
                               const std::string &text) {
    SrmUlvarAddNative add = srmUlvarAddNative(kind);
    if (add == nullptr || db == nullptr) {
        return std::string();
    }
    jstring batch = reinterpret_cast<jstring>(const_cast<std::string *>(&text));
    jstring result = add(environment(), nullptr, srmHandleOf(db), batch);
    return result != nullptr ? *reinterpret_cast<std::string *>(result) : std::string();
}
