#include "server/CimRequest.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <strings.h>

#include <climits>
#include <cstring>

namespace ulvar_server {

namespace {

bool is(const xmlNode *node, const char *name) {
    return node != nullptr && node->type == XML_ELEMENT_NODE &&
           strcmp(reinterpret_cast<const char *>(node->name), name) == 0;
}

// The element children of `parent`; text between them is ignored.
std::vector<xmlNode *> elements(const xmlNode *parent) {
    std::vector<xmlNode *> out;
    for (xmlNode *child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            out.push_back(child);
        }
    }
    return out;
}

bool attribute(const xmlNode *node, const char *name, std::string &value) {
    xmlChar *text = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    if (text == nullptr) {
        return false;
    }
    value = reinterpret_cast<const char *>(text);
    xmlFree(text);
    return true;
}

std::string textOf(const xmlNode *node) {
    xmlChar *text = xmlNodeGetContent(node);
    std::string value = text != nullptr ? reinterpret_cast<const char *>(text) : "";
    xmlFree(text);
    return value;
}

// LOCALNAMESPACEPATH: NAMESPACE+
bool readNameSpace(const xmlNode *path, std::string &nameSpace) {
    std::vector<xmlNode *> pieces = elements(path);
    if (!is(path, "LOCALNAMESPACEPATH") || pieces.empty()) {
        return false;
    }
    nameSpace.clear();
    for (const xmlNode *piece : pieces) {
        std::string name;
        if (!is(piece, "NAMESPACE") || !attribute(piece, "NAME", name)) {
            return false;
        }
        nameSpace += (nameSpace.empty() ? "" : "/") + name;
    }
    return true;
}

bool readInstanceName(const xmlNode *node, InstanceName &name);

// VALUE.REFERENCE: the instance name it holds, found through INSTANCEPATH or
// LOCALINSTANCEPATH; a class it names gives a name without keys.
bool readReference(const xmlNode *node, InstanceName &name) {
    std::vector<xmlNode *> inside = elements(node);
    if (inside.size() != 1) {
        return false;
    }
    const xmlNode *target = inside[0];
    if (is(target, "INSTANCEPATH") || is(target, "LOCALINSTANCEPATH") || is(target, "CLASSPATH") ||
        is(target, "LOCALCLASSPATH")) {
        std::vector<xmlNode *> parts = elements(target);
        if (parts.size() != 2) {
            return false;
        }
        target = parts[1];
    }
    if (is(target, "CLASSNAME")) {
        return attribute(target, "NAME", name.className);
    }
    return is(target, "INSTANCENAME") && readInstanceName(target, name);
}

// INSTANCENAME CLASSNAME: KEYBINDING* | KEYVALUE? | VALUE.REFERENCE?
bool readInstanceName(const xmlNode *node, InstanceName &name) {
    if (!attribute(node, "CLASSNAME", name.className)) {
        return false;
    }
    for (const xmlNode *child : elements(node)) {
        KeyBinding key;
        const xmlNode *value = child;
        if (is(child, "KEYBINDING")) {
            std::vector<xmlNode *> inside = elements(child);
            if (!attribute(child, "NAME", key.name) || inside.size() != 1) {
                return false;
            }
            value = inside[0];
        }
        // A lone KEYVALUE or VALUE.REFERENCE names a key without a name.
        if (is(value, "KEYVALUE")) {
            key.value = textOf(value);
        } else if (is(value, "VALUE.REFERENCE")) {
            key.reference = std::make_shared<InstanceName>();
            if (!readReference(value, *key.reference)) {
                return false;
            }
        } else {
            return false;
        }
        name.keys.push_back(std::move(key));
    }
    return true;
}

// IPARAMVALUE NAME: (VALUE | VALUE.ARRAY | CLASSNAME | INSTANCENAME | ...)?
bool readParam(const xmlNode *node, CimRequest &request) {
    std::string name;
    std::vector<xmlNode *> inside = elements(node);
    if (!attribute(node, "NAME", name) || inside.size() > 1) {
        return false;
    }
    ParamValue value;
    const xmlNode *v = inside.empty() ? nullptr : inside[0];
    if (v == nullptr) {
        value.kind = ParamValue::kNull;
    } else if (is(v, "VALUE")) {
        value.kind = ParamValue::kValue;
        value.text = textOf(v);
    } else if (is(v, "VALUE.ARRAY")) {
        value.kind = ParamValue::kValueArray;
        for (const xmlNode *element : elements(v)) {
            if (!is(element, "VALUE")) {
                return false;
            }
            value.values.push_back(textOf(element));
        }
    } else if (is(v, "CLASSNAME")) {
        value.kind = ParamValue::kClassName;
        if (!attribute(v, "NAME", value.text)) {
            return false;
        }
    } else if (is(v, "INSTANCENAME")) {
        value.kind = ParamValue::kInstanceName;
        if (!readInstanceName(v, value.instance)) {
            return false;
        }
    } else {
        value.kind = ParamValue::kOther;
    }
    request.params.emplace_back(std::move(name), std::move(value));
    return true;
}

// IMETHODCALL NAME: LOCALNAMESPACEPATH, IPARAMVALUE*
// METHODCALL NAME: (LOCALCLASSPATH | LOCALINSTANCEPATH), PARAMVALUE*
bool readCall(const xmlNode *call, CimRequest &request) {
    request.intrinsic = is(call, "IMETHODCALL");
    std::vector<xmlNode *> parts = elements(call);
    if ((!request.intrinsic && !is(call, "METHODCALL")) ||
        !attribute(call, "NAME", request.method) || parts.empty()) {
        return false;
    }
    const xmlNode *target = parts[0];
    if (!request.intrinsic) {
        std::vector<xmlNode *> path = elements(target);
        if ((!is(target, "LOCALCLASSPATH") && !is(target, "LOCALINSTANCEPATH")) || path.empty()) {
            return false;
        }
        target = path[0];
    }
    if (!readNameSpace(target, request.nameSpace)) {
        return false;
    }
    const char *param = request.intrinsic ? "IPARAMVALUE" : "PARAMVALUE";
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (!is(parts[i], param) || !readParam(parts[i], request)) {
            return false;
        }
    }
    return true;
}

