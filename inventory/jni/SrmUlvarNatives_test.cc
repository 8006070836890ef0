#include "inventory/jni/internal/SrmUlvarNatives.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/testing/FailingAllocation.h"
#include "inventory/testing/FakeJni.h"
#include "inventory/testing/ReadOnlyDirectories.h"

namespace {

using ulvar::testing::FakeJni;
using ulvar::testing::ScopedAllocationFailure;

using AddFn = jstring (*)(JNIEnv *, jclass, jlong, jstring);

const char kOk[] = "The operation succeeded.";
const char kNoMemory[] = "Memory allocation error";
const char kNoFile[] = "The file could not be opened.";
const char kNoStream[] = "Failed to attach collection stream";

struct Kind {
    const char *method;
    AddFn add;
    SrmResourceType type;
    const char *word;                   // the record's "Type" value
    std::vector<std::string> failures;  // error records when the stream cannot be attached
    bool hostNameFirst;
};

const std::vector<Kind> &Kinds() {
    static const std::vector<Kind> kinds = {
        {"addAlias",
         SRM_ULVAR_NATIVE(addAlias),
         SRM_RES_ID,
         "Id",
         {"Failed to collect system information, couldn't attach collection stream"},
         false},
        {"addComputer",
         SRM_ULVAR_NATIVE(addComputer),
         SRM_RES_COMPUTER,
         "System",
         {"Failed to collect system information, couldn't attach collection stream"},
         false},
        {"addDisk",
         SRM_ULVAR_NATIVE(addDisk),
         SRM_RES_DISK,
         "Disk",
         {"Failed to collect disk information", "Failed to attach collection stream"},
         true},
        {"addDiskChunk",
         SRM_ULVAR_NATIVE(addDiskChunk),
         SRM_RES_DISKCHUNK,
         "DiskChunk",
         {"Failed to collect Disk Chunk information, couldn't attach collection stream"},
         false},
        {"addFileSystem",
         SRM_ULVAR_NATIVE(addFileSystem),
         SRM_RES_FILESYSTEM,
         "FileSystem",
         {"Failed to collect file system information, couldn't attach collection stream"},
         false},
        {"addMountpoint",
         SRM_ULVAR_NATIVE(addMountpoint),
         SRM_RES_MOUNTPOINT,
         "MountPoint",
         {"Failed to collect Mount Point information, couldn't attach collection stream"},
         false},
        {"addShare",
         SRM_ULVAR_NATIVE(addShare),
         SRM_RES_SHARE,
         "Share",
         {"Failed to collect share information, couldn't attach collection stream"},
         false},
        {"addVolume",
         SRM_ULVAR_NATIVE(addVolume),
         SRM_RES_VOLUME,
         "Volume",
         {"Failed to collect volume information, couldn't attach collection stream"},
         false},
        {"addVolumeGroup",
         SRM_ULVAR_NATIVE(addVolumeGroup),
         SRM_RES_VOLUMEGROUP,
         "VolumeGroup",
         {"Failed to collect volume group information, couldn't attach collection stream"},
         false},
        {"addVolumeManagerInfo",
         SRM_ULVAR_NATIVE(addVolumeManagerInfo),
         SRM_RES_VOLUMEMANAGER,
         "VolumeManager",
         {"Failed to collect volume manager information"},
         true},
    };
    return kinds;
}

std::string Record(const std::string &word, const std::string &id, const std::string &more = "") {
    return "\"Type=" + word + "\",\"Id=" + id + "\"," + more + ";\n";
}

class SrmUlvarNativesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        handle = SRM_ULVAR_NATIVE(create)(jni.env(), nullptr);
        ASSERT_NE(0, handle);
        db = reinterpret_cast<SrmResourceDatabase *>(static_cast<uintptr_t>(handle));
    }
    void TearDown() override { SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, handle); }

    // Calls an add... native and checks what every call must leave behind.
    std::string Add(AddFn add, const std::string &batch) {
        std::string status = jni.text(add(jni.env(), nullptr, handle, jni.str(batch)));
        EXPECT_EQ(0, jni.outstanding()) << "batch characters not given back";
        EXPECT_EQ(0, jni.badReleases());
        EXPECT_EQ(nullptr, db->getTupleStream()) << "stream left attached";
        return status;
    }

    void AddHost(const std::string &host) {
        ASSERT_EQ(kOk, Add(SRM_ULVAR_NATIVE(addComputer),
                           Record("System", host, "\"HostName=" + host + "\",")));
    }

    int Count(SrmResourceType t) { return db->getResourceList()->getTypeCount(t); }

    // Descriptions of the errors filed under `key`, each checked for code 22 and severity 2.
    std::vector<std::string> Errors(const std::string &key) {
        std::vector<std::string> out;
        const SrmErrorIdList *list = db->getErrorList()->getSrmErrorIdMap(key);
        if (list == nullptr) {
            return out;
        }
        for (SrmError *e : *list) {
            EXPECT_EQ(22, e->Ecode);
            EXPECT_EQ(2, e->Sev);
            out.push_back(e->ErrorDesc);
        }
        return out;
    }

    FakeJni jni;
    jlong handle = 0;
    SrmResourceDatabase *db = nullptr;
};

