// What the scale benchmark sets beside the database's load: the same inventory
// written as JSON and parsed into a DOM by two common parsers, RapidJSON and
// nlohmann::json. They tell how far the record text's loader is from a parser
// that does the same work on the same data.
#ifndef BENCH_JSONPEERS_H
#define BENCH_JSONPEERS_H

#include <string>

// The records of database file text `text` (header included) as one JSON array
// with one object per record: "key": value for every element, where a value
// that is a plain decimal integer (no leading zero, optional minus) becomes a
// JSON number and any other value a string. Elements without `=` are left out.
std::string recordTextAsJson(const std::string &text);

// Each parses `json` into its parser's DOM and keeps it until destroy(), so
// that a timed parse holds no freeing; parse() gives the number of records of
// the top-level array, or -1 when the text does not parse. One DOM at a time.
class RapidJsonPeer {
  public:
    RapidJsonPeer();
    ~RapidJsonPeer();
    RapidJsonPeer(const RapidJsonPeer &) = delete;
    RapidJsonPeer &operator=(const RapidJsonPeer &) = delete;
    long parse(const std::string &json);
    // The same, parsing in place: the DOM's strings stay in `json`, which it
    // changes, and which must outlive the DOM.
    long parseInSitu(std::string &json);
    void destroy();

  private:
    struct Dom;
    Dom *dom;
};

class NlohmannPeer {
  public:
    NlohmannPeer();
    ~NlohmannPeer();
    NlohmannPeer(const NlohmannPeer &) = delete;
    NlohmannPeer &operator=(const NlohmannPeer &) = delete;
    long parse(const std::string &json);
    void destroy();

  private:
    struct Dom;
    Dom *dom;
};

#endif
