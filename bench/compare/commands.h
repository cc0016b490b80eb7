#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

// A target line of the report: name, value, limit, whether the value must be
// at least the limit (else at most), unit.
using TargetFn = std::function<void(const std::string&, double, double, bool, const std::string&)>;

// `xpdb read` (text and --json) as whole processes against the package read
// they wrap, in a fresh process each: the one-million-point part `part`, and
// parts of many small objects generated into `dir` at two sizes, ten times
// apart, for the scaling. Prints its rows, fills `json` and adds targets.
void CompareCommands(int runs, const std::string& library, const std::string& part,
                     const std::filesystem::path& dir, nlohmann::ordered_json& json, const TargetFn& target);