TEST_F(SrmUlvarNativesTest, EveryKindLoadsItsBatch) {
    for (const Kind &k : Kinds()) {
        std::string batch = Record(k.word, std::string(k.method) + "-1") +
                            Record(k.word, std::string(k.method) + "-2");
        EXPECT_EQ(kOk, Add(k.add, batch)) << k.method;
        EXPECT_EQ(2, Count(k.type)) << k.method;
    }
    EXPECT_EQ(2, db->getComputerList()->getTypeCount(SRM_RES_COMPUTER));
}

TEST_F(SrmUlvarNativesTest, EmptyBatchChangesNothing) {
    for (const Kind &k : Kinds()) {
        EXPECT_EQ(kOk, Add(k.add, "")) << k.method;
    }
    EXPECT_EQ(0, db->getResourceCount());
    EXPECT_EQ(0, db->getErrorList()->getErrorCount());
}

TEST_F(SrmUlvarNativesTest, RecordsWithTheSameIdMergeIntoTheFirst) {
    ASSERT_EQ(kOk, Add(SRM_ULVAR_NATIVE(addDisk),
                       Record("Disk", "d1", "\"Name=sda\",\"Model=old\",\"Status=3\",")));
    SrmResource *first = db->findResource(SRM_RES_DISK, "d1");
    ASSERT_NE(nullptr, first);
    ASSERT_EQ(kOk, Add(SRM_ULVAR_NATIVE(addDisk),
                       Record("Disk", "d1", "\"Name=sdb\",\"Model=new\",\"Status=0\",") +
                           Record("Disk", "d1", "\"Make=ACME\",")));
    EXPECT_EQ(1, Count(SRM_RES_DISK));
    ASSERT_EQ(first, db->findResource(SRM_RES_DISK, "d1"));
    SrmDisk *disk = static_cast<SrmDisk *>(first);
    EXPECT_EQ("sda", disk->Name);
    EXPECT_EQ("new", disk->Model);
    EXPECT_EQ("ACME", disk->Make);
    EXPECT_EQ(3, disk->Status);
}

TEST_F(SrmUlvarNativesTest, VolumeManagerWithAnExistingIdReplacesTheOldOne) {
    ASSERT_EQ(kOk, Add(SRM_ULVAR_NATIVE(addVolumeManagerInfo),
                       Record("VolumeManager", "vm", "\"IdType=1\",\"VolumeMgrName=old\",") +
                           Record("VolumeManager", "vm", "\"VolumeMgrVersion=2.0\",")));
    EXPECT_EQ(1, Count(SRM_RES_VOLUMEMANAGER));
    auto *vm = static_cast<SrmVolumeManager *>(db->findResource(SRM_RES_VOLUMEMANAGER, "vm"));
    ASSERT_NE(nullptr, vm);
    // Replaced, not merged: nothing of the first record survives.
    EXPECT_EQ("", vm->VolumeMgrName);
    EXPECT_EQ(0, vm->IdType);
    EXPECT_EQ("2.0", vm->VolumeMgrVersion);
}

TEST_F(SrmUlvarNativesTest, ComputerBatchNeverChoosesThisComputer) {
    AddHost("alpha");
    ASSERT_EQ(kOk, Add(SRM_ULVAR_NATIVE(addComputer),
                       Record("System", "beta", "\"HostName=beta\",\"TIM=1\",")));
    // Two computers and none chosen: there is no this computer to file errors under.
    EXPECT_EQ(nullptr, db->getThisComputer());
}

TEST_F(SrmUlvarNativesTest, ModifiedUtf8TextArrivesUnchanged) {
    // U+00E4, U+20AC, U+0000 (modified UTF-8: C0 80) and U+1D11E as a surrogate pair.
    const std::string name = "Platte \xC3\xA4\xE2\x82\xAC \xC0\x80 \xED\xA0\xB4\xED\xB4\x9E";
    ASSERT_EQ(kOk, Add(SRM_ULVAR_NATIVE(addDisk), Record("Disk", "d1", "\"Name=" + name + "\",")));
    auto *disk = static_cast<SrmDisk *>(db->findResource(SRM_RES_DISK, "d1"));
    ASSERT_NE(nullptr, disk);
    EXPECT_EQ(name, disk->Name);
}

TEST_F(SrmUlvarNativesTest, UnobtainableCharactersGiveMemoryErrorAfterOrBeforeTheHostLookup) {
    for (const Kind &k : Kinds()) {
        // No computer yet: looking the host up fills the last-error slot, which
        // tells whether the method looked before or after taking the characters.
        db->setErrorInfo(0, "untouched", nullptr);
        jni.failChars(true);
        EXPECT_EQ(kNoMemory, Add(k.add, Record(k.word, "x"))) << k.method;
        jni.failChars(false);
        std::string message;
        db->getLastErrorInfo(nullptr, message, nullptr);
        EXPECT_EQ(k.hostNameFirst ? "Not current computer found." : "untouched", message)
            << k.method;
    }
    EXPECT_EQ(0, db->getResourceCount());
}

