#include "tools/testing/ToolTesting.h"

#include <fcntl.h>
#include <sys/wait.h>

#include <memory>
#include <sstream>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/testing/ScratchFiles.h"

namespace ulvar_tool {
namespace testing {

using ulvar::testing::ScopedFd;

const std::string kSource = ULVAR_SOURCE_DIR;
const std::string kGolden = ULVAR_SOURCE_DIR "/tools/testdata/";
const char kHost[] = "examples/host.expected";
const char kCluster[] = "examples/cluster/cluster.srdb";
const char kOsprey[] = "examples/fleet/osprey.srdb";

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Outcome Tool(const std::vector<std::string> &args, uid_t uid, int stdoutFd,
             const std::string &input) {
    const char *tool = ULVAR_TOOL;
    Outcome run;
    char outPath[] = "/tmp/ulvar_outXXXXXX", errPath[] = "/tmp/ulvar_errXXXXXX";
    char inPath[] = "/tmp/ulvar_inXXXXXX";
    ScopedFd out(stdoutFd < 0 ? mkstemp(outPath) : dup(stdoutFd)), err(mkstemp(errPath)),
        in(mkstemp(inPath));
    unlink(inPath);
    EXPECT_EQ(static_cast<ssize_t>(input.size()), write(in.get(), input.data(), input.size()));
    lseek(in.get(), 0, SEEK_SET);
    pid_t child = fork();
    if (child == 0) {
        std::vector<char *> argv{const_cast<char *>(tool)};
        for (const std::string &a : args) {
            argv.push_back(const_cast<char *>(a.c_str()));
        }
        argv.push_back(nullptr);
        if (chdir(kSource.c_str()) != 0 || dup2(in.get(), 0) < 0 || dup2(out.get(), 1) < 0 ||
            dup2(err.get(), 2) < 0 || (uid != 0 && (setgid(uid) != 0 || setuid(uid) != 0))) {
            _exit(127);
        }
        execv(tool, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (stdoutFd < 0) {
        run.out = Slurp(outPath);
        unlink(outPath);
    }
    run.err = Slurp(errPath);
    unlink(errPath);
    return run;
}

void ExpectGolden(const std::string &name, const std::vector<std::string> &args) {
    Outcome run = Tool(args);
    std::string text = "$ ulvar";
    for (const std::string &a : args) {
        text += " " + a;
    }
    text += "\n" + run.out + "--- standard error\n" + run.err + "--- exit " +
            std::to_string(run.status) + "\n";
    if (getenv("ULVAR_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(kGolden + name, std::ios::binary) << text;
    }
    EXPECT_EQ(Slurp(kGolden + name), text) << name;
}

std::vector<FileRecord> RecordsOf(SrmResourceDatabase *db) {
    char path[] = "/tmp/ulvar_dbXXXXXX";
    ScopedFd fd(mkstemp(path));
    unlink(path);
    EXPECT_EQ(1, db->serialize(fd.get(), 0));
    lseek(fd.get(), 0, SEEK_SET);
    CSRMTupleFDStream stream;
    CSRMReportTupleStreamReader reader;
    stream.SetFileDescriptor(fd.get());
    reader.SetTupleStream(&stream);
    auto next = [&reader](std::map<std::string, std::string> *fields) {
        CSRMReportTuple *t = nullptr;
        int status = reader.GetNextTuple(&t);
        std::unique_ptr<CSRMReportTuple> owned(t);
        std::vector<std::string> elements;
        if (status == 0) {
            t->getAllElements(elements);
        }
        for (std::string &e : elements) {
            std::string key, value;
            SrmSplitKeyValuePair(&e, &key, &value);
            (*fields)[key] = value;
        }
        return status == 0;
    };
    auto count = [](std::map<std::string, std::string> &f, const char *a, const char *b) {
        return atol(f[a].c_str()) + (b != nullptr ? atol(f[b].c_str()) : 0);
    };
    std::vector<FileRecord> records;
    FileRecord header;
    next(&header.fields);
    FileRecord r;
    while (next(&r.fields)) {
        const std::string type = r.fields["Type"];
        long members = type == "Volume"        ? count(r.fields, "DiskChunkCount", "SubVolumeCount")
                       : type == "VolumeGroup" ? count(r.fields, "DiskCount", "VolumeCount")
                       : type == "System"      ? count(r.fields, "ResourceCount", "SGCount")
                       : type == "ServiceGroup" ? count(r.fields, "ResourceCount", nullptr)
                                                : 0;
        for (long i = 0; i < members; ++i) {
            std::map<std::string, std::string> m;
            EXPECT_TRUE(next(&m));
            r.members.emplace_back(m["Type"], m["Id"]);
        }
        records.push_back(std::move(r));
        r = FileRecord();
    }
    return records;
}

}  // namespace testing
}  // namespace ulvar_tool
