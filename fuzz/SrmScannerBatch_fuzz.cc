// Sends arbitrary bytes to the scanner's add... natives as a few batches,
// through the fake JNI environment, then resolves the database and writes it,
// loads what was written and writes that again.
//
// Input: batches separated by NUL bytes (a batch arrives as modified UTF-8,
// which never holds one); the first byte of each picks the native (see
// kNatives), the rest is the batch text. At most kMaxBatches are sent.
//
// Findings, besides crashes, hangs and leaks: a native that keeps a character
// array; a database written whole that does not load again; and a loaded
// database that, written, loaded and written again, does not give the very
// same bytes. (The first load may differ from what the scanner's database
// wrote in five ways its design makes, which the comparison allows and nothing
// else; see sameButDesignedDifferences.)
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fuzz/FuzzFiles.h"
#include "inventory/jni/internal/SrmUlvarNatives.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/CSRMReportTuple.h"
#include "inventory/persist/CSRMReportTupleStreamReader.h"
#include "inventory/persist/CSRMTupleFDStream.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/TupleStatus.h"
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

// The records of a database file as the reader cuts them, each a list of
// its elements.
std::vector<std::vector<std::string>> recordsOf(const std::string &bytes) {
    std::vector<std::vector<std::string>> records;
    int fd = descriptorWith(bytes.data(), bytes.size());
    if (fd < 0) {
        abort();
    }
    CSRMTupleFDStream stream;
    CSRMReportTupleStreamReader reader;
    stream.SetFileDescriptor(fd);
    reader.SetTupleStream(&stream);
    for (;;) {
        CSRMReportTuple *record = nullptr;
        int status = reader.GetNextTuple(&record);
        if (status == TUPLE_STATUS_OK) {
            records.emplace_back();
            record->getAllElements(records.back());
        }
        delete record;
        if (status != TUPLE_STATUS_OK) {
            break;
        }
    }
    close(fd);
    return records;
}

// The state bits the constructor of a record's kind sets (report and virtual
// report; disks also bit 0x1), which the record's "State" is ORed into when
// read; a share replaces its state word instead (none).
uint32_t constructorBits(const std::vector<std::string> &record) {
    std::string element = record.empty() ? "" : record[0], key, value;
    SrmSplitKeyValuePair(&element, &key, &value);
    if (key != "Type" || value == "Share") {
        return 0;
    }
    return value == "Disk" ? 0xD : 0xC;
}

// The value of `key` in `record`, or null when it has none.
const std::string *valueOf(std::vector<std::string> &record, const char *key, std::string *value) {
    std::string k;
    for (std::string &element : record) {
        if (SrmSplitKeyValuePair(&element, &k, value) != 0 && k == key) {
            return value;
        }
    }
    return nullptr;
}