TEST_F(SrmUlvarNativesTest, NullBatchOrZeroHandleIsRefusedWithoutTouchingTheJvm) {
    EXPECT_EQ(kNoMemory, jni.text(SRM_ULVAR_NATIVE(addDisk)(jni.env(), nullptr, handle, nullptr)));
    EXPECT_EQ(kNoStream, jni.text(SRM_ULVAR_NATIVE(addDisk)(jni.env(), nullptr, 0, jni.str("x"))));
    EXPECT_EQ(0, jni.charRequests());
    SRM_ULVAR_NATIVE(destroy)(jni.env(), nullptr, 0);
}

TEST_F(SrmUlvarNativesTest, UnattachableStreamIsReportedAndFiledUnderTheHost) {
    AddHost("Alpha");
    for (const Kind &k : Kinds()) {
        int before = db->getErrorList()->getErrorCount();
        {
            ScopedAllocationFailure fail(sizeof(CSRMTupleFDStream), 1);
            EXPECT_EQ(kNoStream, Add(k.add, Record(k.word, "late"))) << k.method;
        }
        std::vector<std::string> all = Errors("alpha");
        ASSERT_EQ(before + static_cast<int>(k.failures.size()), static_cast<int>(all.size()))
            << k.method;
        EXPECT_EQ(k.failures, std::vector<std::string>(all.begin() + before, all.end()))
            << k.method;
    }
    EXPECT_EQ(nullptr, db->findResource(SRM_RES_DISK, "late"));
}

TEST_F(SrmUlvarNativesTest, UnattachableStreamWithoutHostRecordsNothing) {
    ScopedAllocationFailure fail(sizeof(CSRMTupleFDStream), 1);
    EXPECT_EQ(kNoStream, Add(SRM_ULVAR_NATIVE(addDisk), Record("Disk", "d1")));
    EXPECT_EQ(0, db->getErrorList()->getErrorCount());
}

TEST_F(SrmUlvarNativesTest, AllocationFailureMidBatchKeepsWhatWasLoaded) {
    std::string batch = Record("Disk", "d1") + Record("Disk", "d2") + Record("Disk", "d3");
    {
        ScopedAllocationFailure fail(sizeof(SrmDisk), 2);
        EXPECT_EQ(kNoMemory, Add(SRM_ULVAR_NATIVE(addDisk), batch));
    }
    EXPECT_EQ(1, Count(SRM_RES_DISK));
    EXPECT_NE(nullptr, db->findResource(SRM_RES_DISK, "d1"));
}

TEST_F(SrmUlvarNativesTest, NoWritableTemporaryDirectoryGivesFileErrorAndRecordsNothing) {
    AddHost("alpha");
    const char *old = getenv("TMPDIR");
    std::string saved = old == nullptr ? "" : old;
    setenv("TMPDIR", "/nonexistent/srm-tmpdir", 1);
    bool skipped = false;
    std::string result = ulvar::testing::InChildWithReadOnly(
        {"/var/opt/VRNWkit/omxom/tmpdir", "/var/tmp", "/tmp"},
        [this] {
            std::string status = Add(SRM_ULVAR_NATIVE(addDisk), Record("Disk", "d1"));
            return status + "|" + std::to_string(Count(SRM_RES_DISK)) + "|" +
                   std::to_string(db->getErrorList()->getErrorCount()) + "|" +
                   std::to_string(jni.outstanding());
        },
        &skipped);
    if (old == nullptr) {
        unsetenv("TMPDIR");
    } else {
        setenv("TMPDIR", saved.c_str(), 1);
    }
    if (skipped) {
        GTEST_SKIP() << "no private mount namespace here (needs root or user namespaces)";
    }
    EXPECT_EQ(std::string(kNoFile) + "|0|0|0", result);
}

TEST_F(SrmUlvarNativesTest, BatchThatCannotBeWrittenWholeIsNotReportedAsLoaded) {
    std::string batch;
    for (int i = 0; i < 64; ++i) {
        batch += Record("Disk", "disk-" + std::to_string(i));
    }
    bool skipped = false;
    // The file-size limit makes the batch file refuse all but its first bytes.
    std::string result = ulvar::testing::InChildWithReadOnly(
        {},
        [this, &batch] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {64, 64};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::string status = Add(SRM_ULVAR_NATIVE(addDisk), batch);
            return status + "|" + std::to_string(Count(SRM_RES_DISK));
        },
        &skipped);
    if (skipped) {
        GTEST_SKIP() << "no child process with its own mount namespace here";
    }
    EXPECT_EQ(std::string(kNoFile) + "|0", result);
}

}  // namespace
