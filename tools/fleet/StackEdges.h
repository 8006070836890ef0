// The storage stack of a database as edges from what lies lower to what is
// built on it: a disk carries its chunks, a chunk the volumes made of it, a
// sub-volume the volume that holds it, a volume its file systems, mount points
// and shares. A volume of a volume group that names neither chunks nor
// sub-volumes stands, for all its record says, on every disk of the group: those
// edges are not exact. References by local identity are followed as the
// database resolves them; a reference to nothing makes no edge.
#ifndef TOOLS_FLEET_STACKEDGES_H
#define TOOLS_FLEET_STACKEDGES_H

#include <string>
#include <vector>

class SrmResourceDatabase;

namespace ulvar_fleet {

struct StackEdge {
    const char *lowerKind;  // a kind table's name
    const std::string *lowerId;
    const char *upperKind;
    const std::string *upperId;
    int exact;  // 1, or 0 where the link is only through a volume group
};

// Every edge of `db` once, ordered by lower kind, lower id, upper kind and upper
// id. The ids point into `db`'s resources, valid while they are unchanged.
std::vector<StackEdge> stackEdges(SrmResourceDatabase *db);

}  // namespace ulvar_fleet

#endif
