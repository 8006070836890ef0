// A whole database written to descriptors that fail (a full device, a
// non-blocking pipe that fills, a closed descriptor) and loaded from ones that
// fail part-way (a pipe whose writer dies inside a record, a socket reset by
// its peer). Each returns its failure with its message and leaves the
// database whole: it still writes and loads, and deleting it frees everything
// (the sanitizer build checks that).
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::LastMessage;
using ulvar::testing::Load;
using ulvar::testing::ScopedFd;
using ulvar::testing::Written;

constexpr char kWriteFailed[] = "Failed to serialize the database";
constexpr char kTooFewResources[] = "Failed to deserialize required number of resources";
constexpr char kNoFirstRecord[] = "Failed to get any tuple to deserialize";

class SrmDatabaseIoFaultsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        // Far more than a pipe holds: disks, volumes built on them and a
        // service group holding some of each.
        const int disks = 600;
        std::string records;
        for (int i = 0; i < disks; ++i) {
            const std::string n = std::to_string(i);
            records += "\"Type=Disk\",\"Id=disk-" + n + "\",\"Name=sd" + n +
                       "\",\"Model=ST4000NM0035\",\"Sign=" + n + "\",\"CapacityKB=3907018584\",;\n";
            records += "\"Type=Volume\",\"Id=vol-" + n + "\",\"Name=lv" + n +
                       "\",\"CapacityKB=1048576\",\"VolumeTypeDesc=linear\",;\n";
        }
        whole = "\"SrmResourceDbVersion=1.0\",\"ResourceCount=" + std::to_string(2 * disks) +
                "\",\"SGCount=1\",;\n" + records +
                "\"Type=ServiceGroup\",\"Id=sg\",\"ResourceCount=2\",;\n"
                "\"Type=Disk\",\"Id=disk-1\",;\n\"Type=Volume\",\"Id=vol-2\",;\n";
        ASSERT_EQ(1, Load(&db, whole)) << LastMessage(&db);
        written = Written(&db);
        ASSERT_NE(std::string::npos, written.find("\"Id=sg\""));
    }

    // What the database writes now is what it wrote before the fault.
    void ExpectUnharmed() {
        int result = 0;
        EXPECT_EQ(written, Written(&db, &result));
        EXPECT_EQ(1, result) << LastMessage(&db);
        SrmResourceDatabase again;
        EXPECT_EQ(1, Load(&again, written)) << LastMessage(&again);
    }

    void ExpectFailure(int code, const char *message) {
        int got = 0;
        EXPECT_EQ(message, LastMessage(&db, &got));
        EXPECT_EQ(code, got);
    }

    std::string whole;
    std::string written;
    SrmResourceDatabase db;
};

TEST_F(SrmDatabaseIoFaultsTest, WritingToAFullDeviceFails) {
    ScopedFd full(open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (full.get() < 0) {
        GTEST_SKIP() << "no /dev/full here";
    }
    EXPECT_EQ(0, db.serialize(full.get(), 0));
    ExpectFailure(EIO, kWriteFailed);
    ExpectUnharmed();
}

// The header goes into the pipe, a later record finds it full: the write
// stops there and names that record, whatever the slot held before, and errno
// tells why.
TEST_F(SrmDatabaseIoFaultsTest, WritingToAPipeThatFillsFails) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    ScopedFd readEnd(fds[0]), writeEnd(fds[1]);
    ASSERT_EQ(0, fcntl(fds[1], F_SETFL, O_NONBLOCK));
    ASSERT_GT(written.size(), static_cast<std::size_t>(fcntl(fds[1], F_GETPIPE_SZ)));
    db.setErrorInfo(EINVAL, "an older failure", nullptr);
    errno = 0;
    EXPECT_EQ(0, db.serialize(fds[1], 0));
    EXPECT_EQ(EAGAIN, errno);

    // What reached the pipe is the start of the file, cut at a record.
    std::string got;
    char chunk[4096];
    ssize_t n;
    ASSERT_EQ(0, fcntl(fds[0], F_SETFL, O_NONBLOCK));
    while ((n = read(fds[0], chunk, sizeof chunk)) > 0) {
        got.append(chunk, static_cast<std::size_t>(n));
    }
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(written.substr(0, got.size()), got);
    EXPECT_EQ(";\n", got.substr(got.size() - 2));

    // The record after the last one that went out: "Type=<word>","Id=<id>".
    const std::string next =
        written.substr(got.size(), written.find(";\n", got.size()) - got.size());
    const std::size_t wordEnd = next.find('"', 6);
    const std::size_t idAt = next.find("\"Id=") + 4;
    const std::string word = next.substr(6, wordEnd - 6);
    const std::string id = next.substr(idAt, next.find('"', idAt) - idAt);
    int code = 0;
    SrmResource *failed = nullptr;
    std::string message;
    db.getLastErrorInfo(&code, message, &failed);
    EXPECT_EQ(EIO, code);
    EXPECT_EQ(std::string(kWriteFailed) + ": " + word + " \"" + id + "\" not written whole",
              message);
    ASSERT_NE(nullptr, failed);
    EXPECT_EQ(id, failed->Id);
    ExpectUnharmed();
}

