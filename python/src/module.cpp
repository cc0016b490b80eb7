// The native half of the Python module: reads and writes through the
// package's exported functions, as the command-line host does. The Python
// half (xpdb/__init__.py) checks and converts what users pass and raises.
#include <sys/mman.h>
#include <unistd.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>

#include "app/commands.h"
#include "app/convert/outputplan.h"
#include "app/convert/pdbwrite.h"
#include "app/defaults.h"
#include "app/files/outputfile.h"
#include "app/read/hostread.h"
#include "host/xmaterial.h"
#include "python/src/hostsets.h"
#include "python/src/loadedpackage.h"
#include "python/src/setarrays.h"

namespace py = pybind11;

namespace {

// Bytes in memory as a file that the host's input can open by name.
class MemoryFile {
 public:
  explicit MemoryFile(const py::buffer& content) {
    const py::buffer_info info = content.request();
    if (info.itemsize != 1 || info.ndim != 1 || info.strides[0] != 1)
      throw py::type_error("the content must be bytes");
    m_fd = memfd_create("xpdb-part", MFD_CLOEXEC);
    if (m_fd < 0)
      throw std::runtime_error(std::string("cannot hold the part in memory: ") + std::strerror(errno));
    const char* at = static_cast<const char*>(info.ptr);
    std::size_t left = static_cast<std::size_t>(info.size);
    int error = 0;
    {
      py::gil_scoped_release unlocked;
      while (left > 0) {
        const ssize_t n = ::write(m_fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          error = errno ? errno : EIO;
          break;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
      }
    }
    if (error != 0) {
      ::close(m_fd);
      throw std::runtime_error(std::string("cannot hold the part in memory: ") + std::strerror(error));
    }
  }
  ~MemoryFile() { ::close(m_fd); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

 private:
  int m_fd = -1;
};

// Texts that name files hold their bytes as the file system has them.
py::str FileText(const std::string& text) {
  PyObject* decoded = PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
  if (!decoded) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

// Empties the sets' tables as it goes.
py::list Sets(xGeometry* geometry) {
  py::list sets;
  if (!geometry || geometry->GetContainer().IsEmpty()) return sets;
  const xGeoContainer& container = *geometry->GetContainer();
  for (int i = 0; i < container.GetSetCount(); ++i)
    if (xGeoSet* set = container.GetSet(i)) sets.append(SetToDict(*set));
  return sets;
}

// {"ok", "error", "detail", "problem", "module", "sets"}: "problem" says why
// no module read the file at all.
py::dict Read(const py::object& path, const py::object& content, std::optional<int> module,
              double tolerance) {
  const Package& package = LoadedPackage();
  std::optional<MemoryFile> memory;
  ReadRequest request;
  if (!content.is_none()) {
    memory.emplace(content.cast<py::buffer>());
    request.file = memory->Path();
  } else {
    request.file = path.cast<std::string>();
  }
  request.module = module;
  request.tolerance = tolerance;
  request.summarise = false;
  if (module && (*module < 0 || *module >= static_cast<int>(package.Modules().size())))
    throw py::value_error("no module " + std::to_string(*module) + "; the package has " +
                          std::to_string(package.Modules().size()));

  ReadResult result;
  {
    py::gil_scoped_release unlocked;
    result = ReadThroughPackage(package, request);
  }
  if (memory) {
    // The memory file's name means nothing to the caller.
    for (std::string* text : {&result.problem, &result.report.error})
      if (text->starts_with(request.file)) text->replace(0, request.file.size(), "<bytes>");
  }
  py::dict out;
  out["ok"] = result.report.ok;
  out["error"] = FileText(result.report.error);
  out["detail"] = FileText(result.report.errorDetail);
  out["problem"] = result.code == kExitUsage ? py::object(FileText(result.problem)) : py::object(py::none());
  out["module"] = result.report.module;
  out["sets"] = Sets(result.geometry.get());
  {
    // Taking apart a large geometry takes a while; others may run meanwhile.
    py::gil_scoped_release unlocked;
    result.geometry.reset();
  }
  return out;
}

// {"ok", "error", "left_out", "kept", "total"}.
py::dict Write(const std::string& path, const py::list& sets, int version) {
  const Package& package = LoadedPackage();
  const PackageModule* writer = package.ModuleForVersion(version);
  if (!writer) throw py::value_error("the package has no module for PDB version " + std::to_string(version));

  std::vector<std::unique_ptr<xMaterial>> materials;
  auto geometry = std::make_unique<xGeometry>();
  for (std::size_t i = 0; i < sets.size(); ++i) {
    try {
      geometry->GetContainer()->AddSet(DictToSet(sets[i].cast<py::dict>(), materials).release());
    } catch (py::value_error& e) {
      throw py::value_error("set " + std::to_string(i) + ": " + e.what());
    } catch (py::type_error& e) {
      throw py::type_error("set " + std::to_string(i) + ": " + e.what());
    }
  }
  const OutputPlan plan = PlanPdb(*geometry, version);
  py::dict out;
  out["kept"] = plan.kept;
  out["total"] = plan.fates.size();
  const std::string leftOut =
      plan.kept < static_cast<int>(plan.fates.size()) ? LeftOutText(*geometry, plan) : "";
  out["left_out"] = FileText(leftOut);
  out["ok"] = false;
  if (plan.fates.empty()) {
    out["error"] = "no sets to write; nothing written";
    return out;
  }
  if (plan.kept == 0) {
    out["error"] = "PDB version " + std::to_string(version) + " cannot hold " + leftOut + "; nothing written";
    return out;
  }
  if (const std::string problem = UnwritableOutput(path); !problem.empty()) {
    out["error"] = FileText(problem);
    return out;
  }
  PdbWriteResult written;
  {
    py::gil_scoped_release unlocked;
    written = WritePdbFile(*writer, version, geometry.get(), path, "the sets given");
    geometry.reset();
  }
  out["ok"] = written.ok;
  out["error"] = FileText(written.error);
  return out;
}

// Sets through host sets and back, without a file: what a write hands the
// writer is what a read of the same sets would give.
py::list HostRoundTrip(const py::list& sets) {
  LoadedPackage();  // the host's colour materials
  std::vector<std::unique_ptr<xMaterial>> materials;
  xGeometry geometry;
  for (const py::handle set : sets)
    geometry.GetContainer()->AddSet(DictToSet(set.cast<py::dict>(), materials).release());
  return Sets(&geometry);
}

std::string ModulesJson() {
  std::ostringstream out;
  RunModules(LoadedPackage(), true, out);
  return out.str();
}

std::string DetectJson(const std::vector<std::string>& files) {
  std::ostringstream out, err;
  RunDetect(LoadedPackage(), files, true, out, err);
  return out.str();
}

}  // namespace

PYBIND11_MODULE(_xpdb, m) {
  m.doc() = "The package's exported functions, for the xpdb Python module";
  m.attr("DEFAULT_TOLERANCE") = kDefaultNurbsTolerance;
  m.attr("DEFAULT_VERSION") = kDefaultWriteVersion;
  m.def("read", &Read, py::arg("path"), py::arg("content"), py::arg("module"), py::arg("tolerance"));
  m.def("write", &Write, py::arg("path"), py::arg("sets"), py::arg("version"));
  m.def("modules_json", &ModulesJson);
  m.def("detect_json", &DetectJson, py::arg("files"), py::call_guard<py::gil_scoped_release>());
  m.def("library_path", &PackageLibraryPath);
  m.def("host_round_trip", &HostRoundTrip, py::arg("sets"));
}
