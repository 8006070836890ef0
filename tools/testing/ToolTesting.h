// What the tests of the ulvar program share: running the installed program,
// golden files, scratch folders, and the records of a database file as its
// writer nests them.
#ifndef TOOLS_TESTING_TOOLTESTING_H
#define TOOLS_TESTING_TOOLTESTING_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

class SrmResourceDatabase;

namespace ulvar_tool {
namespace testing {

extern const std::string kSource;  // the source tree, where the program runs
extern const std::string kGolden;  // tools/testdata/
extern const char kHost[];         // what the demo writes for examples/host
extern const char kCluster[];
extern const char kOsprey[];  // a host that sees the cluster's LUNs

struct Outcome {
    std::string out, err;
    int status = -1;
};

std::string Slurp(const std::string &path);

// Runs the installed program in the source tree with `args`; as another user
// when `uid` is not 0 (and this process may switch); with `stdoutFd` as its
// standard output when that is not -1 (`out` then stays empty); standard
// input read from `input` (an empty file when none is given).
Outcome Tool(const std::vector<std::string> &args, uid_t uid = 0, int stdoutFd = -1,
             const std::string &input = std::string());

// A golden file holds the command line, standard output, standard error and
// the exit status. ULVAR_UPDATE_GOLDEN=1 writes them anew (review the diff).
void ExpectGolden(const std::string &name, const std::vector<std::string> &args);

// A scratch folder removed with everything in it.
class Scratch {
  public:
    Scratch() {
        char name[] = "/tmp/ulvar_toolXXXXXX";
        dir = mkdtemp(name);
        chmod(dir.c_str(), 0755);
    }
    ~Scratch() { EXPECT_EQ(0, system(("rm -rf '" + dir + "'").c_str())); }
    std::string file(const std::string &name, const std::string &bytes, mode_t mode = 0644) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        chmod(path.c_str(), mode);
        return path;
    }
    std::string dir;
};

// Top-level records of a database file, each with its nested member records
// (as "Type" and "Id"), the way the file's writer nests them.
struct FileRecord {
    std::map<std::string, std::string> fields;
    std::vector<std::pair<std::string, std::string>> members;
};

// The top-level records `db` writes, with their members.
std::vector<FileRecord> RecordsOf(SrmResourceDatabase *db);

}  // namespace testing
}  // namespace ulvar_tool

#endif
