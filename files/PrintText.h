#pragma once

#include <QString>

#include <string_view>

namespace ombrix {

// Probe texts (name, comment, serial number) as the program shows them: the bytes read in the
// Windows-1252 code page. 0x80..0x9F are that page's typographic characters (euro sign, quotes,
// dashes, ...); the five bytes it leaves undefined become the control characters of the same
// number, so that nothing is lost; every other byte is its Latin-1 character.
QString Windows1252ToQString(std::string_view bytes);

}  // namespace ombrix
