#include "collector/NfsExports.h"

namespace collector {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Replaces every backslash and three octal digits by that byte.
std::string decodeOctal(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' &&
            s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out.push_back(
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// One logical line (continuations joined, comment removed) into an export;
// false for a line without one.
bool parseLine(const std::string &line, NfsExport &out) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) {
        ++i;
    }
    if (i == line.size()) {
        return false;
    }
    std::string path;
    if (line[i] == '"') {
        size_t close = line.find('"', i + 1);
        if (close == std::string::npos) {
            close = line.size();
        }
        path = line.substr(i + 1, close - i - 1);
        i = close + 1;
    } else {
        size_t end = i;
        while (end < line.size() && !isBlank(line[end])) {
            ++end;
        }
        path = line.substr(i, end - i);
        i = end;
    }
    out.path = decodeOctal(path);
    out.clients.clear();
    bool blank = false;
    for (; i < line.size(); ++i) {
        if (isBlank(line[i])) {
            blank = true;
            continue;
        }
        if (blank && !out.clients.empty()) {
            out.clients.push_back(' ');
        }
        blank = false;
        out.clients.push_back(line[i]);
    }
    return true;
}

void addExport(std::vector<NfsExport> &all, NfsExport e) {
    for (NfsExport &known : all) {
        if (known.path == e.path) {
            if (!e.clients.empty()) {
                known.clients += (known.clients.empty() ? "" : " ") + e.clients;
            }
            return;
        }
    }
    all.push_back(std::move(e));
}

}  // namespace

std::vector<NfsExport> nfsParseExports(const std::string &text, const std::string &file,
                                       const ScanWarnings &warn) {
    std::vector<NfsExport> exports;
    std::string logical;
    int lineNumber = 0;
    int firstLine = 1;
    size_t from = 0;
    while (from <= text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(from, end - from);
        from = end + 1;
        ++lineNumber;
        if (logical.empty()) {
            firstLine = lineNumber;
        }
        // A comment runs to the line end, unless the "#" is inside a quoted path.
        bool quoted = false;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else if (line[i] == '#' && !quoted) {
                line.erase(i);
                break;
            }
        }
        while (!line.empty() && isBlank(line.back())) {
            line.pop_back();
        }
        if (!line.empty() && line.back() == '\\') {
            line.pop_back();
            logical += line + " ";
            if (from <= text.size()) {
                continue;
            }
        } else {
            logical += line;
        }
        NfsExport e;
        if (parseLine(logical, e)) {
            if (e.path.empty() || e.path[0] != '/') {
                if (warn) {
                    warn(file + ":" + std::to_string(firstLine) + ": export path \"" + e.path +
                         "\" is not absolute; skipped");
                }
            } else {
                addExport(exports, std::move(e));
            }
        }
        logical.clear();
    }
    return exports;
}

std::vector<NfsExport> nfsReadExports(const HostRoot &root, const ScanWarnings &warn) {
    std::vector<std::string> files = {"/etc/exports"};
    for (const std::string &name : root.list("/etc/exports.d")) {
        static const std::string suffix = ".exports";
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            files.push_back("/etc/exports.d/" + name);
        }
    }
    std::vector<NfsExport> all;
    for (const std::string &file : files) {
        std::string text;
        if (!root.readFile(file, text)) {
            continue;  // no exports there
        }
        for (NfsExport &e : nfsParseExports(text, file, warn)) {
            addExport(all, std::move(e));
        }
    }
    return all;
}

}  // namespace collector
