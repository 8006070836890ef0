#include "server/CimOperations.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <set>
#include <utility>

namespace ulvar_server {

const char kServedNameSpace[] = "root/cimv2";

namespace {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMProperty;
using Kind = ParamValue::Kind;

bool same(const std::string &a, const char *b) {
    return strcasecmp(a.c_str(), b) == 0;
}

CimResult failure(int code, std::string description) {
    CimResult result;
    result.kind = CimResult::kError;
    result.error = code;
    result.description = std::move(description);
    return result;
}

// The parameters of one request, checked against what its method takes.
class Params {
  public:
    Params(const CimRequest &request, std::initializer_list<const char *> known)
        : request(request) {
        for (const auto &p : request.params) {
            bool found = false;
            for (const char *name : known) {
                found |= same(p.first, name);
            }
            if (!found && problem.empty()) {
                problem = "the method takes no parameter " + p.first;
            }
        }
    }

    bool ok() const { return problem.empty(); }
    CimResult failed() const { return failure(code, problem); }

    // A boolean; `otherwise` when absent or null.
    bool flag(const char *name, bool otherwise) {
        const ParamValue *p = request.param(name);
        if (p == nullptr || p->kind == Kind::kNull) {
            return otherwise;
        }
        if (p->kind == Kind::kValue && (same(p->text, "true") || same(p->text, "false"))) {
            return same(p->text, "true");
        }
        fail(std::string(name) + " is not TRUE or FALSE");
        return otherwise;
    }

    // A VALUE; null when absent or null.
    const std::string *text(const char *name, bool required) {
        const ParamValue *p = present(name, required);
        if (p != nullptr && p->kind != Kind::kValue) {
            fail(std::string(name) + " is not a value");
            return nullptr;
        }
        return p != nullptr ? &p->text : nullptr;
    }

    // A CLASSNAME, as a class of the table: -1 when absent; the failure
    // names an unknown class.
    int className(const char *name, bool required) {
        const ParamValue *p = present(name, required);
        if (p == nullptr) {
            return -1;
        }
        if (p->kind != Kind::kClassName) {
            fail(std::string(name) + " is not a class name");
            return -1;
        }
        return knownClass(p->text);
    }

    int knownClass(const std::string &name) {
        int id = ClassTable::schema().find(name);
        if (id < 0 && ok()) {
            problem = "no class " + name + " in " + kServedNameSpace;
            code = kCimInvalidClass;
        }
        return id;
    }

    // An INSTANCENAME (or, where `classToo`, a CLASSNAME, as a name without
    // keys); null when absent.
    const ParamValue *name(const char *param, bool classToo) {
        const ParamValue *p = present(param, true);
        if (p != nullptr && p->kind != Kind::kInstanceName &&
            !(classToo && p->kind == Kind::kClassName)) {
            fail(std::string(param) + " is not an instance name");
            return nullptr;
        }
        return p;
    }

    // PropertyList into `result`: absent or null shows every property.
    void propertyList(CimResult &result) {
        const ParamValue *p = request.param("PropertyList");
        if (p == nullptr || p->kind == Kind::kNull) {
            return;
        }
        if (p->kind != Kind::kValueArray) {
            fail("PropertyList is not an array");
            return;
        }
        result.allProperties = false;
        result.properties = p->values;
    }

  private:
    const ParamValue *present(const char *name, bool required) {
        const ParamValue *p = request.param(name);
        if (p != nullptr && p->kind == Kind::kNull) {
            p = nullptr;
        }
        if (p == nullptr && required) {
            fail(std::string("the parameter ") + name + " is missing");
        }
        return p;
    }

    void fail(std::string why) {
        if (ok()) {
            problem = std::move(why);
            code = kCimInvalidParameter;
        }
    }

