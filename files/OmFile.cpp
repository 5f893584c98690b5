#include "OmFile.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>

#include "ConsistencyError.h"
#include "DateTimeForms.h"
#include "FileRead.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

constexpr const char* kUnit = "OmFile";

bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::string Decimal(int value) {
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

}  // namespace

// --- Reading -----------------------------------------------------------------------------------

TOmInFile::TOmInFile(const QString& fileName) : fileName_(fileName) {
  FileBytes file = ReadRegularFile(fileName, kMaxFileSize);
  if (file.outcome != ReadOutcome::kRead) {
    error_ = std::move(file.error);
    return;
  }
  bytes_ = std::move(file.bytes);
  open_ = true;
}

TOmInFile::TOmInFile(const QString& fileName, std::string_view bytes)
    : fileName_(fileName), bytes_(bytes), open_(true) {}

TOmInFile::~TOmInFile() = default;

void TOmInFile::Refuse(int line, const std::string& what) const {
  const std::string file = "\"" + ShownFileName(fileName_) + "\"";
  throw RecordFileError(line > 0 ? "Line " + std::to_string(line) + " of " + file + ": " + what
                                 : "The file " + file + " " + what);
}

void TOmInFile::Parse(std::initializer_list<std::string_view> sections) {
  if (!open_) FailCheck(kUnit, __LINE__);
  sections_.clear();
  const std::string_view all(bytes_);
  auto next = sections.begin();  // the sections that may still come
  int number = 0;
  std::size_t start = 0;
  while (start < all.size()) {
    ++number;
    const std::size_t lineStart = start;
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) {
      // The writer ends every line; a last line without its end is what a cut file leaves.
      if (!TrimBlanks(all.substr(start)).empty()) Refuse(number, "the file ends inside this line.");
      break;
    }
    std::string_view line = all.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = line.substr(0, kLineLength);
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty()) continue;
    if (trimmed.front() == '<' && trimmed.back() == '>' && trimmed.size() >= 2) {
      const std::string_view name = trimmed.substr(1, trimmed.size() - 2);
      auto found = std::find(next, sections.end(), name);
      if (found == sections.end() || (sections_.empty() && found != sections.begin())) {
        Refuse(number, "the section header \"" + Excerpt(trimmed) + "\" is out of place.");
      }
      next = found + 1;
      sections_.push_back(Section{std::string(name), number, lineStart, {}});
      continue;
    }
    if (sections_.empty()) {
      Refuse(number, "this is not a record file: it does not begin with \"<" +
                         std::string(*sections.begin()) + ">\".");
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      Refuse(number, "\"" + Excerpt(trimmed) + "\" is not a line of the form Key=Value.");
    }
    std::vector<Entry>& entries = sections_.back().entries;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    entries.push_back(
        Entry{std::string(key), std::string(line.substr(equals + 1)), number, lineStart});
  }
  if (sections_.empty()) {
    Refuse(0, "is not a record file: it does not begin with \"<" + std::string(*sections.begin()) +
                  ">\".");
  }
  // A key given twice would leave it open which value counts.
  for (const Section& section : sections_) {
    std::vector<const Entry*> sorted;
    for (const Entry& entry : section.entries) sorted.push_back(&entry);
    std::sort(sorted.begin(), sorted.end(), [](const Entry* a, const Entry* b) {
      return a->key != b->key ? a->key < b->key : a->line < b->line;
    });
    for (std::size_t i = 1; i < sorted.size(); ++i) {
      if (sorted[i]->key == sorted[i - 1]->key) {
        Refuse(sorted[i]->line, "the key " + Excerpt(sorted[i]->key) + " is given twice.");
      }
    }
  }
  parsed_ = true;
}

const TOmInFile::Section* TOmInFile::Find(std::string_view section) const {
  if (!parsed_) FailCheck(kUnit, __LINE__);
  for (const Section& s : sections_) {
    if (s.name == section) return &s;
  }
  return nullptr;
}

const TOmInFile::Entry* TOmInFile::FindEntry(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (!s) return nullptr;
  for (const Entry& entry : s->entries) {
    if (entry.key == key) return &entry;
  }
  return nullptr;
}

bool TOmInFile::HasKey(std::string_view section, std::string_view key) const {
  return FindEntry(section, key) != nullptr;
}

int TOmInFile::HeaderLine(std::string_view section) const {
  const Section* s = Find(section);
  return s ? s->line : 0;
}

const std::vector<TOmInFile::Entry>& TOmInFile::Entries(std::string_view section) const {
  static const std::vector<Entry> none;
  const Section* s = Find(section);
  return s ? s->entries : none;
}

std::string_view TOmInFile::BytesBefore(std::string_view section) const {
  const Section* s = Find(section);
  return std::string_view(bytes_).substr(0, s ? s->offset : bytes_.size());
}

std::string_view TOmInFile::BytesBefore(const Entry& entry) const {
  return std::string_view(bytes_).substr(0, std::min(entry.offset, bytes_.size()));
}

std::string TOmInFile::ReadString(std::string_view section, std::string_view key,
                                  std::string_view def) {
  const Entry* entry = FindEntry(section, key);
  return entry ? entry->value : std::string(def);
}

std::optional<int> TOmInFile::ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t{INT_MAX} + 2);
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

int TOmInFile::ReadInteger(std::string_view section, std::string_view key, int def) {
  const Entry* entry = FindEntry(section, key);
  return entry ? ReadInteger(*entry) : def;
}

int TOmInFile::ReadInteger(const Entry& entry) const {
  const std::optional<int> value = ParseInteger(entry.value);
  if (!value) {
    const std::string_view digits = TrimBlanks(entry.value);
    const bool number =
        !digits.empty() && digits.find_first_not_of("+-0123456789") == std::string_view::npos;
    Refuse(entry.line, Excerpt(entry.key) + " \"" + Excerpt(entry.value) + "\" is " +
                           (number ? "out of range." : "not a whole number."));
  }
  return *value;
}

bool TOmInFile::ReadBool(std::string_view section, std::string_view key, bool def) {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
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
    hash_.addData(QByteArrayView(line_.data(), static_cast<qsizetype>(line_.size())));
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
  hash_.addData(QByteArrayView(line_.data(), static_cast<qsizetype>(line_.size())));
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

std::string TOmOutFile::Sha256Hex() const {
  return hash_.result().toHex().toStdString();
}

bool TOmOutFile::Commit() {
  RequireOpen(__LINE__);
  return file_->Commit();
}

}  // namespace ombrix
