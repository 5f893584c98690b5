#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// A failed write of the settings file; the message names the file and the reason.
class IniWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The settings file in the usual INI layout: a line "[Section]" opens a section, each line
// "Key=Value" below it holds a value. Section and key names compare without regard to case; the
// first section and the first key of a name count. Blanks around names and values are dropped, and
// so is one pair of quotes around a value. Lines starting with ';' are comments. Texts are 8-bit
// bytes, taken as they are.
//
// The file is read once, when the object is made. A missing file reads as empty; so does a file
// that is not a regular file, is larger than kMaxFileSize or cannot be read, and ReadError() then
// says why and Commit refuses to replace it.
// Writes change the lines held here: a key that exists gets its line replaced, a new key goes after
// the last line of its section, a new section goes to the end. Every other line - comments, keys
// the program does not know, the order - stays as it was. Commit puts the lines on disk in one
// safe step.
class TIniFile {
 public:
  static constexpr std::size_t kMaxValueLength = 2047;

  static constexpr std::size_t kMaxFileSize = 1024 * 1024;

  explicit TIniFile(QString fileName);
  // The settings held in text, as if read from the file of that name.
  TIniFile(QString fileName, std::string_view text);

  const QString& FileName() const { return fileName_; }
  bool Exists() const { return exists_; }
  const std::string& ReadError() const { return readError_; }

  // The names of the sections, in the file's order, each once.
  std::vector<std::string> Sections() const;

  // The value as it stands in the file (at most kMaxValueLength bytes), or nothing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // Decimal, or hexadecimal after "0x" or "$"; text that does not read gives def.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // Read as an integer: anything but 0 is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // Decimal text with the decimal separator of the default locale; text that does not read, or an
  // empty one, gives def.
  float ReadFloat(std::string_view section, std::string_view key, float def) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void WriteFloat(std::string_view section, std::string_view key, float value);

  // Writes the lines to the file, replacing it whole only when everything reached the disk.
  // Throws IniWriteError on failure; the file is then as it was.
  void Commit();

  // The whole text as Commit would write it.
  std::string Text() const;

  static std::optional<std::int32_t> ParseInteger(std::string_view text);
  static std::optional<float> ParseFloat(std::string_view text);
  // General form, up to 15 significant digits, no trailing zeros: 40 gives "40", 37.3f gives
  // "37.2999992370605"; the default locale's decimal separator.
  static std::string FloatText(float value);

 private:
  struct Line {
    std::string text;
    std::string section;  // for a section header: its name
    std::string key;      // for a value line: its key
    bool header = false;
  };

  void Parse(std::string_view text);
  static Line ParseLine(std::string text);
  // Index of the header of the first section of that name, or npos.
  std::size_t FindSection(std::string_view section) const;
  // End of the section whose header is at `header`: the index of the next header, or the size.
  std::size_t SectionEnd(std::size_t header) const;

  QString fileName_;
  bool exists_ = false;
  std::string readError_;
  std::vector<Line> lines_;
  std::string newline_ = "\n";
  bool endsWithNewline_ = true;
};

}  // namespace ombrix
