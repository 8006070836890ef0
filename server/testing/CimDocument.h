// Reads CIM-XML documents back for the server's tests: the instances and
// instance names a response (or a report) holds, each as one comparable text.
#ifndef SERVER_TESTING_CIMDOCUMENT_H
#define SERVER_TESTING_CIMDOCUMENT_H

#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace ulvar_server {
namespace testing {

inline std::string lowerCase(std::string text) {
    for (char &c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

inline std::string attributeOf(xmlNode *node, const char *name) {
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    std::string out = value != nullptr ? reinterpret_cast<char *>(value) : "";
    xmlFree(value);
    return out;
}

inline std::string contentOf(xmlNode *node) {
    xmlChar *value = xmlNodeGetContent(node);
    std::string out = value != nullptr ? reinterpret_cast<char *>(value) : "";
    xmlFree(value);
    return out;
}

inline std::vector<xmlNode *> childrenOf(xmlNode *node, const char *name = nullptr) {
    std::vector<xmlNode *> out;
    for (xmlNode *child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            (name == nullptr || strcmp(reinterpret_cast<const char *>(child->name), name) == 0)) {
            out.push_back(child);
        }
    }
    return out;
}

inline xmlNode *descendant(xmlNode *node, const char *name) {
    for (xmlNode *child : childrenOf(node)) {
        if (strcmp(reinterpret_cast<const char *>(child->name), name) == 0) {
            return child;
        }
        if (xmlNode *found = descendant(child, name)) {
            return found;
        }
    }
    return nullptr;
}

// An INSTANCENAME as "class{key=value,...}": names in lower case, keys
// sorted, a reference as the name it holds (its host left out).
inline std::string nameText(xmlNode *instanceName) {
    std::vector<std::string> keys;
    for (xmlNode *binding : childrenOf(instanceName, "KEYBINDING")) {
        xmlNode *reference = descendant(binding, "INSTANCENAME");
        keys.push_back(lowerCase(attributeOf(binding, "NAME")) + "=" +
                       (reference != nullptr ? nameText(reference)
                                             : contentOf(descendant(binding, "KEYVALUE"))));
    }
    std::sort(keys.begin(), keys.end());
    std::string text = lowerCase(attributeOf(instanceName, "CLASSNAME")) + "{";
    for (const std::string &key : keys) {
        text += key + ",";
    }
    return text + "}";
}

// An INSTANCE as "Class{Property=value;...}" (sorted), and, in `name`,
// the name its key-qualified properties give it.
inline std::string instanceText(xmlNode *instance, std::string *name = nullptr) {
    std::vector<std::string> properties, keys;
    for (xmlNode *property : childrenOf(instance)) {
        xmlNode *reference = descendant(property, "INSTANCENAME");
        xmlNode *value = descendant(property, "VALUE.ARRAY");
        if (value == nullptr) {
            value =
                childrenOf(property, "VALUE").empty() ? nullptr : childrenOf(property, "VALUE")[0];
        }
        std::string text = reference != nullptr ? nameText(reference)
                           : value != nullptr   ? contentOf(value)
                                                : "(null)";
        std::string propertyName = attributeOf(property, "NAME");
        properties.push_back(propertyName + "=" + text);
        if (descendant(property, "QUALIFIER") != nullptr) {
            keys.push_back(lowerCase(propertyName) + "=" + text);
        }
    }
    std::sort(properties.begin(), properties.end());
    std::sort(keys.begin(), keys.end());
    std::string text = attributeOf(instance, "CLASSNAME") + "{";
    for (const std::string &p : properties) {
        text += p + ";";
    }
    if (name != nullptr) {
        *name = lowerCase(attributeOf(instance, "CLASSNAME")) + "{";
        for (const std::string &key : keys) {
            *name += key + ",";
        }
        *name += "}";
    }
    return text + "}";
}

// What a document holds: the texts of the instances and instance names that
// `instances` and `names` (XPath expressions) select.
struct CimDocument {
    bool wellFormed = false;
    std::multiset<std::string> instances;
    std::multiset<std::string> names;
    std::multiset<std::string> keyNames;  // the names the instances' key qualifiers give

    CimDocument(const std::string &xml, const char *instancePath, const char *namePath) {
        xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (doc == nullptr) {
            return;
        }
        wellFormed = true;
        xmlXPathContextPtr context = xmlXPathNewContext(doc);
        for (int pass = 0; pass < 2; ++pass) {
            const char *path = pass == 0 ? instancePath : namePath;
            xmlXPathObjectPtr found =
                path != nullptr
                    ? xmlXPathEvalExpression(reinterpret_cast<const xmlChar *>(path), context)
                    : nullptr;
            for (int i = 0;
                 found != nullptr && found->nodesetval != nullptr && i < found->nodesetval->nodeNr;
                 ++i) {
                xmlNode *node = found->nodesetval->nodeTab[i];
                if (pass == 0) {
                    std::string key;
                    instances.insert(instanceText(node, &key));
                    keyNames.insert(key);
                } else {
                    names.insert(nameText(node));
                }
            }
            xmlXPathFreeObject(found);
        }
        xmlXPathFreeContext(context);
        xmlFreeDoc(doc);
    }
};

}  // namespace testing
}  // namespace ulvar_server

#endif
