#pragma once

// How ombrix-cli takes the passphrase of a signing key: typed at the terminal without echo, or
// read from a file descriptor that a script hands over (--passphrase-fd N), never from the
// command line, where other users could read it.

#include <optional>
#include <string>
#include <string_view>

#include "Signing.h"

namespace ombrix {

// The longest passphrase taken, in bytes.
inline constexpr std::size_t kMaxPassphraseBytes = 1024;

// One line from fd: the bytes up to the first "\n" or the end of the input (a "\r" before the
// "\n" is dropped too), read a byte at a time so that nothing after the line is taken from fd.
// Refused with error, passphrase left empty: no line at all (the input ends at once), an empty
// line, a line longer than kMaxPassphraseBytes (read to its end all the same), a read error.
bool ReadPassphraseLine(int fd, TSecret& passphrase, std::string& error);

// Asks with prompt on stderr and reads one line from stdin with echo off, restoring the
// terminal's settings afterwards, also when the program is interrupted meanwhile (the signal is
// then delivered as usual). Refused when stdin is not a terminal.
bool ReadPassphraseFromTerminal(std::string_view prompt, TSecret& passphrase, std::string& error);

// From fd when one is given (--passphrase-fd), otherwise from the terminal with prompt.
bool ReadPassphrase(std::optional<int> fd, std::string_view prompt, TSecret& passphrase,
                    std::string& error);

}  // namespace ombrix
