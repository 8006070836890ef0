#include "inventory/persist/SrmTempFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "inventory/testing/ReadOnlyDirectories.h"

namespace {

// Where the open file's descriptor points, as the kernel names it
// ("<path> (deleted)" once the name is gone).
std::string LinkOf(FILE *f) {
    std::string proc = "/proc/self/fd/" + std::to_string(fileno(f));
    char buf[4096];
    ssize_t n = readlink(proc.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

bool StartsWith(const std::string &s, const std::string &prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

class SrmTempFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char *old = getenv("TMPDIR");
        hadTmpdir = old != nullptr;
        if (hadTmpdir) {
            oldTmpdir = old;
        }
        char tmpl[] = "/tmp/srmtempfile_testXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        scratch = tmpl;
    }
    void TearDown() override {
        if (hadTmpdir) {
            setenv("TMPDIR", oldTmpdir.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        for (auto it = made.rbegin(); it != made.rend(); ++it) {
            rmdir(it->c_str());
        }
        rmdir(scratch.c_str());
    }

    // A new directory below the scratch directory.
    std::string MakeDir(const std::string &name) {
        std::string path = scratch + "/" + name;
        EXPECT_EQ(0, mkdir(path.c_str(), 0700)) << path;
        made.push_back(path);
        return path;
    }

    std::string Missing() const { return scratch + "/absent"; }

    std::string scratch;

  private:
    bool hadTmpdir = false;
    std::string oldTmpdir;
    std::vector<std::string> made;
};

// Makes a file with mktmpfile(dir) in a child where the paths of `readOnly`
// cannot be written; where it was made, or "" for null.
std::string MakeWithReadOnly(const std::vector<std::string> &readOnly, const char *dir,
                             bool *skipped) {
    return ulvar::testing::InChildWithReadOnly(
        readOnly,
        [dir] {
            FILE *f = mktmpfile(dir);
            std::string where = f == nullptr ? std::string() : LinkOf(f);
            if (f != nullptr) {
                fclose(f);
            }
            return where;
        },
        skipped);
}

TEST(PcopyTest, DropsOneTrailingSlashOnly) {
    char dst[32];
    EXPECT_EQ(dst, pcopy(dst, "/var/tmp/"));
    EXPECT_STREQ("/var/tmp", dst);
    pcopy(dst, "/a//");
    EXPECT_STREQ("/a/", dst);
    pcopy(dst, "/tmp");
    EXPECT_STREQ("/tmp", dst);
    pcopy(dst, "");
    EXPECT_STREQ("", dst);
}

TEST(PcopyTest, NullSourceLeavesDestinationAlone) {
    char dst[8] = "keep";
    EXPECT_EQ(dst, pcopy(dst, nullptr));
    EXPECT_STREQ("keep", dst);
}

TEST_F(SrmTempFileTest, FileInTmpdirHasNoNameLeftAndReadsBack) {
    std::string dir = MakeDir("t");
    setenv("TMPDIR", (dir + "/").c_str(), 1);
    FILE *f = mktmpfile(Missing().c_str());
    ASSERT_NE(nullptr, f);
    std::string link = LinkOf(f);
    EXPECT_TRUE(StartsWith(link, dir + "/SRDBR")) << link;
    EXPECT_NE(std::string::npos, link.find("(deleted)")) << link;
    struct stat st;
    ASSERT_EQ(0, fstat(fileno(f), &st));
    EXPECT_EQ(0u, st.st_nlink);

    ASSERT_EQ(5u, fwrite("a;b\n\0", 1, 5, f));
    rewind(f);
    char back[5] = {};
    ASSERT_EQ(5u, fread(back, 1, 5, f));
    EXPECT_EQ(0, memcmp("a;b\n\0", back, 5));
    EXPECT_EQ(0, fclose(f));
    rmdir(dir.c_str());
}

TEST_F(SrmTempFileTest, UnusableOrEmptyTmpdirFallsBackToDir) {
    std::string dir = MakeDir("batches");
    for (const std::string &tmpdir : {Missing(), std::string()}) {
        setenv("TMPDIR", tmpdir.c_str(), 1);
        FILE *f = mktmpfile(dir.c_str());
        ASSERT_NE(nullptr, f) << tmpdir;
        EXPECT_TRUE(StartsWith(LinkOf(f), dir + "/SRDBR")) << LinkOf(f);
        fclose(f);
    }
}

TEST_F(SrmTempFileTest, LongDirectoryNamesFitThePathBuffer) {
    // Longer than "/var/tmp/" by far: the buffer is sized from the longest candidate.
    MakeDir(std::string(200, 'd'));
    std::string deeper = MakeDir(std::string(200, 'd') + "/" + std::string(200, 'e'));
    unsetenv("TMPDIR");
    FILE *f = mktmpfile(deeper.c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_TRUE(StartsWith(LinkOf(f), deeper + "/SRDBR")) << LinkOf(f);
    fclose(f);
    setenv("TMPDIR", deeper.c_str(), 1);
    f = mktmpfile(nullptr);
    ASSERT_NE(nullptr, f);
    EXPECT_TRUE(StartsWith(LinkOf(f), deeper + "/SRDBR")) << LinkOf(f);
    fclose(f);
}

TEST_F(SrmTempFileTest, MissingTmpdirAndDirFallBackToVarTmp) {
    setenv("TMPDIR", Missing().c_str(), 1);
    FILE *f = mktmpfile(Missing().c_str());
    ASSERT_NE(nullptr, f);
    EXPECT_TRUE(StartsWith(LinkOf(f), "/var/tmp/SRDBR")) << LinkOf(f);
    fclose(f);
}

TEST_F(SrmTempFileTest, ReadOnlyVarTmpFallsBackToTmp) {
    setenv("TMPDIR", Missing().c_str(), 1);
    bool skipped = false;
    std::string where = MakeWithReadOnly({"/var/tmp"}, nullptr, &skipped);
    if (skipped) {
        GTEST_SKIP() << "no private mount namespace here (needs root or user namespaces)";
    }
    EXPECT_TRUE(StartsWith(where, "/tmp/SRDBR")) << where;
}

TEST_F(SrmTempFileTest, NoUsableDirectoryGivesNull) {
    std::string dir = MakeDir("ro");
    setenv("TMPDIR", Missing().c_str(), 1);
    bool skipped = false;
    // `dir` lies below /tmp and turns read-only with it.
    std::string where = MakeWithReadOnly({"/var/tmp", "/tmp"}, dir.c_str(), &skipped);
    if (skipped) {
        GTEST_SKIP() << "no private mount namespace here (needs root or user namespaces)";
    }
    EXPECT_EQ("", where);
}

}  // namespace
