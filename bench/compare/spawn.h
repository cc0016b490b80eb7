#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

// Starts the program at `path` with `args` (args[0] is the name it sees),
// its standard output on the descriptor `out`, or thrown away when `out` is
// -1. A program that cannot be started exits 127. Throws std::runtime_error
// when there is no new process.
pid_t Spawn(const std::string& path, std::vector<std::string> args, int out = -1);

// Waits for `pid` to end and returns what it used; throws
// std::runtime_error(failure) unless it exited with 0.
rusage Reap(pid_t pid, const std::string& failure);
