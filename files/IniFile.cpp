#include "IniFile.h"

#include <QFile>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>

#include "FileRead.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::uint64_t> Digits(std::string_view text, int base) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

TIniFile::TIniFile(QString fileName) : fileName_(std::move(fileName)) {
  FileBytes file = ReadRegularFile(fileName_, kMaxFileSize);
  if (file.outcome == ReadOutcome::kMissing) return;
  exists_ = true;
  if (file.outcome != ReadOutcome::kRead) {
    readError_ = std::move(file.error);
    return;
  }
  Parse(file.bytes);
}

TIniFile::TIniFile(QString fileName, std::string_view text) : fileName_(std::move(fileName)) {
  Parse(text);
}

void TIniFile::Parse(std::string_view all) {
  // The first line end sets the file's kind. Only in a CR LF file is the CR part of the line end;
  // in an LF file a CR before the LF belongs to the line, so that saving again changes nothing.
  const std::size_t firstEnd = all.find('\n');
  if (firstEnd != std::string_view::npos && firstEnd > 0 && all[firstEnd - 1] == '\r') {
    newline_ = "\r\n";
  }
  endsWithNewline_ = all.empty() || all.back() == '\n';
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(start, end - start);
    if (newline_ == "\r\n" && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A last line cut off inside its line end: the CRs go, or a save would put a CR LF after it.
    if (end == all.size()) {
      while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    lines_.push_back(ParseLine(std::string(line)));
    start = end + 1;
  }
}

TIniFile::Line TIniFile::ParseLine(std::string text) {
  Line line;
  std::string_view content = Trim(text);
  // A byte order mark some editors put in front of the first line.
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content = Trim(content.substr(3));
  if (!content.empty() && content.front() == '[') {
    const std::size_t close = content.find(']');
    if (close != std::string_view::npos) {
      line.header = true;
      line.section = std::string(Trim(content.substr(1, close - 1)));
    }
  } else if (!content.empty() && content.front() != ';') {
    const std::size_t equals = content.find('=');
    if (equals != std::string_view::npos) line.key = std::string(Trim(content.substr(0, equals)));
  }
  line.text = std::move(text);
  return line;
}

std::vector<std::string> TIniFile::Sections() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (!line.header) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || SameName(name, line.section);
    if (!seen) names.push_back(line.section);
  }
  return names;
}

std::size_t TIniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].header && SameName(lines_[i].section, section)) return i;
  }
  return std::string::npos;
}

std::size_t TIniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && !lines_[i].header) ++i;
  return i;
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == std::string::npos || Trim(key).empty()) return std::nullopt;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (!SameName(lines_[i].key, Trim(key))) continue;
    const std::string_view text = lines_[i].text;
    std::string_view value = Trim(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kMaxValueLength));
  }
  return std::nullopt;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const auto value = Value(section, key);
  return value ? *value : std::string(def.substr(0, kMaxValueLength));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t def) const {
  const auto value = Value(section, key);
  if (!value) return def;
  return ParseInteger(*value).value_or(def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

float TIniFile::ReadFloat(std::string_view section, std::string_view key, float def) const {
  const auto value = Value(section, key);
  if (!value) return def;
  return ParseFloat(*value).value_or(def);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string text(key);
  text.append(1, '=');
  // Reading drops blanks around a value and one pair of quotes: a value that would lose either
  // is written in quotes, so that it reads back as it was.
  const bool blanks = !value.empty() && Trim(value).size() != value.size();
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (blanks || quoted) {
    text.append(1, '"').append(value).append(1, '"');
  } else {
    text.append(value);
  }
  Line line = ParseLine(std::move(text));
  endsWithNewline_ = true;
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) {
    std::string name(1, '[');
    name.append(section).append(1, ']');
    lines_.push_back(ParseLine(std::move(name)));
    lines_.push_back(std::move(line));
    return;
  }
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (SameName(lines_[i].key, key)) {
      lines_[i] = std::move(line);
      return;
    }
  }
  // After the section's last line that is not blank, so that blank lines keep parting sections.
  std::size_t at = end;
  while (at > header + 1 && Trim(lines_[at - 1].text).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, float value) {
  WriteString(section, key, FloatText(value));
}

std::string TIniFile::Text() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i].text;
    if (i + 1 < lines_.size() || endsWithNewline_) text += newline_;
  }
  return text;
}

void TIniFile::Commit() {
  // What could not be read is never overwritten by what was not read.
  if (!readError_.empty()) throw IniWriteError(readError_);
  SafeFile file(fileName_);
  if (file.IsOpen()) {
    file.Write(Text());
    if (file.Commit()) {
      exists_ = true;
      return;
    }
  }
  throw IniWriteError(file.Error());
}

std::optional<std::int32_t> TIniFile::ParseInteger(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::optional<std::uint64_t> magnitude;
  std::uint64_t limit;
  if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X" || text.substr(0, 1) == "$") {
    // Hexadecimal covers all 32 bits: $FFFFFFFF is -1.
    text.remove_prefix(text.front() == '$' ? 1 : 2);
    if (text.size() > 8) return std::nullopt;
    magnitude = Digits(text, 16);
    limit = 0xFFFFFFFFull;
  } else {
    if (text.size() > 11) return std::nullopt;
    magnitude = Digits(text, 10);
    limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
  }
  if (!magnitude || *magnitude > limit) return std::nullopt;
  const std::uint32_t bits = static_cast<std::uint32_t>(*magnitude);
  return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

std::optional<float> TIniFile::ParseFloat(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  QLocale locale;
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double value =
      locale.toDouble(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), &ok);
  if (!ok || !std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
    return std::nullopt;
  }
  return static_cast<float>(value);
}

std::string TIniFile::FloatText(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                    std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  // Exponents as "1E20" and "1E-5".
  const std::size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    const bool negative = !exponent.empty() && exponent.front() == '-';
    if (!exponent.empty() && (exponent.front() == '-' || exponent.front() == '+')) {
      exponent.erase(0, 1);
    }
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    text = text.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
  }
  const std::size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, QLocale().decimalPoint().toStdString());
  return text;
}

}  // namespace ombrix
