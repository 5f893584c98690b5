#pragma once

#include <QString>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "TimeConversion.h"

namespace ombrix {

class SafeFile;

// A record file is a small text container: section header lines "<Section>" and value lines
// "Key=Value", each line ended by CR LF so that the files read the same on Linux and Windows
// computers. A line holds at most kLineLength characters. Texts are 8-bit bytes, written and read
// as they are.
inline constexpr int kLineLength = 1023;

// A value in a record file that cannot be read (a date/time in no known form). The message names
// the text, the key and the file.
class RecordFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a record file strictly in sequence: key names are not compared, the n-th value read from
// a section is the n-th line after that section's header. A missing line or a line without "="
// gives the caller's default. Lines may end in CR LF or LF; a longer line than kLineLength is cut
// there and the rest of it skipped, so that the following lines keep their places.
class TOmInFile {
 public:
  explicit TOmInFile(const QString& fileName);
  ~TOmInFile();
  TOmInFile(const TOmInFile&) = delete;
  TOmInFile& operator=(const TOmInFile&) = delete;

  // False when the file could not be opened; every read then fails the OmFile consistency check.
  bool IsOpen() const { return stream_ != nullptr; }
  // True when the system reported a read error (not merely the end of the file).
  bool ReadFailed() const;
  const QString& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def);
  // Converted as atol does: leading blanks and a sign, digits up to the first other character,
  // no digits give 0. Values beyond the 32-bit range are held at its ends.
  int ReadInteger(std::string_view section, std::string_view key, int def);
  bool ReadBool(std::string_view section, std::string_view key, bool def);
  // An empty text gives 0; a text that reads in none of the accepted forms (ReadDateTimeBytes)
  // throws RecordFileError naming the text, the key and the file.
  TDateTime ReadDateTime(std::string_view section, std::string_view key, TDateTime def);

 private:
  void EnterSection(std::string_view section);
  bool ReadLine(std::string& line);

  QString fileName_;
  std::FILE* stream_ = nullptr;
  std::string currentSection_;
  std::string line_;
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
  // Puts the written file in place of the file of that name, synced to disk. False on any write
  // error, with Error() naming the file and the reason; the old file is then untouched.
  bool Commit();
  const std::string& Error() const;

 private:
  void RequireOpen(int line) const;

  std::unique_ptr<SafeFile> file_;
  std::string currentSection_;
  std::string line_;
};

}  // namespace ombrix
