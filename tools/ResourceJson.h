// Every field of a resource, a service group or an error record as JSON: the
// keys of its record in record order, numbers as numbers, lists as arrays of
// ids.
#ifndef TOOLS_RESOURCEJSON_H
#define TOOLS_RESOURCEJSON_H

#include <nlohmann/json.hpp>
#include <string>

#include "inventory/model/SrmResource.h"

class SrmError;
class SrmServiceGroup;

namespace ulvar_tool {

using Json = nlohmann::ordered_json;

// Every key of the kind's full record, in written order, with the value the
// record would carry (text fields also when empty), then the resource's lists
// as arrays of ids: "DiskChunks" and "SubVolumes" of a volume, "Disks" and
// "Volumes" of a volume group, "Resources" (ids by kind word) and
// "ServiceGroups" (names) of a computer.
Json resourceJson(SrmResource *r);
// "Type", "Id", "ChildServiceGroup", "ResourceCount", then "Members" (ids by
// kind word).
Json serviceGroupJson(SrmServiceGroup *g);
// The error record filed under `key`.
Json errorJson(const std::string &key, const SrmError &e);

}  // namespace ulvar_tool

#endif
