// A JNI environment for tests that run the natives without a JVM: its function
// table holds only GetStringUTFChars, ReleaseStringUTFChars and NewStringUTF,
// the three calls the natives may make (any other call crashes on a null
// pointer, which is the point).
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
        table_ = {};
        table_.GetStringUTFChars = &GetChars;
        table_.ReleaseStringUTFChars = &ReleaseChars;
        table_.NewStringUTF = &NewString;
        env_.functions = &table_;
        current_ = this;
    }
    ~FakeJni() { current_ = nullptr; }
    FakeJni(const FakeJni &) = delete;
    FakeJni &operator=(const FakeJni &) = delete;

    JNIEnv *env() { return &env_; }

    // A Java string whose modified UTF-8 form is `utf`, alive as long as this.
    jstring str(const std::string &utf) {
        strings_.emplace_back(new _jstring());
        jstring s = strings_.back().get();
        text_[s] = utf;
        return s;
    }
    // The text of a string; "<null>" for null, "<unknown>" for a foreign one.
    std::string text(jstring s) const {
        if (s == nullptr) {
            return "<null>";
        }
        auto it = text_.find(s);
        return it == text_.end() ? "<unknown>" : it->second;
    }

    // Character arrays handed out and not given back.
    int outstanding() const { return static_cast<int>(lent_.size()); }
    // Number of GetStringUTFChars calls so far.
    int charRequests() const { return charRequests_; }
    // Makes GetStringUTFChars fail (return null) from now on.
    void failChars(bool on) { failChars_ = on; }
    // Releases of arrays that were not lent, or lent for another string.
    int badReleases() const { return badReleases_; }

  private:
    static const char *JNICALL GetChars(JNIEnv *, jstring s, jboolean *isCopy) {
        FakeJni *self = current_;
        ++self->charRequests_;
        if (self->failChars_) {
            return nullptr;
        }
        const std::string &utf = self->text_.at(s);
        // A separate copy each time, so the sanitizers see any use after release.
        char *copy = new char[utf.size() + 1];
        std::memcpy(copy, utf.c_str(), utf.size() + 1);
        self->lent_[copy] = s;
        if (isCopy != nullptr) {
            *isCopy = JNI_TRUE;
        }
        return copy;
    }
    static void JNICALL ReleaseChars(JNIEnv *, jstring s, const char *chars) {
        FakeJni *self = current_;
        auto it = self->lent_.find(chars);
        if (it == self->lent_.end() || it->second != s) {
            ++self->badReleases_;
            return;
        }
        self->lent_.erase(it);
        delete[] chars;
    }
    static jstring JNICALL NewString(JNIEnv *, const char *utf) { return current_->str(utf); }

    static inline FakeJni *current_ = nullptr;
    JNINativeInterface_ table_;
    JNIEnv env_;
    std::vector<std::unique_ptr<_jstring>> strings_;
    std::map<jstring, std::string> text_;
    std::map<const char *, jstring> lent_;
    int charRequests_ = 0;
    int badReleases_ = 0;
    bool failChars_ = false;
};

}  // namespace testing
}  // namespace ulvar

#endif
