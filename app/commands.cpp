#include "app/commands.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "app/table.h"

namespace {

std::string Text(const char* text) { return text ? text : ""; }

nlohmann::ordered_json TextOrNull(const char* text) {
  return text ? nlohmann::ordered_json(text) : nlohmann::ordered_json(nullptr);
}

void PrintReadReport(const ReadResult& result, std::ostream& out) {
  const ReadReport& r = result.report;
  TextTable head;
  head.AddRow({"file", r.file});
  head.AddRow({"module", r.module + " (module " + std::to_string(result.module->index) + ")"});
  head.AddRow({"status", r.ok ? "ok" : "failed: " + r.error});
  head.AddRow({"optimizer", r.optimizer.called
                                ? r.optimizer.name + ", version " + std::to_string(r.optimizer.version)
                                : "not called"});
  head.AddRow({"assertions", std::to_string(r.assertions)});
  head.AddRow({"sets", std::to_string(r.sets.size())});
  head.Print(out);
  if (r.sets.empty()) return;

  TextTable sets;
  sets.AddRow({"#", "type", "material", "mode", "content", "bounds"});
  for (std::size_t i = 0; i < r.sets.size(); ++i) {
    const SetSummary& s = r.sets[i];
    sets.AddRow({std::to_string(i), s.type, s.material ? *s.material : "-", std::to_string(s.materialMode),
                 DescribeContent(s), DescribeBounds(s.bounds)});
  }
  out << '\n';
  sets.Print(out, "  ");
}

}  // namespace

int RunModules(const Package& package, bool json, std::ostream& out) {
  if (json) {
    nlohmann::ordered_json j;
    j["package"] = {{"name", TextOrNull(package.Name())},
                    {"version", TextOrNull(package.Version())},
                    {"description", TextOrNull(package.Description())},
                    {"core_version", TextOrNull(package.CoreVersion())}};
    j["modules"] = nlohmann::ordered_json::array();
    for (const PackageModule& m : package.Modules()) {
      j["modules"].push_back({{"index", m.index},
                              {"name", TextOrNull(m.getName())},
                              {"version", TextOrNull(m.getVersion())},
                              {"description", TextOrNull(m.getDescription())},
                              {"filter", TextOrNull(m.getFilter())},
                              {"sample_size", m.getSampleSize()},
                              {"write_priority", m.getWritePriority()},
                              {"type", m.getType()}});
    }
    out << j.dump(2) << '\n';
    return kExitOk;
  }

  out << Text(package.Name()) << ' ' << Text(package.Version()) << ": " << Text(package.Description())
      << " (host core " << Text(package.CoreVersion()) << ")\n\n";
  TextTable table;
  table.AddRow({"#", "name", "version", "type", "sample", "priority", "description", "filter"});
  for (const PackageModule& m : package.Modules()) {
    const std::string filter = Text(m.getFilter());
    table.AddRow({std::to_string(m.index), Text(m.getName()), Text(m.getVersion()),
                  std::to_string(m.getType()), std::to_string(m.getSampleSize()),
                  std::to_string(m.getWritePriority()), Text(m.getDescription()),
                  filter.empty() ? "-" : filter});
  }
  table.Print(out);
  return kExitOk;
}

int RunDetect(const Package& package, const std::vector<std::string>& files, bool json, std::ostream& out,
              std::ostream& err) {
  int code = kExitOk;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  TextTable table;
  for (const std::string& file : files) {
    std::string head, problem;
    nlohmann::ordered_json entry = {{"file", file},
                                    {"module", nullptr},
                                    {"index", nullptr},
                                    {"accepted", nlohmann::ordered_json::array()},
                                    {"error", nullptr}};
    if (!ReadHead(file, package.LargestSampleSize(), head, problem)) {
      err << "xpdb: " << problem << '\n';
      entry["error"] = problem;
      table.AddRow({file, "cannot be read"});
      code = kExitUsage;
    } else {
      const std::vector<int> accepted = package.AcceptingModules(head);
      for (const int i : accepted)
        entry["accepted"].push_back(package.Modules()[static_cast<std::size_t>(i)].getName());
      if (accepted.empty()) {
        table.AddRow({file, "not recognised"});
        code = kExitUsage;
      } else {
        const PackageModule& m = package.Modules()[static_cast<std::size_t>(accepted.front())];
        entry["module"] = m.getName();
        entry["index"] = m.index;
        table.AddRow({file, Text(m.getName()) + " (module " + std::to_string(m.index) + ")"});
      }
    }
    list.push_back(entry);
  }
  if (json)
    out << list.dump(2) << '\n';
  else
    table.Print(out);
  return code;
}

int RunRead(const Package& package, const ReadRequest& request, bool json, std::ostream& out,
            std::ostream& err) {
  const ReadResult result = ReadThroughPackage(package, request);
  if (result.code == kExitUsage) {
    err << "xpdb: " << result.problem << '\n';
    return result.code;
  }
  if (!result.report.ok) err << "xpdb: " << request.file << ": " << result.report.error << '\n';
  if (json)
    out << ToJson(result.report).dump(2) << '\n';
  else
    PrintReadReport(result, out);
  return result.code;
}
