#pragma once

#include <string>

// Named temporary files that a signal must not leave behind. On SIGINT,
// SIGTERM, SIGHUP or SIGQUIT every registered path is unlinked before the
// signal takes its usual course; a signal the process ignores stays ignored.
// Paths longer than the registry holds, or beyond its slots, are not
// registered (the call returns -1); the caller then simply has no cover.
namespace tempcleanup {

// A slot to pass to Unregister, or -1.
int Register(const std::string& path);
void Unregister(int slot);

}  // namespace tempcleanup
