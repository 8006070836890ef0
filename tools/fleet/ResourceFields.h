// Every field of a resource, by record key, with its value: what a kind's row
// is filled from.
#ifndef TOOLS_FLEET_RESOURCEFIELDS_H
#define TOOLS_FLEET_RESOURCEFIELDS_H

#include <cstdint>
#include <functional>
#include <string>

#include "inventory/model/SrmResource.h"

namespace ulvar_fleet {

struct FieldValue {
    const std::string &key;  // the record key
    bool isText;
    int64_t number;           // when not text
    const std::string &text;  // when text; may be empty
};

// Calls `visit` for every field of `r`'s full record, in record order. The
// references in the value are valid during the call only.
void forEachField(SrmResource *r, const std::function<void(const FieldValue &)> &visit);

}  // namespace ulvar_fleet

#endif
