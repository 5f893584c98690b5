#pragma once

#include <QCryptographicHash>
#include <QString>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "TimeConversion.h"

namespace ombrix {

class SafeFile;

// A record file is a small text container: section header lines "<Section>" and value lines
// "Key=Value", each line ended by CR LF so that the files read the same on Linux and Windows
// computers. A line holds at most kLineLength characters. Texts are 8-bit bytes, written and read
// as they are.
inline constexpr int kLineLength = 1023;

// A record file that cannot be read faithfully. The message names the file and, where there is
// one, the line, and quotes at most a short, printable piece of the file.
class RecordFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a record file whole and checks its layout before any value is taken from it: the first
// line is the header of the first expected section, each expected section comes at most once and
// in the expected order, and every other line is "Key=Value" (blank lines are skipped). Values are
// then found by key name, so a key a later version adds is passed over instead of shifting the
// keys after it. Lines may end in CR LF or LF; the last line must end too (a file that stops in
// the middle of a line was cut short). A line longer than kLineLength is cut there.
class TOmInFile {
 public:
  // A record of 8000 samples is about 100 KB; far larger files are refused unread.
  static constexpr std::size_t kMaxFileSize = 1024 * 1024;

  struct Entry {
    std::string key;
    std::string value;
    int line;
    std::size_t offset;  // of the line in the file's bytes
  };

  // Reads the file. IsOpen() is false, with Error() saying why, when it does not exist, is not a
  // regular file, is too large or cannot be read.
  explicit TOmInFile(const QString& fileName);
  // The given bytes, as if read from the file of that name.
  TOmInFile(const QString& fileName, std::string_view bytes);
  ~TOmInFile();
  TOmInFile(const TOmInFile&) = delete;
  TOmInFile& operator=(const TOmInFile&) = delete;

  bool IsOpen() const { return open_; }
  const std::string& Error() const { return error_; }
  const QString& FileName() const { return fileName_; }

  // Splits the content into the sections named, in this order, the first one required. Throws
  // RecordFileError on a layout fault. Every read below fails the OmFile consistency check when
  // the file is not open or not parsed.
  void Parse(std::initializer_list<std::string_view> sections);

  bool HasKey(std::string_view section, std::string_view key) const;
  // The line of the section's header (0 when it is absent) and the section's entries in file
  // order.
  int HeaderLine(std::string_view section) const;
  const std::vector<Entry>& Entries(std::string_view section) const;
  // The file's bytes before the section's header line (the whole file when it is absent).
  std::string_view BytesBefore(std::string_view section) const;
  // The file's bytes before the line of that entry (the whole file when it is absent).
  std::string_view BytesBefore(const Entry& entry) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def);
  // Decimal, with blanks around it and a sign allowed; no digits, anything after them, or a value
  // beyond the 32-bit range is refused.
  int ReadInteger(std::string_view section, std::string_view key, int def);
  // The same for an entry at hand.
  int ReadInteger(const Entry& entry) const;
  // An integer; anything but 0 is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def);
  // The entry of that key, or null.
  const Entry* FindEntry(std::string_view section, std::string_view key) const;

  // Refuses the file: RecordFileError with "Line <line> of "<file>": <what>" (or without the
  // line when it is 0).
  [[noreturn]] void Refuse(int line, const std::string& what) const;
  // Reads an integer out of a value as ReadInteger does; nothing when it does not read.
  static std::optional<int> ParseInteger(std::string_view text);

 private:
  struct Section {
    std::string name;
    int line;
    std::size_t offset;  // of the header line in bytes_
    std::vector<Entry> entries;
  };
  const Section* Find(std::string_view section) const;

  QString fileName_;
  std::string bytes_;
  std::string error_;
  bool open_ = false;
  bool parsed_ = false;
  std::vector<Section> sections_;
};

// Writes a record file through a SafeFile: nothing reaches the file of that name until Commit
// succeeds, and an object destroyed without a successful Commit leaves the old file as it was.
// Line breaks in a value become blanks, and a value is cut so that its line stays within
// kLineLength characters.
class TOmOutFile {
 public:
  explicit TOmOutFile(const QString& fileName);
  ~TOmOutFile();
  TOmOutFile(const TOmOutFile&) = delete;
  TOmOutFile& operator=(const TOmOutFile&) = delete;

  // False when the file could not be created (Error() says why); every write then fails the
  // OmFile consistency check. Also false after Commit.
  bool IsOpen() const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // DateTimeBytes of the value: the locale's form, nothing for 0.
  void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);
  void Flush();
  // SHA-256 of every byte written so far, as 64 lower-case hex digits.
  std::string Sha256Hex() const;
  // Puts the written file in place of the file of that name, synced to disk. False on any write
  // error, with Error() naming the file and the reason; the old file is then untouched.
  bool Commit();
  const std::string& Error() const;

 private:
  void RequireOpen(int line) const;

  std::unique_ptr<SafeFile> file_;
  std::string currentSection_;
  std::string line_;
  QCryptographicHash hash_{QCryptographicHash::Sha256};
};

}  // namespace ombrix