    const CimRequest &request;
    std::string problem;
    int code = kCimInvalidParameter;
};

// Instances of `classId` and of every class derived from it, in table order.
std::vector<uint32_t> instancesOf(const ReportIndex &index, int classId) {
    std::vector<uint32_t> out = index.ofClass(classId);
    for (int sub : ClassTable::schema().subclasses(classId, true)) {
        const std::vector<uint32_t> &more = index.ofClass(sub);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

// Without deep inheritance an instance shows only what the class asked for
// defines (and of that, what the property list names).
void onlyPropertiesOf(int classId, CimResult &result) {
    const ClassTable &table = ClassTable::schema();
    std::vector<std::string> defined;
    for (const marshallClassProperty &p : table.at(classId).properties) {
        bool listed = result.allProperties;
        for (const std::string &name : result.properties) {
            listed |= same(name, p.name);
        }
        if (listed) {
            defined.push_back(p.name);
        }
    }
    result.allProperties = false;
    result.properties = std::move(defined);
}

std::string describe(const InstanceName &name) {
    std::string text = name.className;
    const char *separator = ".";
    for (const KeyBinding &key : name.keys) {
        text += separator + key.name + "=" +
                (key.reference ? describe(*key.reference) : "\"" + key.value + "\"");
        separator = ",";
    }
    return text;
}

CimResult enumerateInstances(const CimRequest &request, const ReportIndex &index, bool names) {
    Params params(request, {"ClassName", "LocalOnly", "DeepInheritance", "IncludeQualifiers",
                            "IncludeClassOrigin", "PropertyList"});
    CimResult result;
    int classId = params.className("ClassName", true);
    bool deep = params.flag("DeepInheritance", true);
    result.includeQualifiers = params.flag("IncludeQualifiers", false);
    params.flag("LocalOnly", false);
    params.flag("IncludeClassOrigin", false);
    params.propertyList(result);
    if (!params.ok()) {
        return params.failed();
    }
    if (!deep && !names) {
        onlyPropertiesOf(classId, result);
    }
    result.kind = names ? CimResult::kInstanceNames : CimResult::kNamedInstances;
    result.items = instancesOf(index, classId);
    return result;
}

// The instance an InstanceName parameter names; a failure when its class or
// the instance is unknown.
bool findInstance(const ReportIndex &index, Params &params, const char *param, uint32_t &found,
                  CimResult &failed) {
    const ParamValue *name = params.name(param, false);
    if (name != nullptr) {
        params.knownClass(name->instance.className);
    }
    if (!params.ok()) {
        failed = params.failed();
        return false;
    }
    found = index.find(name->instance);
    if (found == ReportIndex::kNone) {
        failed = failure(kCimNotFound, "no instance " + describe(name->instance));
        return false;
    }
    return true;
}

CimResult getInstance(const CimRequest &request, const ReportIndex &index) {
    Params params(request, {"InstanceName", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin",
                            "PropertyList"});
    CimResult result;
    result.includeQualifiers = params.flag("IncludeQualifiers", false);
    params.flag("LocalOnly", false);
    params.flag("IncludeClassOrigin", false);
    params.propertyList(result);
    uint32_t found;
    if (!findInstance(index, params, "InstanceName", found, result)) {
        return result;
    }
    result.kind = CimResult::kInstance;
    result.items.push_back(found);
    return result;
}

CimResult getProperty(const CimRequest &request, const ReportIndex &index) {
    Params params(request, {"InstanceName", "PropertyName"});
    const std::string *name = params.text("PropertyName", true);
    CimResult result;
    uint32_t found;
    if (!findInstance(index, params, "InstanceName", found, result)) {
        return result;
    }
    result.kind = CimResult::kValue;
    for (CCIMList *node = index.instance(found)->mProperties; node != nullptr; node = node->mNext) {
        auto *p = static_cast<CCIMProperty *>(node->mDataObject);
        if (p != nullptr && p->mName != nullptr && same(*name, p->mName)) {
            result.property = p;
            return result;
        }
    }
    // A property the class defines but the instance does not carry is null.
    int classId = index.classOf(found);
    if (classId < 0 || ClassTable::schema().property(classId, name->c_str()) == nullptr) {
        return failure(kCimNoSuchProperty,
                       "no property " + *name + " in " + index.instance(found)->mClassName);
    }
    return result;
}

// Associators, AssociatorNames, References and ReferenceNames: the
// associations that name the object, and what else they name.
CimResult walkAssociations(const CimRequest &request, const ReportIndex &index, bool associators,
                           bool names) {
    Params params(
        request,
        associators ? std::initializer_list<const char *>{"ObjectName", "AssocClass", "ResultClass",
                                                          "Role", "ResultRole", "IncludeQualifiers",
                                                          "IncludeClassOrigin", "PropertyList"}
                    : std::initializer_list<const char *>{"ObjectName", "ResultClass", "Role",
                                                          "IncludeQualifiers", "IncludeClassOrigin",
                                                          "PropertyList"});
    CimResult result;
    const ParamValue *object = params.name("ObjectName", true);
    int assocClass = associators ? params.className("AssocClass", false) : -1;
    int resultClass = params.className("ResultClass", false);
    const std::string *role = params.text("Role", false);
    const std::string *resultRole = associators ? params.text("ResultRole", false) : nullptr;
    result.includeQualifiers = params.flag("IncludeQualifiers", false);
    params.flag("IncludeClassOrigin", false);
    params.propertyList(result);
    if (object != nullptr) {
        params.knownClass(object->kind == Kind::kClassName ? object->text
                                                           : object->instance.className);
    }
    if (!params.ok()) {
        return params.failed();
    }
    result.kind = names ? CimResult::kObjectPaths : CimResult::kObjectsWithPath;
    // A class, or a name without keys (what a client sends for a class),
    // has no instance associations here.
    if (object->kind == Kind::kClassName || object->instance.keys.empty()) {
        return result;
    }
    uint32_t source = index.find(object->instance);
    if (source == ReportIndex::kNone) {
        return failure(kCimNotFound, "no instance " + describe(object->instance));
    }
    const ClassTable &table = ClassTable::schema();
    const int associationFilter = associators ? assocClass : resultClass;
    std::set<uint32_t> seen;
    for (const ReportIndex::Link &link : index.referrers(source)) {
        const CCIMProperty *by = index.property(link.instance, link.property);
        if ((role != nullptr && !same(*role, by->mName)) ||
            (associationFilter >= 0 &&
             !table.isA(index.classOf(link.instance), associationFilter))) {
            continue;
        }
        if (!associators) {
            if (seen.insert(link.instance).second) {
                result.items.push_back(link.instance);
            }
            continue;
        }
        for (const ReportIndex::Link &other : index.references(link.instance)) {
            const CCIMProperty *to = index.property(link.instance, other.property);
            if (other.property == link.property ||
                (resultRole != nullptr && !same(*resultRole, to->mName)) ||
                (resultClass >= 0 && !table.isA(index.classOf(other.instance), resultClass))) {
                continue;
            }
            if (seen.insert(other.instance).second) {
                result.items.push_back(other.instance);
            }
        }
    }
    return result;
}

// SELECT * FROM <class>, in any case, with any white space; -2 when the
// query is not of that form.
int selectedClass(const std::string &query, std::string &className) {
    std::size_t at = 0;
    auto blanks = [&] {
        std::size_t from = at;
        while (at < query.size() && isspace(static_cast<unsigned char>(query[at]))) {
            ++at;
        }
        return at > from;
    };
    auto word = [&](const char *expected) {
        std::size_t n = strlen(expected);
        if (query.size() - at < n || strncasecmp(query.c_str() + at, expected, n) != 0) {
            return false;
        }
        at += n;
        return true;
    };
    blanks();
    if (!word("SELECT") || !blanks() || !word("*") || !blanks() || !word("FROM") || !blanks()) {
        return -2;
    }
    std::size_t start = at;
    while (at < query.size() &&
           (isalnum(static_cast<unsigned char>(query[at])) || query[at] == '_')) {
        ++at;
    }
    className = query.substr(start, at - start);
    blanks();
    if (at < query.size() && query[at] == ';') {
        ++at;
    }
    blanks();
    return className.empty() || at != query.size() ? -2 : 0;
}

CimResult execQuery(const CimRequest &request, const ReportIndex &index) {
    Params params(request, {"QueryLanguage", "Query"});
    const std::string *language = params.text("QueryLanguage", true);
    const std::string *query = params.text("Query", true);
    if (!params.ok()) {
        return params.failed();
    }
    if (!same(*language, "WQL") && !same(*language, "DMTF:CQL")) {
        return failure(kCimQueryLanguageNotSupported,
                       "query language " + *language + " is not served; WQL and DMTF:CQL are");
    }
    std::string className;
    if (selectedClass(*query, className) != 0) {
        return failure(kCimInvalidQuery, "only SELECT * FROM <class> is served");
    }
    int classId = params.knownClass(className);
    if (!params.ok()) {
        return params.failed();
    }
    CimResult result;
    result.kind = CimResult::kObjectsWithPath;
    result.includeQualifiers = true;
    result.items = instancesOf(index, classId);
    return result;
}

// EnumerateClassNames, EnumerateClasses (the classes derived from ClassName,
// or the root classes) and GetClass (ClassName itself).
CimResult classes(const CimRequest &request, const std::string &method) {
    const bool one = same(method, "GetClass");
    Params params(
        request,
        one ? std::initializer_list<const char *>{"ClassName", "LocalOnly", "IncludeQualifiers",
                                                  "IncludeClassOrigin", "PropertyList"}
            : std::initializer_list<const char *>{"ClassName", "DeepInheritance", "LocalOnly",
                                                  "IncludeQualifiers", "IncludeClassOrigin"});
    CimResult result;
    int classId = params.className("ClassName", one);
    bool deep = params.flag("DeepInheritance", false);
    params.flag("LocalOnly", true);
    result.includeQualifiers = params.flag("IncludeQualifiers", true);
    params.flag("IncludeClassOrigin", false);
    if (!params.ok()) {
        return params.failed();
    }
    result.kind =
        same(method, "EnumerateClassNames") ? CimResult::kClassNames : CimResult::kClasses;
    std::vector<int> found =
        one ? std::vector<int>{classId} : ClassTable::schema().subclasses(classId, deep);
    result.items.assign(found.begin(), found.end());
    return result;
}

}  // namespace

CimResult performOperation(const CimRequest &request, std::shared_ptr<const ReportIndex> index) {
    CimResult result;
    const std::string &m = request.method;
    if (!same(request.nameSpace, kServedNameSpace)) {
        result = failure(kCimInvalidNameSpace, "namespace " + request.nameSpace +
                                                   " is not served; " + kServedNameSpace + " is");
    } else if (!request.intrinsic) {
        result = failure(kCimNotSupported, "method " + m + " is not served");
    } else if (same(m, "EnumerateInstances") || same(m, "EnumerateInstanceNames")) {
        result = enumerateInstances(request, *index, same(m, "EnumerateInstanceNames"));
    } else if (same(m, "GetInstance")) {
        result = getInstance(request, *index);
    } else if (same(m, "GetProperty")) {
        result = getProperty(request, *index);
    } else if (same(m, "Associators") || same(m, "AssociatorNames")) {
        result = walkAssociations(request, *index, true, same(m, "AssociatorNames"));
    } else if (same(m, "References") || same(m, "ReferenceNames")) {
        result = walkAssociations(request, *index, false, same(m, "ReferenceNames"));
    } else if (same(m, "ExecQuery")) {
        result = execQuery(request, *index);
    } else if (same(m, "EnumerateClassNames") || same(m, "EnumerateClasses") ||
               same(m, "GetClass")) {
        result = classes(request, m);
    } else {
        result = failure(kCimNotSupported, m + " is not served: the report is read-only");
    }
    result.index = std::move(index);
    return result;
}

}  // namespace ulvar_server