TEST_F(SrmDatabaseIoFaultsTest, WritingToAClosedDescriptorFails) {
    int fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, close(fd));
    EXPECT_EQ(0, db.serialize(fd, 0));
    ExpectFailure(EIO, kWriteFailed);
    ExpectUnharmed();
}

// A child process writes the first `cut` bytes of `bytes` into a pipe and
// dies; the read end is returned (the child is reaped by the caller).
int PipeFromDyingWriter(const std::string &bytes, std::size_t cut, pid_t *child) {
    int fds[2];
    if (pipe(fds) != 0) {
        return -1;
    }
    *child = fork();
    if (*child == 0) {
        close(fds[0]);
        ulvar::testing::WriteAll(fds[1], bytes.substr(0, cut));
        raise(SIGKILL);
    }
    close(fds[1]);
    return fds[0];
}

// The writer dies inside a record, in the header or among the resources: the
// load fails with the message of the step, keeps what it read, and a later
// load into the same database still works.
TEST_F(SrmDatabaseIoFaultsTest, LoadingFromAPipeWhoseWriterDiesFails) {
    const std::size_t header = whole.find(";\n") + 2;
    const std::size_t midRecord = whole.find(";\n", whole.size() / 2) - 5;
    const struct {
        std::size_t cut;
        const char *message;
    } cases[] = {{header - 10, kNoFirstRecord}, {midRecord, kTooFewResources}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cut);
        SrmResourceDatabase loaded;
        pid_t child = -1;
        ScopedFd in(PipeFromDyingWriter(whole, c.cut, &child));
        ASSERT_GE(in.get(), 0);
        EXPECT_EQ(0, loaded.deserialize(in.get(), nullptr));
        int status = 0;
        waitpid(child, &status, 0);
        int code = 0;
        EXPECT_EQ(c.message, LastMessage(&loaded, &code));
        EXPECT_EQ(EINVAL, code);

        int result = 0;
        Written(&loaded, &result);
        EXPECT_EQ(1, result) << LastMessage(&loaded);
        EXPECT_EQ(1, Load(&loaded, whole)) << LastMessage(&loaded);
    }
}

// A socket whose peer goes away with data unread reports a read error after
// the bytes that did arrive.
TEST_F(SrmDatabaseIoFaultsTest, LoadingFromADescriptorThatFailsMidwayFails) {
    int fds[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds));
    ScopedFd in(fds[0]);
    const std::string sent = whole.substr(0, whole.find(";\n", whole.size() / 3) - 5);
    ASSERT_TRUE(ulvar::testing::WriteAll(fds[1], sent));
    ASSERT_EQ(1, write(fds[0], "x", 1));  // left unread by the peer
    close(fds[1]);

    SrmResourceDatabase loaded;
    EXPECT_EQ(0, loaded.deserialize(in.get(), nullptr));
    int code = 0;
    EXPECT_EQ(kTooFewResources, LastMessage(&loaded, &code));
    EXPECT_EQ(EINVAL, code);
    EXPECT_EQ(1, Load(&loaded, whole)) << LastMessage(&loaded);
}

}  // namespace
