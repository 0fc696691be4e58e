// Runs a command once and reports its wall time and peak memory (the largest resident set of the
// processes it started), for bench/run. With --files, the command runs once per file, the file
// appended to its arguments, one after the other; the time is their sum.
//   brindle_bench_measure [--files F1 F2 ... --] command [args...]
// Prints "<wall microseconds> <peak resident KiB>"; the command's own output is discarded.
// A benchmark helper for POSIX systems only; it is not part of the tool.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Runs argv to its end with standard output and error sent to /dev/null; false when it could not
// be started or did not exit with status 0. Adds its peak resident set to peakKib.
bool RunOnce(std::vector<char*> argv, long& peakKib)
{
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return false;
    if (usage.ru_maxrss > peakKib)
        peakKib = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> files;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--files") == 0) {
        for (first = 2; first < argc && std::strcmp(argv[first], "--") != 0; ++first)
            files.push_back(argv[first]);
        ++first;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [--files F1 F2 ... --] command [args...]\n", argv[0]);
        return 2;
    }
    const std::vector<char*> command(argv + first, argv + argc);
    long peakKib = 0;
    bool ok = true;
    const auto start = std::chrono::steady_clock::now();
    if (files.empty()) {
        ok = RunOnce(command, peakKib);
    } else {
        for (char* file : files) {
            std::vector<char*> withFile = command;
            withFile.push_back(file);
            ok = RunOnce(withFile, peakKib) && ok;
        }
    }
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    if (!ok) {
        std::fprintf(stderr, "%s failed\n", command[0]);
        return 1;
    }
    std::printf("%lld %ld\n", static_cast<long long>(wall.count()), peakKib);
    return 0;
}
