// The order in which GetReport hands instances over: by name, byte by byte,
// as std::string_view compares them.
#ifndef INVENTORY_REPORT_INTERNAL_NAMEORDER_H
#define INVENTORY_REPORT_INTERNAL_NAMEORDER_H

#include <cstdint>
#include <string_view>
#include <vector>

#include "wbemkit/cim.h"

namespace rm_report {

struct NamedInstance {
    std::string_view name;
    nmspc_cim::CCIMInstance *instance;
    bool *listed;
    std::uint64_t chunk;  // the sort's own
};

// Puts `entries` in the order of their names, which must differ. The names
// are taken 8 bytes at a time and the entries distributed by the bytes that
// vary (a radix sort): the time grows with the count, not with the count
// times its logarithm, and a name is read about once per 8 of its bytes
// rather than at every comparison; names already in order are only
// looked at. The entries move in place. May throw std::bad_alloc (for 1.5 MB
// of counters when the entries are many); `entries` is then as it was.
void sortByName(std::vector<NamedInstance> &entries);

}  // namespace rm_report

#endif