// CIM: MESSAGE ID: SIMPLEREQ: (IMETHODCALL | METHODCALL)
ParseResult readDocument(const xmlNode *root, CimRequest &request) {
    std::vector<xmlNode *> messages = root != nullptr ? elements(root) : std::vector<xmlNode *>();
    if (!is(root, "CIM") || messages.size() != 1 || !is(messages[0], "MESSAGE") ||
        !attribute(messages[0], "ID", request.messageId)) {
        return ParseResult::kNotValid;
    }
    std::vector<xmlNode *> bodies = elements(messages[0]);
    if (bodies.size() == 1 && is(bodies[0], "MULTIREQ")) {
        return ParseResult::kMultipleRequests;
    }
    if (bodies.size() != 1 || !is(bodies[0], "SIMPLEREQ")) {
        return ParseResult::kNotValid;
    }
    std::vector<xmlNode *> calls = elements(bodies[0]);
    return calls.size() == 1 && readCall(calls[0], request) ? ParseResult::kOk
                                                            : ParseResult::kNotValid;
}

void ignoreMessage(void *, const char *, ...) {}

// A document type declaration would bring entities and a DTD with it: the
// parse stops where it begins, before any of it is read.
void refuseDocumentType(void *context, const xmlChar *, const xmlChar *, const xmlChar *) {
    auto *parser = static_cast<xmlParserCtxtPtr>(context);
    *static_cast<bool *>(parser->_private) = true;
    xmlStopParser(parser);
}

}  // namespace

const ParamValue *CimRequest::param(const char *name) const {
    for (const auto &p : params) {
        if (strcasecmp(p.first.c_str(), name) == 0) {
            return &p.second;
        }
    }
    return nullptr;
}

ParseResult parseCimRequest(const char *body, std::size_t size, CimRequest &request) {
    request = CimRequest();
    if (size > INT_MAX) {
        return ParseResult::kNotWellFormed;
    }
    // libxml2 sets up its global state once, before any thread parses; left
    // to the first parses, threads that begin at once race at it.
    static const bool initialized = (xmlInitParser(), true);
    (void)initialized;
    // What libxml2 would print about a bad body (its encoding, say) stays
    // out of the server's log; the caller learns what was wrong from the
    // result. The handler belongs to this thread.
    xmlSetGenericErrorFunc(nullptr, ignoreMessage);
    xmlParserCtxtPtr parser = xmlCreateMemoryParserCtxt(body, static_cast<int>(size));
    if (parser == nullptr) {
        return ParseResult::kNotWellFormed;
    }
    bool documentType = false;
    parser->_private = &documentType;
    parser->sax->internalSubset = refuseDocumentType;
    // No network, no entity substitution, no DTD, no messages on stderr.
    xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlParseDocument(parser);
    const bool wellFormed = parser->wellFormed != 0;
    xmlDocPtr doc = parser->myDoc;
    parser->myDoc = nullptr;
    xmlFreeParserCtxt(parser);
    ParseResult result = documentType ? ParseResult::kNotValid
                         : !wellFormed || doc == nullptr
                             ? ParseResult::kNotWellFormed
                             : readDocument(xmlDocGetRootElement(doc), request);
    xmlFreeDoc(doc);
    return result;
}

}  // namespace ulvar_server
