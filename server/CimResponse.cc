#include "server/CimResponse.h"

#include <utility>

namespace ulvar_server {

CimResponse::CimResponse(const CimRequest &request, CimResult result)
    : messageId(request.messageId),
      method(request.method),
      intrinsic(request.intrinsic),
      result(std::move(result)) {
    for (const std::string &name : this->result.properties) {
        shown.push_back(name.c_str());
    }
    // An empty list shows nothing, so it must not pass for no list at all.
    static const char *const kNoName[] = {nullptr};
    view.propertyNames = this->result.allProperties ? nullptr
                         : shown.empty()            ? kNoName
                                                    : shown.data();
    view.propertyCount = static_cast<int>(shown.size());
    view.includeQualifiers = this->result.includeQualifiers ? 1 : 0;
}

int CimResponse::writeItem(sbuf *out, uint32_t item) {
    const int n = marshallIMethodResultIndent;
    const ReportIndex &index = *result.index;
    switch (result.kind) {
        case CimResult::kNamedInstances:
            return marshallValueNamedInstance(out, index.instance(item), &view, n);
        case CimResult::kInstanceNames:
            return marshallInstanceNameOf(out, index.instance(item), n);
        case CimResult::kObjectsWithPath:
            return marshallValueObjectWithPath(out, index.instance(item), kServedNameSpace, &view,
                                               n);
        case CimResult::kObjectPaths:
            return marshallObjectPathOf(out, index.instance(item), kServedNameSpace, n);
        case CimResult::kInstance:
            return marshallInstanceShown(out, index.instance(item), &view, n);
        case CimResult::kClassNames:
            return marshallClassName(out, ClassTable::schema().at(item).name, n);
        case CimResult::kClasses: {
            marshallClassDefinition definition = ClassTable::schema().definition(item);
            return marshallClass(out, &definition, view.includeQualifiers, n);
        }
        default:
            return 0;
    }
}

CimResponse::Status CimResponse::writeSome(sbuf *out, std::size_t want) {
    while (stage != kFinished && stage != kBroken && sbufGetSize(out) < want) {
        int status = 0;
        if (result.kind == CimResult::kError) {
            status = marshallErrorResponse(out, messageId.c_str(), method.c_str(), intrinsic,
                                           result.error, result.description.c_str());
            stage = kFinished;
        } else if (stage == kBegin) {
            status = marshallIMethodResponseBegin(out, messageId.c_str(), method.c_str());
            if (result.kind == CimResult::kValue) {
                status |=
                    marshallPropertyValueOnly(out, result.property, marshallIMethodResultIndent);
            }
            stage = kItems;
        } else if (stage == kItems && next < result.items.size()) {
            status = writeItem(out, result.items[next++]);
        } else if (stage == kItems) {
            stage = kEnd;
        } else {
            status = marshallIMethodResponseEnd(out);
            stage = kFinished;
        }
        if (status != 0) {
            stage = kBroken;
        }
    }
    return stage == kBroken ? kFailed : stage == kFinished ? kDone : kMore;
}

}  // namespace ulvar_server
