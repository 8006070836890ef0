// Sends arbitrary bytes to the scanner's add... natives as a few batches,
// through the fake JNI environment, then resolves the database and writes it,
// loads what was written and writes that again.
//
// Input: batches separated by NUL bytes (a batch arrives as modified UTF-8,
// which never holds one); the first byte of each picks the native (see
// kNatives), the rest is the batch text. At most kMaxBatches are sent.
//
// Findings, besides crashes, hangs and leaks: a native that keeps a character
// array; a database whose every batch answered success that cannot be written
// (the scan the scanner was told was kept would be lost); a database written
// whole that does not load again; and a loaded
// database that, written, loaded and written again, does not give the very
// same bytes. (The first load may differ from what the scanner's database
// wrote in five ways its design makes, which the comparison allows and nothing
// else; see inventory/testing/DesignedDifferences.h.)
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "fuzz/FuzzFiles.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/testing/DesignedDifferences.h"
#include "inventory/testing/FakeJni.h"

namespace {

using Native = jstring (*)(JNIEnv *, jclass, jlong, jstring);

// Picked by the first byte of a batch: its lower case letter when it is one of
// these, else the byte modulo the count.
const struct {
    char letter;
    Native add;
} kNatives[] = {
    {'c', SRM_ULVAR_NATIVE(addComputer)},   {'m', SRM_ULVAR_NATIVE(addVolumeManagerInfo)},
    {'d', SRM_ULVAR_NATIVE(addDisk)},       {'k', SRM_ULVAR_NATIVE(addDiskChunk)},
    {'v', SRM_ULVAR_NATIVE(addVolume)},     {'g', SRM_ULVAR_NATIVE(addVolumeGroup)},
    {'f', SRM_ULVAR_NATIVE(addFileSystem)}, {'p', SRM_ULVAR_NATIVE(addMountpoint)},
    {'s', SRM_ULVAR_NATIVE(addShare)},      {'a', SRM_ULVAR_NATIVE(addAlias)},
};
constexpr std::size_t kNativeCount = sizeof kNatives / sizeof kNatives[0];
constexpr int kMaxBatches = 12;

Native nativeOf(uint8_t pick) {
    for (const auto &n : kNatives) {
        if (n.letter == pick) {
            return n.add;
        }
    }
    return kNatives[pick % kNativeCount].add;
}

// What the database writes, and its result.
std::string writtenBy(SrmResourceDatabase *db, int *result) {
    std::string out;
    int fd = memfd_create("written", MFD_CLOEXEC);
    if (fd < 0) {
        abort();
    }
    *result = db->serialize(fd, 0);
    char chunk[8192];
    ssize_t n;
    off_t at = 0;
    while ((n = pread(fd, chunk, sizeof chunk, at)) > 0) {
        out.append(chunk, static_cast<std::size_t>(n));
        at += n;
    }
    close(fd);
    return out;
}

// Loads `bytes` into `db`: deserialize's result.
int load(SrmResourceDatabase *db, const std::string &bytes) {
    int fd = descriptorWith(bytes.data(), bytes.size());
    if (fd < 0) {
        abort();
    }
    int result = db->deserialize(fd, nullptr);
    close(fd);
    return result;
}

// Ends the run as a finding, showing the first record where `a` and `b` part;
// with ULVAR_FUZZ_DUMP=<folder> both are written there whole (a and b).
[[noreturn]] void finding(const char *what, const std::string &a = "", const std::string &b = "") {
    if (const char *folder = std::getenv("ULVAR_FUZZ_DUMP")) {
        for (const auto &[name, text] : {std::make_pair("/a", &a), std::make_pair("/b", &b)}) {
            if (FILE *f = std::fopen((std::string(folder) + name).c_str(), "wb")) {
                std::fwrite(text->data(), 1, text->size(), f);
                std::fclose(f);
            }
        }
    }
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        ++at;
    }
    std::size_t start = a.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    std::fprintf(stderr, "finding: %s\n--- %s\n+++ %s\n", what,
                 a.substr(start, a.find('\n', at) - start).c_str(),
                 b.substr(start, b.find('\n', at) - start).c_str());
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ulvar::testing::FakeJni jni;
    JNIEnv *env = jni.env();
    jlong handle = SRM_ULVAR_NATIVE(create)(env, nullptr);
    if (handle == 0) {
        return 0;
    }
    auto *db = reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));

    std::size_t at = 0;
    bool allSucceeded = true;
    for (int sent = 0; at < size && sent < kMaxBatches; ++sent) {
        const uint8_t *end = static_cast<const uint8_t *>(memchr(data + at, 0, size - at));
        std::size_t stop = end != nullptr ? static_cast<std::size_t>(end - data) : size;
        Native add = nativeOf(data[at]);
        std::string batch(reinterpret_cast<const char *>(data) + at + 1,
                          stop > at ? stop - at - 1 : 0);
        allSucceeded =
            jni.text(add(env, nullptr, handle, jni.str(batch))) == kSrmBatchOk && allSucceeded;
        at = stop + 1;
    }
    if (jni.outstanding() != 0 || jni.badReleases() != 0) {
        finding("a character array kept or given back wrongly");
    }
    SRM_ULVAR_NATIVE(resolveDatabase)(env, nullptr, handle);

    int result = 0;
    const std::string first = writtenBy(db, &result);
    if (result != 1 && allSucceeded) {
        std::string message;
        db->getLastErrorInfo(nullptr, message, nullptr);
        finding(("a scan whose batches all succeeded cannot be written: " + message).c_str(),
                first);
    }
    if (result == 1) {
        SrmResourceDatabase loaded;
        if (load(&loaded, first) != 1) {
            finding("a database written whole does not load", first);
        }
        const std::string second = writtenBy(&loaded, &result);
        if (result != 1) {
            finding("a loaded database cannot be written", first, second);
        }
        if (!ulvar::testing::SameButDesignedDifferences(first, second)) {
            finding("the loaded database differs", first, second);
        }
        SrmResourceDatabase again;
        if (load(&again, second) != 1) {
            finding("a loaded database, written, does not load", second);
        }
        const std::string third = writtenBy(&again, &result);
        if (result != 1 || third != second) {
            finding("a loaded database written again differs", second, third);
        }
    }
    SRM_ULVAR_NATIVE(destroy)(env, nullptr, handle);
    return 0;
}
