// Every file the collector reads, read below one root folder: "/" for the
// host the collector runs on, or a recorded tree (its sys/, proc/, etc/, run/
// and dev/disk/ folders) for tests.
#ifndef COLLECTOR_HOST_ROOT_H
#define COLLECTOR_HOST_ROOT_H

#include <string>
#include <vector>

namespace collector {

class HostRoot {
  public:
    // `dir` is the root folder; an empty one means "/".
    explicit HostRoot(std::string dir);

    // True when the root is "/": only then are devices opened, file systems
    // asked for their sizes and the system asked for its addresses.
    bool live() const { return isLive; }

    // The path of the absolute host path `path` below the root.
    std::string path(const std::string &path) const;

    // Reads the whole file (at most 1 MiB). False when it cannot be read.
    bool readFile(const std::string &path, std::string &out) const;
    // Reads a one-value attribute (sysfs, procfs): the file with surrounding
    // blanks and line ends taken off. False when it cannot be read.
    bool readValue(const std::string &path, std::string &out) const;
    // Reads a decimal attribute; false when it cannot be read or is not a
    // plain unsigned decimal number.
    bool readNumber(const std::string &path, unsigned long long &out) const;
    // The text of the symbolic link, unresolved. False when it is none.
    bool readLink(const std::string &path, std::string &out) const;
    bool exists(const std::string &path) const;
    // The names in the folder, sorted bytewise, without "." and "..".
    // Empty when it cannot be read.
    std::vector<std::string> list(const std::string &path) const;

  private:
    std::string dir;
    bool isLive;
};

// `text` without leading and trailing blanks (spaces, tabs, line ends).
std::string hostTrim(const std::string &text);
// True when `text` is a plain unsigned decimal number that fits; its value.
bool hostParseNumber(const std::string &text, unsigned long long &out);

}  // namespace collector

#endif
