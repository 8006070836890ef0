#include "collector/HostFacts.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/utsname.h>

#include <algorithm>
#include <climits>

#include "inventory/kinds/SrmComputer.h"

namespace collector {

namespace {

// The value after "key :" on the first line of /proc text naming `key`.
bool procField(const std::string &text, const std::string &key, std::string &value) {
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(from, end - from);
        from = end + 1;
        size_t colon = line.find(':');
        if (colon != std::string::npos && hostTrim(line.substr(0, colon)) == key) {
            value = hostTrim(line.substr(colon + 1));
            return true;
        }
    }
    return false;
}

// A /proc/meminfo size ("24683772 kB") in MB.
bool meminfoMegabytes(const std::string &text, const char *key, int32_t &mb) {
    std::string value;
    unsigned long long kb = 0;
    if (!procField(text, key, value)) {
        return false;
    }
    size_t unit = value.find(" kB");
    if (unit == std::string::npos || !hostParseNumber(value.substr(0, unit), kb)) {
        return false;
    }
    mb = static_cast<int32_t>(std::min<unsigned long long>(kb / 1024, INT32_MAX));
    return true;
}

int countProcessors(const std::string &cpuinfo) {
    int count = 0;
    size_t from = 0;
    while (from < cpuinfo.size()) {
        size_t end = cpuinfo.find('\n', from);
        if (end == std::string::npos) {
            end = cpuinfo.size();
        }
        std::string line = cpuinfo.substr(from, end - from);
        from = end + 1;
        size_t colon = line.find(':');
        if (colon != std::string::npos && hostTrim(line.substr(0, colon)) == "processor") {
            ++count;
        }
    }
    return count;
}

std::vector<std::string> liveAddresses() {
    std::vector<std::string> out;
    struct ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        return out;
    }
    for (struct ifaddrs *a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET ||
            (a->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        char text[INET_ADDRSTRLEN];
        auto *in = reinterpret_cast<struct sockaddr_in *>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr &&
            std::find(out.begin(), out.end(), text) == out.end()) {
            out.push_back(text);
        }
    }
    freeifaddrs(list);
    return out;
}

void readProcessors(const HostRoot &root, SrmComputer &c, const ScanWarnings &warn) {
    std::string cpuinfo;
    if (!root.readFile("/proc/cpuinfo", cpuinfo)) {
        if (warn) {
            warn("/proc/cpuinfo cannot be read; no processor count, speed or model");
        }
        return;
    }
    c.ProcCount = countProcessors(cpuinfo);
    for (const char *key : {"model name", "Processor", "cpu model", "cpu"}) {
        if (procField(cpuinfo, key, c.CPUInfo) && !c.CPUInfo.empty()) {
            break;
        }
    }
    unsigned long long khz = 0;
    std::string mhz;
    if (root.readNumber("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", khz) &&
        khz / 1000 <= INT32_MAX) {
        c.ProcSpeedMHz = static_cast<int32_t>(khz / 1000);
    } else if (procField(cpuinfo, "cpu MHz", mhz)) {
        unsigned long long whole = 0;
        if (hostParseNumber(mhz.substr(0, mhz.find('.')), whole) && whole <= INT32_MAX) {
            c.ProcSpeedMHz = static_cast<int32_t>(whole);
        }
    }
}

}  // namespace

std::string hostOsReleaseValue(const std::string &text, const std::string &key) {
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = hostTrim(text.substr(from, end - from));
        from = end + 1;
        if (line.compare(0, key.size() + 1, key + "=") != 0) {
            continue;
        }
        std::string raw = line.substr(key.size() + 1);
        if (raw.empty() || (raw[0] != '"' && raw[0] != '\'')) {
            return raw;
        }
        char quote = raw[0];
        std::string value;
        for (size_t i = 1; i < raw.size() && raw[i] != quote; ++i) {
            if (quote == '"' && raw[i] == '\\' && i + 1 < raw.size()) {
                ++i;
            }
            value.push_back(raw[i]);
        }
        return value;
    }
    return std::string();
}

std::vector<std::string> hostFibTrieAddresses(const std::string &text) {
    std::vector<std::string> out;
    std::string last;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = hostTrim(text.substr(from, end - from));
        from = end + 1;
        if (line.compare(0, 4, "|-- ") == 0) {
            last = line.substr(4);
        } else if (line.find("/32 host LOCAL") != std::string::npos && !last.empty()) {
            struct in_addr a;
            if (inet_pton(AF_INET, last.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) != 127 &&
                std::find(out.begin(), out.end(), last) == out.end()) {
                out.push_back(last);
            }
        }
    }
    return out;
}

bool hostReadComputer(const HostRoot &root, SrmComputer &c, const ScanWarnings &warn) {
    struct utsname uts;
    bool haveUname = root.live() && uname(&uts) == 0;

    std::string name;
    if (!root.readValue("/proc/sys/kernel/hostname", name) || name.empty()) {
        if (haveUname) {
            name = uts.nodename;
        }
    }
    if (name.empty()) {
        if (warn) {
            warn("no host name (/proc/sys/kernel/hostname); no computer");
        }
        return false;
    }
    c.Id = name;
    c.HostName = name;
    c.TIM = 1;

    // The report reads the first word of OS as the system's type and the
    // second as its version.
    std::string kernel;
    std::string release;
    if (!root.readValue("/proc/sys/kernel/ostype", kernel) && haveUname) {
        kernel = uts.sysname;
    }
    if (!root.readValue("/proc/sys/kernel/osrelease", release) && haveUname) {
        release = uts.release;
    }
    c.OS = hostTrim(kernel + " " + release);

    std::string osRelease;
    if (root.readFile("/etc/os-release", osRelease) ||
        root.readFile("/usr/lib/os-release", osRelease)) {
        c.OSInfo = hostOsReleaseValue(osRelease, "PRETTY_NAME");
        if (c.OSInfo.empty()) {
            c.OSInfo = hostOsReleaseValue(osRelease, "NAME");
        }
    }

    std::string vendor;
    std::string product;
    root.readValue("/sys/class/dmi/id/sys_vendor", vendor);
    root.readValue("/sys/class/dmi/id/product_name", product);
    c.HWInfo = hostTrim(vendor + " " + product);
    if (c.HWInfo.empty() && !root.readValue("/proc/sys/kernel/arch", c.HWInfo) && haveUname) {
        c.HWInfo = uts.machine;
    }
    root.readValue("/etc/machine-id", c.HostId);

    std::string meminfo;
    if (!root.readFile("/proc/meminfo", meminfo) ||
        !meminfoMegabytes(meminfo, "MemTotal", c.RAMMB)) {
        if (warn) {
            warn("/proc/meminfo: no readable MemTotal; RAM left at 0");
        }
    } else {
        meminfoMegabytes(meminfo, "SwapTotal", c.SwapMB);
    }
    readProcessors(root, c, warn);

    std::vector<std::string> addresses;
    if (root.live()) {
        addresses = liveAddresses();
    } else {
        std::string trie;
        if (root.readFile("/proc/net/fib_trie", trie)) {
            addresses = hostFibTrieAddresses(trie);
        }
    }
    for (const std::string &a : addresses) {
        c.IPAddr += (c.IPAddr.empty() ? "" : ",") + a;
    }
    return true;
}

}  // namespace collector
