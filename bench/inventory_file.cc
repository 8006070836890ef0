// Writes a synthetic inventory of about the given number of resources
// (bench/InventoryGenerator.h) as a database file, and optionally as a folder
// of batch files, for trying the ulvar command on large inputs:
//
//   inventory_file 1000000 big.srdb                 a SAN host, resolved
//   inventory_file 1000000 big.srdb --cluster       a two-node cluster
//   inventory_file 1000000 big.srdb --batches DIR   also the batches, one file per kind
//
// The database is built through the scanner's add methods as scale_bench
// builds it.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "bench/InventoryGenerator.h"
#include "bench/InventoryLoader.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/persist/SrmBatches.h"

namespace {

int usage() {
    fprintf(stderr, "usage: inventory_file RESOURCES FILE [--cluster] [--batches DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        return usage();
    }
    long resources = std::atol(argv[1]);
    const char *file = argv[2];
    bool cluster = false;
    std::string batches;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cluster") == 0) {
            cluster = true;
        } else if (std::strcmp(argv[i], "--batches") == 0 && i + 1 < argc) {
            batches = argv[++i];
        } else {
            return usage();
        }
    }
    if (resources < 1) {
        return usage();
    }
    InventoryGenerator generator(InventoryGenerator::shapeFor(resources, cluster));
    std::unique_ptr<SrmResourceDatabase> db(new SrmResourceDatabase());
    std::map<SrmResourceType, FILE *> batchFiles;
    bool ok = true;
    generator.forEachBatch([&](SrmResourceType kind, const std::string &text) {
        std::string status = loadInventoryBatch(db.get(), kind, text);
        if (status != kSrmBatchOk) {
            fprintf(stderr, "inventory_file: batch of kind %d: %s\n", static_cast<int>(kind),
                    status.c_str());
            ok = false;
        }
        if (!batches.empty() && SrmBatchOfKind(kind) != nullptr) {
            FILE *&out = batchFiles[kind];
            if (out == nullptr) {
                out = fopen((batches + "/" + SrmBatchOfKind(kind)->file).c_str(), "w");
            }
            if (out == nullptr || fwrite(text.data(), 1, text.size(), out) != text.size()) {
                ok = false;
            }
        }
    });
    for (auto &entry : batchFiles) {
        if (entry.second == nullptr || fclose(entry.second) != 0) {
            fprintf(stderr, "inventory_file: cannot write the batches to %s\n", batches.c_str());
            ok = false;
        }
    }
    generator.addServiceGroups(db.get());
    db->resolveDatabase();
    int fd = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || db->serialize(fd, 0) == 0 || close(fd) != 0) {
        fprintf(stderr, "inventory_file: cannot write %s: %s\n", file, strerror(errno));
        return 1;
    }
    fprintf(stderr, "inventory_file: %d resources, %zu service groups in %s\n",
            db->getResourceCount(), db->getServiceGroups().size(), file);
    return ok ? 0 : 1;
}
