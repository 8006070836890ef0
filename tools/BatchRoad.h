// The scanner's add road as the tool runs it: batches of record text, named by
// their files, into one database, with an account of each batch and of every
// record dropped; then resolution, and the database file.
#ifndef TOOLS_BATCHROAD_H
#define TOOLS_BATCHROAD_H

#include <stdio.h>

#include <memory>
#include <string>

#include "inventory/model/SrmResource.h"

class SrmResourceDatabase;

namespace ulvar_tool {

struct BatchFile {
    const char *name;  // "computer.txt", ...
    SrmResourceType kind;
};

// The batch files a scanner sends, in its order: computers first, so that
// error records have a host to be filed under. The end of the array is
// batchFilesEnd().
const BatchFile *batchFiles();
const BatchFile *batchFilesEnd();
// The batch file of that name; null for any other.
const BatchFile *batchFileNamed(const std::string &name);
// "computer.txt, volumemanagerinfo.txt, ...".
std::string batchFileNames();

class BatchRoad {
  public:
    // The account of each batch goes to `account`.
    explicit BatchRoad(FILE *account);
    ~BatchRoad();

    BatchRoad(const BatchRoad &) = delete;
    BatchRoad &operator=(const BatchRoad &) = delete;

    // Loads `text` as the batch `file` and prints its status, its counts and
    // every record dropped.
    void load(const BatchFile &file, const std::string &text);
    // Resolves the database and writes it to `path` ("-": standard output).
    // The exit status of the whole road: kExitFindings when a batch failed or
    // dropped records (the database is still written), kExitNoFile when it
    // cannot be written.
    int finish(const std::string &path);

  private:
    FILE *account;
    std::unique_ptr<SrmResourceDatabase> db;
    int status;
};

}  // namespace ulvar_tool

#endif
