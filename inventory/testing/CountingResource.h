// A resource kind for tests: any type number, counts its destructions and the
// merges it takes part in, and can be told to refuse merges.
#ifndef INVENTORY_TESTING_COUNTINGRESOURCE_H
#define INVENTORY_TESTING_COUNTINGRESOURCE_H

#include <string>
#include <vector>

#include "inventory/model/SrmResource.h"

namespace ulvar {
namespace testing {

struct CountingResourceLog {
    int destroyed = 0;
    std::vector<std::string> merges;  // "<held Id> <- <newcomer Id>"
};

class CountingResource : public SrmResource {
  public:
    CountingResource(CountingResourceLog *log, SrmResourceType kind, std::string id,
                     std::string lid = std::string())
        : log(log) {
        type = kind;
        Id = std::move(id);
        LId = std::move(lid);
    }
    ~CountingResource() override { ++log->destroyed; }

    int mergeResource(SrmResource *other) override {
        log->merges.push_back(Id + " <- " + other->Id);
        if (refuseMerge) {
            return 0;
        }
        other->state |= SRM_STATE_MERGED;
        return 1;
    }
    std::string getResourceReportString(bool) override { return Id; }
    std::string getResourceHeader(bool) override { return "Id"; }
    int serialize(int, int) override { return getBuffer() != nullptr ? 1 : 0; }
    int deserialize(int, CSRMReportTuple *) override { return 1; }

    bool refuseMerge = false;

  private:
    CountingResourceLog *log;
};

// The current reference count of `r`, observed without changing it.
inline int refCountOf(SrmRef *r) {
    int count = r->AddRef() - 1;
    r->Release();
    return count;
}

}  // namespace testing
}  // namespace ulvar

#endif
