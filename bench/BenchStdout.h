#pragma once

#include <ext/stdio_filebuf.h>

#include <cstdio>
#include <iostream>

#include <unistd.h>

// Keeps standard output for the benchmark's report alone: the plug-in prints some lines to
// stdout by design (node attach and detach, the fast-ten line), which would break
// --benchmark_format=json. Those lines go to stderr; std::cout, where the reporter writes, keeps
// the original standard output. Call first in main.
// Threads: main thread, before any other thread starts.
inline void KeepStdoutForReports() {
    std::fflush(stdout);
    std::cout.flush();
    const int reportFd = ::dup(STDOUT_FILENO);
    if (reportFd < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        return;
    }
    static __gnu_cxx::stdio_filebuf<char> report(reportFd, std::ios::out);
    std::cout.rdbuf(&report);
}
