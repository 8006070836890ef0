#include "tools/ResourceJson.h"

#include <string>

#include "inventory/kinds/SrmResourceFields.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/SrmRecordKeys.h"
#include "tools/Kinds.h"

namespace ulvar_tool {

namespace {

// The kinds a container lists, in the order its record writes them.
constexpr SrmResourceType kMemberOrder[] = {
    SRM_RES_DISK,        SRM_RES_DISKCHUNK,  SRM_RES_VOLUMEMANAGER,
    SRM_RES_VOLUME,      SRM_RES_FILESYSTEM, SRM_RES_MOUNTPOINT,
    SRM_RES_SHARE,       SRM_RES_COMPUTER,   SRM_RES_VIRTUALSERVER,
    SRM_RES_VOLUMEGROUP, SRM_RES_ID,
};

Json idsOf(SrmResourceList *list, SrmResourceType t) {
    Json ids = Json::array();
    SrmResourceIdMap *kind = list != nullptr ? list->getSrmResourceIdMap(t) : nullptr;
    if (kind != nullptr) {
        for (const auto &entry : *kind) {
            ids.push_back(entry.first);
        }
    }
    return ids;
}

Json idsByKind(SrmResourceList *list) {
    Json byKind = Json::object();
    for (SrmResourceType t : kMemberOrder) {
        if (list != nullptr && list->getTypeCount(t) > 0) {
            byKind[kindOf(t).word] = idsOf(list, t);
        }
    }
    return byKind;
}

}  // namespace

Json resourceJson(SrmResource *r) {
    Json out = Json::object();
    SrmForEachField(r, [&](const SrmFieldValue &f) {
        const char *key = SrmRecordKeyText(f.key);
        if (f.type == SRM_FIELD_TEXT) {
            out[key] = std::string(f.text);
        } else {
            out[key] = f.number;
        }
    });
    SrmForEachMemberList(r, [&](const SrmMemberList &m) {
        if (m.groups != nullptr) {
            Json names = Json::array();
            for (const auto &entry : *m.groups) {
                names.push_back(entry.first);
            }
            out[m.name] = names;
        } else if (m.kind == SRM_RES_NONE) {
            out[m.name] = idsByKind(m.list);
        } else {
            out[m.name] = idsOf(m.list, m.kind);
        }
    });
    return out;
}

Json serviceGroupJson(SrmServiceGroup *g) {
    Json out = Json::object();
    out["Type"] = "ServiceGroup";
    out["Id"] = g->getName();
    SrmServiceGroup *child = g->getNextServiceGroup();
    out["ChildServiceGroup"] = child != nullptr ? child->getName() : std::string();
    out["ResourceCount"] = g->getRecordedMemberCount();
    out["Members"] = idsByKind(g->getResourceList());
    return out;
}

Json errorJson(const std::string &key, const SrmError &e) {
    Json out = Json::object();
    out["Type"] = "Error";
    out["Id"] = key;
    out["ErrorDesc"] = e.ErrorDesc;
    out["Ecode"] = e.Ecode;
    out["Sev"] = e.Sev;
    out["FileName"] = e.FileName;
    out["Etype"] = e.Etype;
    out["Eclass"] = e.Eclass;
    out["Efunc"] = e.Efunc;
    return out;
}

}  // namespace ulvar_tool
