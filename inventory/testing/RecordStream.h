// Records written to and read back from an unlinked temporary file through a
// database's own reader, for the tests of service groups and cluster kinds.
#ifndef INVENTORY_TESTING_RECORDSTREAM_H
#define INVENTORY_TESTING_RECORDSTREAM_H

#include <memory>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/testing/ScratchFiles.h"

namespace ulvar {
namespace testing {

// `bytes` attached as `db`'s record stream for as long as this object lives.
class Attached {
  public:
    Attached(SrmResourceDatabase *db, const std::string &bytes) : db(db), file(FileWith(bytes)) {
        attached = db->attachStream(file.get()) != 0;
    }
    ~Attached() { db->detachStream(file.get()); }
    Attached(const Attached &) = delete;
    Attached &operator=(const Attached &) = delete;

    bool ok() const { return attached; }
    int fd() const { return file.get(); }

    // The next record, or null at the end or on a read error.
    std::unique_ptr<CSRMReportTuple> next() {
        CSRMReportTuple *record = nullptr;
        int status = db->getTupleStream()->GetNextTuple(&record);
        if (status != 0) {
            delete record;
            return nullptr;
        }
        return std::unique_ptr<CSRMReportTuple>(record);
    }

  private:
    SrmResourceDatabase *db;
    ScopedFd file;
    bool attached = false;
};

}  // namespace testing
}  // namespace ulvar

#endif
