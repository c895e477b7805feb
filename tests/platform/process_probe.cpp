// Started by the process tests: reports what a child process sees.
#include <dirent.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/process.h"

namespace {
int listDescriptors() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return 1;
    }
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) {
            continue;
        }
        std::printf("%s\n", entry->d_name);
    }
    ::closedir(dir);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "fds") {
        return listDescriptors();
    }
    if (mode == "cwd") {
        char buffer[4096];
        std::printf("%s\n", ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : "?");
        return 0;
    }
    if (mode == "policy") {
        std::printf("%d\n", ::sched_getscheduler(0));
        return 0;
    }
    if (mode == "priority") {
        std::printf("%d %d\n", ::sched_getscheduler(0), ::getpriority(PRIO_PROCESS, 0));
        return 0;
    }
    if (mode == "idle-child") {
        // An idle worker thread starts a child that reports its priority; then the worker's own.
        std::thread worker([&] {
            const bool lowered = morvane::platform::makeThisThreadIdle();
            auto child = morvane::platform::ChildProcess::spawn({argv[0], "priority"}, {});
            char line[64] = "";
            const auto n = child.readStdout(line, sizeof line - 1);
            child.wait();
            std::printf("child %s", n > 0 ? line : "?\n");
            std::printf("worker %d %d\n", lowered ? ::sched_getscheduler(0) : -1,
                        ::getpriority(PRIO_PROCESS, 0));
        });
        worker.join();
        return 0;
    }
    if (mode == "args") {
        for (int i = 2; i < argc; ++i) {
            std::printf("[%s]\n", argv[i]);
        }
        return 0;
    }
    if (mode == "echo") {
        int c = 0;
        while ((c = std::getchar()) != EOF) {
            std::putchar(c);
        }
        return 0;
    }
    if (mode == "exit") {
        std::fprintf(stderr, "leaving\n");
        return argc > 2 ? std::atoi(argv[2]) : 0;
    }
    if (mode == "sleep") {
        for (;;) {
            ::pause();
        }
    }
    if (mode == "spawn") {
        // Starts a sleeping grandchild, reports its pid, then waits to be killed.
        morvane::platform::SpawnOptions options;
        options.stdoutMode = morvane::platform::StdStream::Closed;
        auto child = morvane::platform::ChildProcess::spawn({argv[0], "sleep"}, options);
        std::printf("%d\n", static_cast<int>(child.pid()));
        std::fflush(stdout);
        for (;;) {
            ::pause();
        }
    }
    std::fprintf(
        stderr,
        "usage: morvane_process_probe fds|cwd|policy|priority|idle-child|args|echo|exit N|sleep|spawn\n");
    return 2;
}
