// A JNI environment for tests that run the natives without a JVM: its function
// table holds only GetStringUTFChars, ReleaseStringUTFChars and NewStringUTF,
// the three calls the natives may make (any other call crashes on a null
// pointer, which is the point). One environment per thread: each thread that
// calls natives makes its own.
#ifndef INVENTORY_TESTING_FAKEJNI_H
#define INVENTORY_TESTING_FAKEJNI_H

#include <jni.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ulvar {
namespace testing {

class FakeJni {
  public:
    FakeJni() {
        table = {};
        table.GetStringUTFChars = &GetChars;
        table.ReleaseStringUTFChars = &ReleaseChars;
        table.NewStringUTF = &NewString;
        environment.functions = &table;
        current = this;
    }
    ~FakeJni() { current = nullptr; }
    FakeJni(const FakeJni &) = delete;
    FakeJni &operator=(const FakeJni &) = delete;

    JNIEnv *env() { return &environment; }

    // A Java string whose modified UTF-8 form is `utf`, alive as long as this.
    jstring str(const std::string &utf) {
        strings.emplace_back(new _jstring());
        jstring s = strings.back().get();
        texts[s] = utf;
        return s;
    }
    // The text of a string; "<null>" for null, "<unknown>" for a foreign one.
    std::string text(jstring s) const {
        if (s == nullptr) {
            return "<null>";
        }
        auto it = texts.find(s);
        return it == texts.end() ? "<unknown>" : it->second;
    }

    // Character arrays handed out and not given back.
    int outstanding() const { return static_cast<int>(lent.size()); }
    // Number of GetStringUTFChars calls so far.
    int charRequests() const { return charRequestCount; }
    // Makes GetStringUTFChars fail (return null) from now on.
    void failChars(bool on) { failingChars = on; }
    // Releases of arrays that were not lent, or lent for another string.
    int badReleases() const { return badReleaseCount; }

  private:
    static const char *JNICALL GetChars(JNIEnv *, jstring s, jboolean *isCopy) {
        FakeJni *self = current;
        ++self->charRequestCount;
        if (self->failingChars) {
            return nullptr;
        }
        const std::string &utf = self->texts.at(s);
        // A separate copy each time, so the sanitizers see any use after release.
        char *copy = new char[utf.size() + 1];
        std::memcpy(copy, utf.c_str(), utf.size() + 1);
        self->lent[copy] = s;
        if (isCopy != nullptr) {
            *isCopy = JNI_TRUE;
        }
        return copy;
    }
    static void JNICALL ReleaseChars(JNIEnv *, jstring s, const char *chars) {
        FakeJni *self = current;
        auto it = self->lent.find(chars);
        if (it == self->lent.end() || it->second != s) {
            ++self->badReleaseCount;
            return;
        }
        self->lent.erase(it);
        delete[] chars;
    }
    static jstring JNICALL NewString(JNIEnv *, const char *utf) { return current->str(utf); }

    // The callbacks find their environment here: the one made last on the calling thread.
    static inline thread_local FakeJni *current = nullptr;
    JNINativeInterface_ table;
    JNIEnv environment;
    std::vector<std::unique_ptr<_jstring>> strings;
    std::map<jstring, std::string> texts;
    std::map<const char *, jstring> lent;
    int charRequestCount = 0;
    int badReleaseCount = 0;
    bool failingChars = false;
};

}  // namespace testing
}  // namespace ulvar

#endif
