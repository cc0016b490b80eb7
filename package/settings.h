#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The settings files that stand in for the registry. Internal to the package.

// The largest settings file read; a larger one is passed over as a whole.
constexpr std::size_t kMaxSettingsFileSize = 64 * 1024;

// The settings files in the order they are consulted: the per-user file, then
// the one under each machine-wide configuration directory.
std::vector<std::string> SettingsFiles();

// The value that the settings text `text` gives `name`: the last NAME=VALUE
// line for it wins. A leading UTF-8 byte-order mark is skipped and a CR
// before a line feed is part of the line end.
std::optional<std::string> FindSetting(std::string_view text, std::string_view name);

// Copies the setting `name` from the first settings file that has a non-empty
// value of at most 1023 bytes into the environment, replacing any value there;
// otherwise leaves the environment alone. Only regular files of at most
// kMaxSettingsFileSize bytes are read.
void SetEnvFromRegistry(const char* name);