// `a` and `b` hold the same records but for five differences that loading
// makes by design:
//  - a "State" of `b` may be that of `a` with the constructor's bits of its
//    kind added;
//  - a volume or volume group of `a` may name by "VolumeManager" a manager
//    that is not in the file (it was replaced after the volume found it); it
//    reads back without a manager, so `b` lacks that element;
//  - a volume with sub-volumes whose "HierType" in `a` is neither 1 nor 4
//    (a merge took the value a record gave) has 1 in `b`;
//  - records may stand in another order: an Id that would not read back is
//    written with its double quotes made apostrophes, and the records of a
//    kind go out in the order of their Ids;
//  - a file system's "Volume" or a mount point's "VolumeId" in `a` may be a
//    name that is no volume's Id but some volume's "LId": a name is resolved
//    when its record is read, and in the scanner's database that volume took
//    the local identity only after the record had come; read back, it names
//    that volume by its Id.
bool sameButDesignedDifferences(const std::string &a, const std::string &b) {
    if (a == b) {
        return true;
    }
    auto ra = recordsOf(a), rb = recordsOf(b);
    if (ra.size() != rb.size()) {
        return false;
    }
    // Records are matched by their first two elements (their "Type" and
    // "Id"), not by place: see below.
    auto byTypeAndId = [](const std::vector<std::string> &x, const std::vector<std::string> &y) {
        auto head = [](const std::vector<std::string> &r) {
            return std::make_tuple(r.size() > 0 ? r[0] : "", r.size() > 1 ? r[1] : "", r.size());
        };
        return head(x) < head(y);
    };
    std::stable_sort(ra.begin(), ra.end(), byTypeAndId);
    std::stable_sort(rb.begin(), rb.end(), byTypeAndId);
    std::vector<long> managers;
    std::vector<std::string> volumeIds;
    std::vector<std::pair<std::string, std::string>> volumeLocalIds;  // (LId, Id)
    for (auto &record : ra) {
        std::string word, idType, id, localId;
        if (valueOf(record, "Type", &word) != nullptr && word == "VolumeManager" &&
            valueOf(record, "IdType", &idType) != nullptr) {
            managers.push_back(std::strtol(idType.c_str(), nullptr, 10));
        }
        if (word == "Volume" && valueOf(record, "Id", &id) != nullptr) {
            volumeIds.push_back(id);
            if (valueOf(record, "LId", &localId) != nullptr) {
                volumeLocalIds.emplace_back(localId, id);
            }
        }
    }
    auto namesVolumeByLocalId = [&](const std::string &name, const std::string &id) {
        return std::find(volumeIds.begin(), volumeIds.end(), name) == volumeIds.end() &&
               std::find(volumeLocalIds.begin(), volumeLocalIds.end(), std::make_pair(name, id)) !=
                   volumeLocalIds.end();
    };
    for (std::size_t i = 0; i < ra.size(); ++i) {
        if (ra[i].size() == rb[i].size() + 1) {
            std::string manager;
            for (auto e = ra[i].begin(); e != ra[i].end(); ++e) {
                std::string key;
                if (SrmSplitKeyValuePair(&*e, &key, &manager) != 0 && key == "VolumeManager") {
                    long number = std::strtol(manager.c_str(), nullptr, 10);
                    bool known = false;
                    for (long m : managers) {
                        known = known || m == number;
                    }
                    if (!known) {
                        ra[i].erase(e);
                    }
                    break;
                }
            }
        }
        if (ra[i].size() != rb[i].size()) {
            return false;
        }
        for (std::size_t e = 0; e < ra[i].size(); ++e) {
            if (ra[i][e] == rb[i][e]) {
                continue;
            }
            std::string ka, va, kb, vb;
            if (SrmSplitKeyValuePair(&ra[i][e], &ka, &va) == 0 ||
                SrmSplitKeyValuePair(&rb[i][e], &kb, &vb) == 0 || ka != kb) {
                return false;
            }
            long numberA = std::strtol(va.c_str(), nullptr, 10);
            long numberB = std::strtol(vb.c_str(), nullptr, 10);
            if (ka == "State") {
                if ((static_cast<uint32_t>(numberA) | constructorBits(ra[i])) !=
                    static_cast<uint32_t>(numberB)) {
                    return false;
                }
            } else if (ka == "Volume" || ka == "VolumeId") {
                if (!namesVolumeByLocalId(va, vb)) {
                    return false;
                }
            } else if (ka == "HierType") {
                // A merge takes any hierarchy type a record gives; reading a
                // volume's sub-volumes back makes it 1 unless it is 4.
                std::string subs;
                if (numberB != 1 || numberA == 4 ||
                    valueOf(rb[i], "SubVolumeCount", &subs) == nullptr ||
                    std::strtol(subs.c_str(), nullptr, 10) < 1) {
                    return false;
                }
            } else {
                return false;
            }
        }
    }
    return true;
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
    for (int sent = 0; at < size && sent < kMaxBatches; ++sent) {
        const uint8_t *end = static_cast<const uint8_t *>(memchr(data + at, 0, size - at));
        std::size_t stop = end != nullptr ? static_cast<std::size_t>(end - data) : size;
        Native add = nativeOf(data[at]);
        std::string batch(reinterpret_cast<const char *>(data) + at + 1,
                          stop > at ? stop - at - 1 : 0);
        add(env, nullptr, handle, jni.str(batch));
        at = stop + 1;
    }
    if (jni.outstanding() != 0 || jni.badReleases() != 0) {
        finding("a character array kept or given back wrongly");
    }
    SRM_ULVAR_NATIVE(resolveDatabase)(env, nullptr, handle);

    int result = 0;
    const std::string first = writtenBy(db, &result);
    if (result == 1) {
        SrmResourceDatabase loaded;
        if (load(&loaded, first) != 1) {
            finding("a database written whole does not load", first);
        }
        const std::string second = writtenBy(&loaded, &result);
        if (result != 1) {
            finding("a loaded database cannot be written", first, second);
        }
        if (!sameButDesignedDifferences(first, second)) {
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
