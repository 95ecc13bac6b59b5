#include "proc_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_set>

namespace bench {

namespace {

// The parent of `pid` from /proc/<pid>/stat, or -1. The command name there
// sits in parentheses and may itself hold blanks and parentheses, so the
// fields are read after the last ')'.
pid_t parentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    pid_t parent = -1;
    fields >> state >> parent;
    return fields ? parent : -1;
}

std::string commOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// A "Key:   1234 kB" line's number, for the first line starting with `key`.
long kibField(const std::string &path, const char *key)
{
    std::ifstream in(path);
    const std::size_t keyLength = std::strlen(key);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, keyLength, key) == 0)
            return std::strtol(line.c_str() + keyLength, nullptr, 10);
    }
    return 0;
}

// Adds the frame numbers of the resident pages of `pid` to `frames`; false if
// the numbers cannot be read.
bool addResidentFrames(pid_t pid, std::unordered_set<std::uint64_t> &frames)
{
    const std::string dir = "/proc/" + std::to_string(pid);
    const int pagemap = ::open((dir + "/pagemap").c_str(), O_RDONLY);
    if (pagemap < 0)
        return errno == ENOENT || errno == ESRCH; // gone: nothing to count

    const long pageSize = ::sysconf(_SC_PAGESIZE);
    std::ifstream smaps(dir + "/smaps");
    unsigned long start = 0;
    unsigned long end = 0;
    bool readable = true;
    std::vector<std::uint64_t> entries;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long from = 0;
        unsigned long to = 0;
        // A mapping's first line is "start-end perms ...": hexadecimal, no key.
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > line.find(' ')) {
            start = from;
            end = to;
            continue;
        }
        if (line.compare(0, 4, "Rss:") != 0 || std::strtol(line.c_str() + 4, nullptr, 10) == 0)
            continue;
        entries.resize((end - start) / std::size_t(pageSize));
        const off_t offset = off_t(start / std::size_t(pageSize) * sizeof(std::uint64_t));
        const ssize_t bytes = ::pread(pagemap, entries.data(), entries.size() * sizeof(std::uint64_t), offset);
        for (ssize_t i = 0; i < bytes / ssize_t(sizeof(std::uint64_t)); ++i) {
            const std::uint64_t entry = entries[std::size_t(i)];
            if (!(entry >> 63)) // not present
                continue;
            const std::uint64_t frame = entry & ((std::uint64_t(1) << 55) - 1);
            if (frame == 0)
                readable = false; // hidden from us
            else
                frames.insert(frame);
        }
    }
    ::close(pagemap);
    return readable;
}

} // namespace

std::vector<pid_t> processTree(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    if (DIR *proc = ::opendir("/proc")) {
        while (const dirent *entry = ::readdir(proc)) {
            char *end = nullptr;
            const long pid = std::strtol(entry->d_name, &end, 10);
            if (*end != '\0' || pid <= 0)
                continue;
            children.emplace(parentOf(pid_t(pid)), pid_t(pid));
        }
        ::closedir(proc);
    }
    std::vector<pid_t> tree{root};
    for (std::size_t at = 0; at < tree.size(); ++at) {
        const auto [first, last] = children.equal_range(tree[at]);
        for (auto it = first; it != last; ++it)
            tree.push_back(it->second);
    }
    return tree;
}

TreeMemory treeMemory(pid_t root)
{
    TreeMemory memory;
    std::unordered_set<std::uint64_t> frames;
    bool framesReadable = true;
    for (pid_t pid : processTree(root)) {
        framesReadable = addResidentFrames(pid, frames) && framesReadable;
        const std::string rollup = "/proc/" + std::to_string(pid) + "/smaps_rollup";
        ProcessMemory process{pid, commOf(pid), kibField(rollup, "Rss:"), kibField(rollup, "Pss:")};
        if (process.name.empty())
            continue; // gone while we looked
        memory.rssKib += process.rssKib;
        memory.pssKib += process.pssKib;
        if (pid != root && process.name.rfind("QtWebEngine", 0) == 0)
            ++memory.engineProcesses;
        memory.processes.push_back(std::move(process));
    }
    if (framesReadable)
        memory.distinctKib = long(frames.size() * std::size_t(::sysconf(_SC_PAGESIZE)) / 1024);
    return memory;
}

long residentKib(pid_t pid)
{
    return kibField("/proc/" + std::to_string(pid) + "/status", "VmRSS:");
}

} // namespace bench
