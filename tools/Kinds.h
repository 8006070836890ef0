// The names of the resource kinds (and of service groups) as the tool prints
// them and as --kind takes them.
#ifndef TOOLS_KINDS_H
#define TOOLS_KINDS_H

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <vector>

#include "inventory/model/SrmResource.h"

namespace ulvar_tool {

struct Kind {
    SrmResourceType type;  // SRM_RES_NONE for service groups, which are no resource
    const char *name;      // "disk", "diskchunk", ...: the KIND column and --kind
    const char *title;     // "disk chunk": in sentences
    const char *word;      // the record's "Type" word: "Disk", "DiskChunk", ...
};

// Every resource kind in the order the database lists them, then service groups.
const std::vector<Kind> &allKinds();
// The kind of `type`; the service-group entry for any type that is no kind.
const Kind &kindOf(SrmResourceType type);
const Kind &serviceGroupKind();

// What --kind accepts, folded to lower case: every name, every record word,
// and a few short forms ("chunk", "fs", "mount", "vg", "sg", ...), each
// mapped to a name.
const std::map<std::string, std::string> &kindChoices();
// "computer, disk, ...": every name.
std::string kindNames();
// Turns a --kind value into its name (any letter case), or refuses it naming
// the kinds.
CLI::Validator kindOption();

}  // namespace ulvar_tool

#endif
