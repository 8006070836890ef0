// The computer itself: host name, operating system, platform, memory,
// processors and IPv4 addresses.
#ifndef COLLECTOR_HOST_FACTS_H
#define COLLECTOR_HOST_FACTS_H

#include <string>
#include <vector>

#include "collector/HostRoot.h"
#include "collector/HostScan.h"

class SrmComputer;

namespace collector {

// Fills `c` from /proc/sys/kernel (host name, kernel), /etc/os-release,
// /sys/class/dmi/id, /etc/machine-id, /proc/meminfo, /proc/cpuinfo, cpufreq
// and the host's IPv4 addresses; marks it as the machine scanned ("TIM").
// Fields without a source keep their defaults. False only when no host name
// can be found (a computer needs one); the other gaps are warnings.
bool hostReadComputer(const HostRoot &root, SrmComputer &c, const ScanWarnings &warn);

// The value of `key` in os-release text (quotes and escapes removed), or "".
std::string hostOsReleaseValue(const std::string &text, const std::string &key);

// The IPv4 addresses of the local table of a /proc/net/fib_trie text, without
// loopback addresses, in order of appearance.
std::vector<std::string> hostFibTrieAddresses(const std::string &text);

}  // namespace collector

#endif
