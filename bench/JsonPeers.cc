#include "bench/JsonPeers.h"

#include <cstring>
#include <new>

#include <rapidjson/document.h>
#include <nlohmann/json.hpp>

namespace {

bool isPlainInteger(const char *p, std::size_t n) {
    std::size_t i = n > 0 && p[0] == '-' ? 1 : 0;
    if (i == n || n - i > 18 || (p[i] == '0' && n - i > 1)) {
        return false;
    }
    for (; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') {
            return false;
        }
    }
    return true;
}

void appendJsonString(std::string &out, const char *p, std::size_t n) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

}  // namespace

// The text is what the database's writer makes: records of quoted elements,
// each followed by a comma, ended by `;` and a newline. Values hold no double
// quote, so the element is everything between two quotes.
std::string recordTextAsJson(const std::string &text) {
    std::string json;
    json.reserve(text.size() + text.size() / 8);
    json += "[\n";
    bool firstRecord = true;
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *stop = static_cast<const char *>(std::memchr(p, '\n', end - p));
        const char *lineEnd = stop != nullptr ? stop : end;
        bool firstElement = true;
        for (const char *q = p; q < lineEnd;) {
            const char *open = static_cast<const char *>(std::memchr(q, '"', lineEnd - q));
            if (open == nullptr) {
                break;
            }
            const char *close =
                static_cast<const char *>(std::memchr(open + 1, '"', lineEnd - open - 1));
            if (close == nullptr) {
                break;
            }
            const char *equals =
                static_cast<const char *>(std::memchr(open + 1, '=', close - open - 1));
            if (equals != nullptr) {
                if (firstElement) {
                    json += firstRecord ? "{" : ",\n{";
                    firstRecord = false;
                    firstElement = false;
                } else {
                    json += ',';
                }
                appendJsonString(json, open + 1, equals - open - 1);
                json += ':';
                const char *value = equals + 1;
                std::size_t n = close - value;
                if (isPlainInteger(value, n)) {
                    json.append(value, n);
                } else {
                    appendJsonString(json, value, n);
                }
            }
            q = close + 1;
        }
        if (!firstElement) {
            json += '}';
        }
        p = lineEnd + 1;
    }
    json += "\n]\n";
    return json;
}

struct RapidJsonPeer::Dom {
    rapidjson::Document document;
};

RapidJsonPeer::RapidJsonPeer() : dom(nullptr) {}
RapidJsonPeer::~RapidJsonPeer() {
    destroy();
}

long RapidJsonPeer::parse(const std::string &json) {
    destroy();
    dom = new Dom();
    dom->document.Parse(json.c_str(), json.size());
    if (dom->document.HasParseError() || !dom->document.IsArray()) {
        return -1;
    }
    return static_cast<long>(dom->document.Size());
}

long RapidJsonPeer::parseInSitu(std::string &json) {
    destroy();
    dom = new Dom();
    dom->document.ParseInsitu(&json[0]);
    if (dom->document.HasParseError() || !dom->document.IsArray()) {
        return -1;
    }
    return static_cast<long>(dom->document.Size());
}

void RapidJsonPeer::destroy() {
    delete dom;
    dom = nullptr;
}

struct NlohmannPeer::Dom {
    nlohmann::json document;
};

NlohmannPeer::NlohmannPeer() : dom(nullptr) {}
NlohmannPeer::~NlohmannPeer() {
    destroy();
}

long NlohmannPeer::parse(const std::string &json) {
    destroy();
    dom = new Dom();
    dom->document = nlohmann::json::parse(json, nullptr, false);
    if (dom->document.is_discarded() || !dom->document.is_array()) {
        return -1;
    }
    return static_cast<long>(dom->document.size());
}

void NlohmannPeer::destroy() {
    delete dom;
    dom = nullptr;
}
