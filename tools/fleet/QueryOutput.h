// The answer of a query as people and programs read it: an aligned table, JSON
// (an array of objects per statement, one row per line) or CSV with a header
// line.
#ifndef TOOLS_FLEET_QUERYOUTPUT_H
#define TOOLS_FLEET_QUERYOUTPUT_H

#include <stdio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ulvar_fleet {

struct Cell {
    enum Kind { Null, Integer, Real, Text };
    Kind kind = Null;
    int64_t integer = 0;
    double real = 0;
    std::string text;
};

enum class OutputFormat { Table, Json, Csv };

// Receives the results of the statements of one run, one after the other.
class ResultPrinter {
  public:
    virtual ~ResultPrinter() = default;
    // A result with these columns begins.
    virtual void begin(const std::vector<std::string> &columns) = 0;
    virtual void row(const std::vector<Cell> &cells) = 0;
    // The result is complete.
    virtual void end() = 0;
};

// A printer writing to `out` (not owned). The table format shows NULL as
// nothing, numbers right-aligned and ends each result with its row count.
std::unique_ptr<ResultPrinter> makePrinter(OutputFormat format, FILE *out);

}  // namespace ulvar_fleet

#endif
