#pragma once

#include <iosfwd>
#include <memory>

#include "app/read/summary.h"

// `read --json` written as the sets come, one at a time, so that a part of a
// million objects needs no document of a million objects in memory. The text
// is that of ToJson(report).dump(2) with the sets added; bytes that are not
// UTF-8 (a file name may hold any) become U+FFFD instead of failing.
class ReadJsonWriter {
 public:
  explicit ReadJsonWriter(std::ostream& out);
  ~ReadJsonWriter();
  ReadJsonWriter(const ReadJsonWriter&) = delete;
  ReadJsonWriter& operator=(const ReadJsonWriter&) = delete;

  // Everything but the sets; report.sets is not looked at.
  void Begin(const ReadReport& report);
  void Set(const SetSummary& set);
  void End();

 private:
  struct Serializer;
  std::ostream& m_out;
  std::unique_ptr<Serializer> m_serializer;
  std::string m_text;  // one set's text, reused
  bool m_first = true;
};

// A JSON document as `dump(2)` writes it, but with bytes that are not UTF-8
// replaced instead of thrown about.
std::string DumpJson(const nlohmann::ordered_json& json);
