#pragma once

// Memory and processes of a process and everything it started, read from
// /proc. Plain C++: the harness and the programs under test both use it.

#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

struct ProcessMemory {
    pid_t pid = 0;
    std::string name;   // /proc/<pid>/comm
    long rssKib = 0;    // Rss of smaps_rollup
    long pssKib = 0;    // Pss of smaps_rollup
};

struct TreeMemory {
    std::vector<ProcessMemory> processes; // the root first
    long rssKib = 0;
    long pssKib = 0;
    int engineProcesses = 0; // QtWebEngineProcess children at any depth
    // Distinct physical pages resident in the tree, each counted once however
    // many of its processes map it, and whoever else on the machine maps it
    // too (PSS would share such a page out with them); 0 when the page frame
    // numbers cannot be read (they need CAP_SYS_ADMIN).
    long distinctKib = 0;

    double pssMib() const { return pssKib / 1024.0; }
    double rssMib() const { return rssKib / 1024.0; }
    double distinctMib() const { return distinctKib / 1024.0; }
};

// `root` and its descendants, as they are at the moment of the call.
std::vector<pid_t> processTree(pid_t root);

TreeMemory treeMemory(pid_t root);

// VmRSS of one process, in KiB (0 if it is gone).
long residentKib(pid_t pid);

} // namespace bench
