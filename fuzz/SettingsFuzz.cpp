// The settings file is a text file that users edit by hand. The fuzz input is the file's text.
// Every setting the program reads must read within its limits, the text must come back unchanged
// while nothing is written, and the program's save at closing (each setting written back as it was
// read) must give a file that reads the same settings and keeps every line the program does not
// own. The input's length picks C or German number forms, so both decimal separators are read.

#include <QLocale>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "IniFile.h"

namespace {

using ombrix::TIniFile;

const QString kFileName = QStringLiteral("fuzz.INI");

// The settings the program reads at start and writes when it closes, with its defaults.
struct Setting {
  enum Kind { kInteger, kBool, kFloat, kString };
  const char* section;
  const char* key;
  Kind kind;
  float def;
};
constexpr Setting kSettings[] = {
    {"Properties", "ComNumber", Setting::kInteger, -1},
    {"Properties", "DeviceName", Setting::kString, 0},
    {"Form", "Top", Setting::kInteger, 0},
    {"Form", "Left", Setting::kInteger, 0},
    {"Form", "Width", Setting::kInteger, 800},
    {"Form", "Height", Setting::kInteger, 600},
    {"Form", "State", Setting::kBool, 0},
    {"Graph", "Graph3D", Setting::kBool, 1},
    {"Graph", "GraphDate", Setting::kBool, 0},
    {"Histogram", "Histogram3D", Setting::kBool, 1},
    {"Graph", "MinTemperature", Setting::kFloat, 0},
    {"Graph", "MaxTemperature", Setting::kFloat, 40},
};

// Settings the program reads but never writes, and keys it does not know at all.
constexpr std::pair<const char*, const char*> kOthers[] = {
    {"Properties", "Test"}, {"Properties", "EnableOff"}, {"Properties", "CodePage"},
    {"Form", "Other"},      {"Graph", "Graph"},          {"Extra", "Key"},
};

struct Read {
  std::int32_t integer = 0;
  float number = 0;
  std::string text;
};

Read ReadSetting(const TIniFile& ini, const Setting& s) {
  Read r;
  switch (s.kind) {
    case Setting::kInteger:
      r.integer = ini.ReadInteger(s.section, s.key, static_cast<std::int32_t>(s.def));
      break;
    case Setting::kBool:
      r.integer = ini.ReadBool(s.section, s.key, s.def != 0);
      break;
    case Setting::kFloat:
      r.number = ini.ReadFloat(s.section, s.key, s.def);
      FUZZ_CHECK(std::isfinite(r.number));
      break;
    case Setting::kString:
      r.text = ini.ReadString(s.section, s.key, "Ombrix adapter");
      FUZZ_CHECK(r.text.size() <= TIniFile::kMaxValueLength);
      break;
  }
  return r;
}

void WriteSetting(TIniFile& ini, const Setting& s, const Read& r) {
  switch (s.kind) {
    case Setting::kInteger:
      ini.WriteInteger(s.section, s.key, r.integer);
      break;
    case Setting::kBool:
      ini.WriteBool(s.section, s.key, r.integer != 0);
      break;
    case Setting::kFloat:
      ini.WriteFloat(s.section, s.key, r.number);
      break;
    case Setting::kString:
      ini.WriteString(s.section, s.key, r.text);
      break;
  }
}

bool SameRead(const Read& a, const Read& b) {
  return a.integer == b.integer && a.number == b.number && a.text == b.text;
}

// Text() gives the lines back with one kind of line end; a text that has one kind already, and
// does not stop in the middle of a line end, comes back byte for byte.
bool OneKindOfLineEnd(std::string_view text) {
  if (!text.empty() && text.back() == '\r') return false;
  const auto lf = std::count(text.begin(), text.end(), '\n');
  std::size_t crlf = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", at + 2)) {
    ++crlf;
  }
  return crlf == 0 || static_cast<std::size_t>(lf) == crlf;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::setlocale(LC_ALL, "C");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QLocale c = QLocale::c();
  static const QLocale german(QLocale::German, QLocale::Germany);
  QLocale::setDefault(size % 2 == 0 ? c : german);

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TIniFile ini(kFileName, text);
  if (OneKindOfLineEnd(text)) FUZZ_CHECK(ini.Text() == text);

  std::vector<Read> read;
  for (const Setting& s : kSettings) read.push_back(ReadSetting(ini, s));
  std::vector<std::optional<std::string>> others;
  for (const auto& [section, key] : kOthers) {
    others.push_back(ini.Value(section, key));
    if (others.back()) FUZZ_CHECK(others.back()->size() <= TIniFile::kMaxValueLength);
  }

  for (std::size_t i = 0; i < std::size(kSettings); ++i) WriteSetting(ini, kSettings[i], read[i]);
  const std::string saved = ini.Text();

  TIniFile reread(kFileName, saved);
  for (std::size_t i = 0; i < std::size(kSettings); ++i) {
    const Read again = ReadSetting(reread, kSettings[i]);
    if (!SameRead(again, read[i])) {
      std::fprintf(stderr, "[%s] %s reads \"%s\" %d %g after saving \"%s\" %d %g\n",
                   kSettings[i].section, kSettings[i].key, again.text.c_str(), again.integer,
                   static_cast<double>(again.number), read[i].text.c_str(), read[i].integer,
                   static_cast<double>(read[i].number));
    }
    FUZZ_CHECK(SameRead(again, read[i]));
  }
  for (std::size_t i = 0; i < std::size(kOthers); ++i) {
    FUZZ_CHECK(reread.Value(kOthers[i].first, kOthers[i].second) == others[i]);
  }

  // A second save of what the first one wrote changes nothing.
  for (std::size_t i = 0; i < std::size(kSettings); ++i)
    WriteSetting(reread, kSettings[i], read[i]);
  FUZZ_CHECK(reread.Text() == saved);
  return 0;
}
