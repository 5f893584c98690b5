#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace ombrix::cli {

// Probe texts and record files hold 8-bit text in Windows-1252, the code page the program uses by
// default; the terminal speaks Unicode.
QString FromWindows1252(std::string_view bytes);
// False when the text holds a character that Windows-1252 cannot carry.
bool ToWindows1252(const QString& text, std::string& bytes);

}  // namespace ombrix::cli
