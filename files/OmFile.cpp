#include "OmFile.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>

#include "ConsistencyError.h"
#include "DateTimeForms.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

constexpr const char* kUnit = "OmFile";

bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int Atol(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{INT_MAX} + 1);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

std::string Decimal(int value) {
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

}  // namespace

// --- Reading -----------------------------------------------------------------------------------

TOmInFile::TOmInFile(const QString& fileName)
    : fileName_(fileName), stream_(std::fopen(QFile::encodeName(fileName).constData(), "rb")) {
  line_.reserve(kLineLength + 1);
}

TOmInFile::~TOmInFile() {
  if (stream_) std::fclose(stream_);
}

bool TOmInFile::ReadFailed() const {
  return stream_ && std::ferror(stream_);
}

// The header line of a new section is skipped as one word with the white space around it.
void TOmInFile::EnterSection(std::string_view section) {
  if (section == currentSection_) return;
  currentSection_ = section;
  int c = getc_unlocked(stream_);
  while (c != EOF && IsBlank(c)) c = getc_unlocked(stream_);
  while (c != EOF && !IsBlank(c)) c = getc_unlocked(stream_);
  while (c != EOF && IsBlank(c)) c = getc_unlocked(stream_);
  if (c != EOF) ungetc(c, stream_);
}

bool TOmInFile::ReadLine(std::string& line) {
  line.clear();
  int c = getc_unlocked(stream_);
  if (c == EOF) return false;
  // One character beyond the limit is kept for a moment, so that the CR of a CR LF after a line
  // of full length is recognised as the line end and not counted.
  for (; c != EOF && c != '\n'; c = getc_unlocked(stream_)) {
    if (line.size() <= static_cast<std::size_t>(kLineLength)) line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > static_cast<std::size_t>(kLineLength)) line.resize(kLineLength);
  return true;
}

std::string TOmInFile::ReadString(std::string_view section, std::string_view,
                                  std::string_view def) {
  if (!stream_) FailCheck(kUnit, __LINE__);
  EnterSection(section);
  if (!ReadLine(line_)) return std::string(def);
  const std::size_t equals = line_.find('=');
  if (equals == std::string::npos) return std::string(def);
  return line_.substr(equals + 1);
}

int TOmInFile::ReadInteger(std::string_view section, std::string_view key, int def) {
  return Atol(ReadString(section, key, Decimal(def)));
}

bool TOmInFile::ReadBool(std::string_view section, std::string_view key, bool def) {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

TDateTime TOmInFile::ReadDateTime(std::string_view section, std::string_view key, TDateTime def) {
  const std::string text = ReadString(section, key, DateTimeBytes(def));
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return IsBlank(static_cast<unsigned char>(c)); })) {
    return 0;
  }
  TDateTime value = 0;
  if (!ReadDateTimeBytes(text, value)) {
    throw RecordFileError("The date/time \"" + text + "\" of " + std::string(key) + " in \"" +
                          fileName_.toStdString() + "\" cannot be read.");
  }
  return value;
}

// --- Writing -----------------------------------------------------------------------------------

TOmOutFile::TOmOutFile(const QString& fileName) : file_(std::make_unique<SafeFile>(fileName)) {
  line_.reserve(kLineLength + 2);
}

TOmOutFile::~TOmOutFile() = default;

bool TOmOutFile::IsOpen() const {
  return file_->IsOpen();
}

const std::string& TOmOutFile::Error() const {
  return file_->Error();
}

void TOmOutFile::RequireOpen(int line) const {
  if (!file_->IsOpen()) FailCheck(kUnit, line);
}

void TOmOutFile::WriteString(std::string_view section, std::string_view key,
                             std::string_view value) {
  RequireOpen(__LINE__);
  if (section != currentSection_) {
    currentSection_ = section;
    line_.clear();
    line_ += '<';
    line_ += section;
    line_ += ">\r\n";
    file_->Write(line_);
  }
  // The reader keeps kLineLength characters of a line: a longer value is cut here, where the
  // rest of the file is not disturbed.
  const std::size_t room =
      static_cast<std::size_t>(kLineLength) - std::min<std::size_t>(key.size() + 1, kLineLength);
  line_.assign(key);
  line_ += '=';
  const std::size_t start = line_.size();
  line_.append(value.substr(0, room));
  std::replace_if(
      line_.begin() + static_cast<std::ptrdiff_t>(start), line_.end(),
      [](char c) { return c == '\n' || c == '\r'; }, ' ');
  line_.append("\r\n");
  file_->Write(line_);
}

void TOmOutFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, Decimal(value));
}

void TOmOutFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteInteger(section, key, value ? 1 : 0);
}

void TOmOutFile::WriteDateTime(std::string_view section, std::string_view key, TDateTime value) {
  WriteString(section, key, DateTimeBytes(value));
}

void TOmOutFile::Flush() {
  RequireOpen(__LINE__);
  file_->Flush();
}

bool TOmOutFile::Commit() {
  RequireOpen(__LINE__);
  return file_->Commit();
}

}  // namespace ombrix
