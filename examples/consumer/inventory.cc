// Uses libulvar's resource database from C++: a small resource kind of its own,
// added to a database, found again and removed; then a report of an empty
// database, which has no computer to describe. The key dictionary is included
// by the path it had before inventory/record/, which still serves.
#include <cstdio>
#include <cstring>
#include <string>

#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/report/OMX_Report.h"

namespace {

class Tape : public SrmResource {
  public:
    Tape(std::string id, int *destroyed) : destroyed(destroyed) {
        type = SRM_RES_DISK;
        Id = std::move(id);
    }
    ~Tape() override { ++*destroyed; }
    int mergeResource(SrmResource *other) override {
        other->state |= SRM_STATE_MERGED;
        return 1;
    }
    std::string getResourceReportString(bool) override { return "tape " + Id; }
    std::string getResourceHeader(bool) override { return "tape"; }
    int serialize(int, int) override { return 0; }
    int deserialize(int, CSRMReportTuple *) override { return 0; }

  private:
    int *destroyed;
};

}  // namespace

int main() {
    int destroyed = 0;
    auto *db = new SrmResourceDatabase;
    auto *tape = new Tape("tape-0", &destroyed);
    if (db->addResource(tape) != 1)
        return 1;
    tape->Release();
    if (db->findResource(SRM_RES_DISK, "tape-0") != tape || tape->getBufferLength() != 2049)
        return 2;
    if (db->removeResource(SRM_RES_DISK, "tape-0") != 1 || destroyed != 1)
        return 3;
    OMX_Report report;
    report.setJobId("consumer");
    if (report.GenerateCIMReports(db, "host") != 0)
        return 4;
    nmspc_cim::cim_freeInstanceList(report.GetReport());
    delete db;
    if (std::strcmp(SrmRecordKeyText(SRM_KEY_Disk), "Disk") != 0)
        return 5;
    std::puts("inventory consumer ok");
    return 0;
}
