#include "app/commands.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "app/anyread.h"
#include "app/read/readjson.h"
#include "app/read/table.h"
#include "app/version.h"

namespace {

// Where a failed read stopped, after its status text.
std::string Detail(const ReadReport& report) {
  return report.errorDetail.empty() ? std::string() : " (" + report.errorDetail + ")";
}

std::string Text(const char* text) { return text ? text : ""; }

nlohmann::ordered_json TextOrNull(const char* text) {
  return text ? nlohmann::ordered_json(text) : nlohmann::ordered_json(nullptr);
}

// Calls `visit` with the summary of each set in turn; false when the
// geometry could not be walked, with the reason in `error`.
template <class Visit>
bool ForEachSet(const xGeometry* geometry, bool withBounds, Visit visit, std::string& error) {
  if (!geometry || geometry->GetContainer().IsEmpty()) return true;
  try {
    const xGeoContainer& container = *geometry->GetContainer();
    for (int i = 0; i < container.GetSetCount(); ++i)
      if (const xGeoSet* set = container.GetSet(i)) visit(Summarise(*set, withBounds));
  } catch (...) {
    error = "cannot summarise the geometry: " + CurrentExceptionText();
    return false;
  }
  return true;
}

// The set table is walked twice, first for the column widths and then for
// the text, so that no table of a million rows is held; the bounds, the
// dearest column to format, are last and need no width.
bool PrintReadReport(const ReadResult& result, std::ostream& out, std::string& error) {
  const ReadReport& r = result.report;
  TextTable sets;
  sets.AddRow({"#", "type", "material", "mode", "content", "bounds"});
  std::size_t count = 0;
  std::string content, bounds;
  if (!ForEachSet(
          result.geometry.get(), false,
          [&](const SetSummary& s) {
            DescribeContent(s, content);
            sets.Widen({std::to_string(count++), s.type, s.material ? EscapeControls(*s.material) : "-",
                        std::to_string(s.materialMode), content});
          },
          error))
    return false;

  TextTable head;
  head.AddRow({"file", EscapeControls(r.file)});
  head.AddRow({"module", result.module ? r.module + " (module " + std::to_string(result.module->index) + ")"
                                       : std::string("none: imported as a mesh file")});
  head.AddRow({"status", r.ok ? "ok" : "failed: " + r.error + Detail(r)});
  head.AddRow({"optimizer", r.optimizer.called
                                ? r.optimizer.name + ", version " + std::to_string(r.optimizer.version)
                                : "not called"});
  head.AddRow({"assertions", std::to_string(r.assertions)});
  head.AddRow({"sets", std::to_string(count)});
  head.Print(out);
  if (count == 0) return true;

  out << '\n';
  sets.Print(out, "  ");
  std::size_t index = 0;
  // Rows go out in blocks: a stream call per row would cost more than the row.
  constexpr std::size_t kBlock = 1 << 16;
  std::string block;
  block.reserve(kBlock + 1024);
  const bool walked = ForEachSet(
      result.geometry.get(), true,
      [&](const SetSummary& s) {
        DescribeContent(s, content);
        DescribeBounds(s.bounds, bounds);
        sets.AppendRow(block,
                       {std::to_string(index++), s.type, s.material ? EscapeControls(*s.material) : "-",
                        std::to_string(s.materialMode), content, bounds},
                       "  ");
        if (block.size() >= kBlock) {
          out << block;
          block.clear();
        }
      },
      error);
  out << block;
  return walked;
}

bool PrintReadJson(const ReadResult& result, std::ostream& out, std::string& error) {
  ReadJsonWriter writer(out);
  writer.Begin(result.report);
  const bool walked = ForEachSet(
      result.geometry.get(), true, [&](const SetSummary& s) { writer.Set(s); }, error);
  writer.End();
  return walked;
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
    out << DumpJson(j) << '\n';
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
      err << "xpdb: " << EscapeControls(problem) << '\n';
      entry["error"] = problem;
      table.AddRow({EscapeControls(file), "cannot be read"});
      code = kExitUsage;
    } else {
      const std::vector<int> accepted = package.AcceptingModules(head);
      for (const int i : accepted)
        entry["accepted"].push_back(package.Modules()[static_cast<std::size_t>(i)].getName());
      if (accepted.empty()) {
        table.AddRow({EscapeControls(file), "not recognised"});
        code = kExitUsage;
      } else {
        const PackageModule& m = package.Modules()[static_cast<std::size_t>(accepted.front())];
        entry["module"] = m.getName();
        entry["index"] = m.index;
        table.AddRow({EscapeControls(file), Text(m.getName()) + " (module " + std::to_string(m.index) + ")"});
      }
    }
    list.push_back(entry);
  }
  if (json)
    out << DumpJson(list) << '\n';
  else
    table.Print(out);
  return code;
}

namespace {

int ReportRead(const ReadRequest& request, const ReadResult& result, bool json, std::ostream& out,
               std::ostream& err) {
  if (result.code == kExitUsage || result.code == kExitNoPackage) {
    err << "xpdb: " << EscapeControls(result.problem) << '\n';
    return result.code;
  }
  const std::string name = EscapeControls(request.file);
  if (!result.report.ok)
    err << "xpdb: " << name << ": " << result.report.error << Detail(result.report) << '\n';
  std::string error;
  const bool walked = json ? PrintReadJson(result, out, error) : PrintReadReport(result, out, error);
  if (!walked) {
    err << "xpdb: " << name << ": " << error << '\n';
    return kExitFailed;
  }
  return result.code;
}

}  // namespace

int RunRead(const Package& package, const ReadRequest& request, bool json, std::ostream& out,
            std::ostream& err, std::unique_ptr<xGeometry>* keep) {
  ReadRequest lean = request;
  lean.summarise = false;  // the sets are summarised as they are printed
  ReadResult result = ReadAnyFile(package, lean, err);
  const int code = ReportRead(request, result, json, out, err);
  if (keep) *keep = std::move(result.geometry);
  return code;
}

int RunVersion(const Package* package, std::ostream& out) {
  out << "xpdb " << kProgramVersion << '\n';
  if (package)
    out << "package " << Text(package->Name()) << ' ' << Text(package->Version()) << " (host core "
        << Text(package->CoreVersion()) << ")\n";
  return kExitOk;
}
