// What the tree and the graph show of a resource: its size, the name people
// know it by, and a one-line description.
#ifndef TOOLS_RESOURCETEXT_H
#define TOOLS_RESOURCETEXT_H

#include <string>

#include "inventory/model/SrmResource.h"

namespace ulvar_tool {

// Capacity in KB of the kinds that have one (a chunk's length, which the
// report takes as KB; a computer's only when it is set); -1 for the others.
long sizeKB(SrmResource *r);
// "931.5G", "512M", "0B": binary units, one decimal unless it is 0.
std::string humanSize(long kb);
// The name people know the resource by (a disk's "sda", a file system's "/"),
// which may be empty.
std::string displayName(SrmResource *r);
// One line about the resource: its name and what matters most of its kind.
std::string describe(SrmResource *r);

}  // namespace ulvar_tool

#endif
