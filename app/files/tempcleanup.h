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

// For a process that owns its signal handling (an interpreter that loads
// this code): no handler is ever installed, and a temporary named in the
// last moment before it replaces its target has no cover.
void LeaveSignalsAlone();

}  // namespace tempcleanup
