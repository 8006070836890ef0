// The scanner's add road as the tool runs it: batches of record text, named by
// their files, into one database, with an account of each batch and of every
// record dropped; then resolution, and the database file.
#ifndef TOOLS_BATCHROAD_H
#define TOOLS_BATCHROAD_H

#include <stdio.h>

#include <memory>
#include <string>

#include "inventory/persist/SrmBatches.h"

class SrmResourceDatabase;

namespace ulvar_tool {

// "computer.txt, volumemanagerinfo.txt, ...": the files of kSrmBatches.
std::string batchFileNames();

class BatchRoad {
  public:
    // The account of each batch goes to `account`.
    explicit BatchRoad(FILE *account);
    ~BatchRoad();

    BatchRoad(const BatchRoad &) = delete;
    BatchRoad &operator=(const BatchRoad &) = delete;

    // Loads `text` as `batch` and prints its status, its counts and every
    // record dropped.
    void load(const SrmBatch &batch, const std::string &text);
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
