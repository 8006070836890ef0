#include "tools/fleet/ResourceFields.h"

#include "tools/ResourceJson.h"

namespace ulvar_fleet {

void forEachField(SrmResource *r, const std::function<void(const FieldValue &)> &visit) {
    static const std::string kNoText;
    ulvar_tool::Json fields = ulvar_tool::resourceJson(r);
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it->is_string()) {
            visit(FieldValue{it.key(), true, 0, it->get_ref<const std::string &>()});
        } else if (it->is_number_integer()) {
            visit(FieldValue{it.key(), false, it->get<int64_t>(), kNoText});
        }
    }
}

}  // namespace ulvar_fleet
