#include "app/readjson.h"

#include <ostream>

namespace {

constexpr unsigned kIndent = 2;
using Json = nlohmann::ordered_json;

}  // namespace

struct ReadJsonWriter::Serializer {
  explicit Serializer(std::ostream& out)
      : serializer(nlohmann::detail::output_adapter<char>(out), ' ', Json::error_handler_t::replace) {}
  void Dump(const Json& value, unsigned indent) { serializer.dump(value, true, false, kIndent, indent); }
  nlohmann::detail::serializer<Json> serializer;
};

ReadJsonWriter::ReadJsonWriter(std::ostream& out)
    : m_out(out), m_serializer(std::make_unique<Serializer>(out)) {}

ReadJsonWriter::~ReadJsonWriter() = default;

void ReadJsonWriter::Begin(const ReadReport& report) {
  Json head = ToJson(ReadReport{
      report.file, report.module, report.ok, report.error, report.optimizer, report.assertions, {}});
  m_out << "{\n";
  for (const auto& [key, value] : head.items()) {
    if (key == "sets") break;
    m_out << "  \"" << key << "\": ";
    m_serializer->Dump(value, kIndent);
    m_out << ",\n";
  }
  m_out << "  \"sets\": [";
  m_first = true;
}

void ReadJsonWriter::Set(const SetSummary& set) {
  m_out << (m_first ? "\n    " : ",\n    ");
  m_first = false;
  m_serializer->Dump(ToJson(set), 2 * kIndent);
}

void ReadJsonWriter::End() { m_out << (m_first ? "]\n}\n" : "\n  ]\n}\n"); }

std::string DumpJson(const Json& json) {
  return json.dump(static_cast<int>(kIndent), ' ', false, Json::error_handler_t::replace);
}
