#include "tools/fleet/QueryOutput.h"

#include <algorithm>
#include <cmath>

#include "tools/fleet/SqlText.h"

namespace ulvar_fleet {

namespace {

std::string realText(double v, int digits) {
    char text[40];
    snprintf(text, sizeof text, "%.*g", digits, v);
    return text;
}

std::string plainText(const Cell &c) {
    switch (c.kind) {
        case Cell::Null:
            return std::string();
        case Cell::Integer:
            return std::to_string(c.integer);
        case Cell::Real:
            return realText(c.real, 15);
        case Cell::Text:
            return c.text;
    }
    return std::string();
}

// Characters on a terminal: every byte but UTF-8 continuation bytes.
std::size_t displayWidth(const std::string &s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// One line per row: control characters would break the table.
std::string oneLine(std::string s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += '?';
        } else {
            out += c;
        }
    }
    return out;
}

class TablePrinter : public ResultPrinter {
  public:
    explicit TablePrinter(FILE *out) : out(out) {}

    void begin(const std::vector<std::string> &columns) override {
        if (results++ > 0) {
            fputc('\n', out);
        }
        names = columns;
        rows.clear();
        numeric.assign(columns.size(), false);
    }
    void row(const std::vector<Cell> &cells) override {
        std::vector<std::string> line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            line.push_back(oneLine(plainText(cells[i])));
            if (cells[i].kind == Cell::Integer || cells[i].kind == Cell::Real) {
                numeric[i] = true;
            }
        }
        rows.push_back(std::move(line));
    }
    void end() override {
        std::vector<std::size_t> width;
        for (const std::string &n : names) {
            width.push_back(displayWidth(n));
        }
        for (const auto &line : rows) {
            for (std::size_t i = 0; i < line.size(); ++i) {
                width[i] = std::max(width[i], displayWidth(line[i]));
            }
        }
        std::vector<std::string> rule;
        for (std::size_t w : width) {
            rule.push_back(std::string(w, '-'));
        }
        print(names, width, false);
        print(rule, width, false);
        for (const auto &line : rows) {
            print(line, width, true);
        }
        fprintf(out, "(%zu row%s)\n", rows.size(), rows.size() == 1 ? "" : "s");
    }

  private:
    void print(const std::vector<std::string> &line, const std::vector<std::size_t> &width,
               bool alignNumbers) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            std::string pad(width[i] - displayWidth(line[i]), ' ');
            bool right = alignNumbers && numeric[i];
            text += right ? pad + line[i] : line[i] + (i + 1 < line.size() ? pad : "");
            if (i + 1 < line.size()) {
                text += "  ";
            }
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        fprintf(out, "%s\n", text.c_str());
    }

    FILE *out;
    int results = 0;
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> numeric;  // columns that hold a number in any row
};

// Objects are written by hand: a query may name two columns alike, and every
// column is kept, in order, as a JSON parser reading them in turn would see.
class JsonPrinter : public ResultPrinter {
  public:
    explicit JsonPrinter(FILE *out) : out(out) {}

    void begin(const std::vector<std::string> &columns) override {
        names.clear();
        for (const std::string &c : columns) {
            std::string quoted;
            appendJsonString(quoted, c.data(), c.size());
            names.push_back(quoted);
        }
        fputs("[", out);
        first = true;
    }
    void row(const std::vector<Cell> &cells) override {
        std::string text = first ? "\n{" : ",\n{";
        first = false;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += (i > 0 ? "," : "") + names[i] + ":";
            const Cell &c = cells[i];
            if (c.kind == Cell::Integer) {
                text += std::to_string(c.integer);
            } else if (c.kind == Cell::Real && std::isfinite(c.real)) {
                text += realText(c.real, 17);
            } else if (c.kind == Cell::Text) {
                appendJsonString(text, c.text.data(), c.text.size());
            } else {
                text += "null";
            }
        }
        text += "}";
        fputs(text.c_str(), out);
    }
    void end() override { fputs(first ? "]\n" : "\n]\n", out); }

  private:
    FILE *out;
    std::vector<std::string> names;
    bool first = true;
};

class CsvPrinter : public ResultPrinter {
  public:
    explicit CsvPrinter(FILE *out) : out(out) {}

    void begin(const std::vector<std::string> &columns) override {
        if (results++ > 0) {
            fputc('\n', out);
        }
        std::vector<Cell> header(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            header[i].kind = Cell::Text;
            header[i].text = columns[i];
        }
        row(header);
    }
    void row(const std::vector<Cell> &cells) override {
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            std::string field = plainText(cells[i]);
            if (field.find_first_of(",\"\r\n") != std::string::npos) {
                std::string quoted = "\"";
                for (char c : field) {
                    quoted += c == '"' ? "\"\"" : std::string(1, c);
                }
                field = quoted + "\"";
            }
            line += (i > 0 ? "," : "") + field;
        }
        line += '\n';
        fwrite(line.data(), 1, line.size(), out);
    }
    void end() override {}

  private:
    FILE *out;
    int results = 0;
};

}  // namespace

std::unique_ptr<ResultPrinter> makePrinter(OutputFormat format, FILE *out) {
    switch (format) {
        case OutputFormat::Json:
            return std::unique_ptr<ResultPrinter>(new JsonPrinter(out));
        case OutputFormat::Csv:
            return std::unique_ptr<ResultPrinter>(new CsvPrinter(out));
        case OutputFormat::Table:
            break;
    }
    return std::unique_ptr<ResultPrinter>(new TablePrinter(out));
}

}  // namespace ulvar_fleet
