#include "app/read/readjson.h"
#include "host/xsetkind.h"

#include <charconv>
#include <cmath>
#include <ostream>

namespace {

constexpr unsigned kIndent = 2;
using Json = nlohmann::ordered_json;

// The keys of a set at their depth in the document.
constexpr const char* kKey = "\n      \"";
constexpr const char* kNumberIndent = "\n          ";

void Int(std::string& text, const char* key, int value) {
  text += kKey;
  text += key;
  text += "\": ";
  char digits[16];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  text += ',';
}

// As the JSON library writes a double, without making a value of it.
void Real(std::string& text, double value) {
  if (!std::isfinite(value)) {
    text += "null";
    return;
  }
  char digits[64];
  text.append(digits, nlohmann::detail::to_chars(digits, digits + sizeof digits, value));
}

void Corner(std::string& text, const double (&corner)[3]) {
  text += "\n        [";
  for (int i = 0; i < 3; ++i) {
    text += kNumberIndent;
    Real(text, corner[i]);
    if (i < 2) text += ',';
  }
  text += "\n        ]";
}

// A name needs the library's escaping unless it is plain printable ASCII.
bool Plain(const std::string& name) {
  for (const char c : name)
    if (c < 0x20 || c > 0x7e || c == '"' || c == '\\') return false;
  return true;
}

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
  Json head = ToJson(ReadReport{report.file,
                                report.module,
                                report.ok,
                                report.error,
                                report.optimizer,
                                report.assertions,
                                {},
                                report.errorDetail});
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

// The text of ToJson(set).dump at its place in the document, written
// directly: a million sets through the JSON library's values take several
// times as long as the read.
void ReadJsonWriter::Set(const SetSummary& set) {
  std::string& text = m_text;
  text.assign(m_first ? "\n    {" : ",\n    {");
  m_first = false;
  text += kKey;
  text += "type\": \"";
  text += set.type;
  text += "\",";
  ListCounts(
      set, [&text](const char* key, int value) { Int(text, key, value); },
      [&text](const char* key, double value) {
        text += kKey;
        text += key;
        text += "\": ";
        Real(text, value);
        text += ',';
      });
  text += kKey;
  text += "material\": ";
  if (!set.material) {
    text += "null";
  } else if (Plain(*set.material)) {
    text += '"';
    text += *set.material;
    text += '"';
  } else {
    m_out << text;
    text.clear();
    m_serializer->Dump(*set.material, 0);
  }
  text += ',';
  Int(text, "material_mode", set.materialMode);
  text += kKey;
  text += "bounds\": ";
  if (set.bounds.empty) {
    text += "null";
  } else {
    text += '[';
    Corner(text, set.bounds.min);
    text += ',';
    Corner(text, set.bounds.max);
    text += "\n      ]";
  }
  text += "\n    }";
  m_out << text;
}

void ReadJsonWriter::End() { m_out << (m_first ? "]\n}\n" : "\n  ]\n}\n"); }

std::string DumpJson(const Json& json) {
  return json.dump(static_cast<int>(kIndent), ' ', false, Json::error_handler_t::replace);
}
