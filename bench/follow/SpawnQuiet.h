#pragma once

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

// Starts args[0] with args, its output thrown away; the caller waits for it.
inline pid_t SpawnQuiet(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}
