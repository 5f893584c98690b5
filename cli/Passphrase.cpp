#include "Passphrase.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

#include <termios.h>
#include <unistd.h>

namespace ombrix {

namespace {

enum class LineRead { kRead, kNoInput, kEmpty, kTooLong, kInterrupted, kFailed };

// One line from fd into passphrase, without its "\n" or "\r\n"; failure is errno of a kFailed.
// A signal that was handled ends the read (kInterrupted) when interruptible, else it goes on.
LineRead ReadLine(int fd, bool interruptible, TSecret& passphrase, int& failure) {
  // One byte more than taken, for a "\r" before the "\n".
  passphrase = TSecret(kMaxPassphraseBytes + 1);
  bool any = false, tooLong = false;
  for (;;) {
    unsigned char byte = 0;
    const ssize_t got = read(fd, &byte, 1);
    if (got < 0 && errno == EINTR && interruptible) return LineRead::kInterrupted;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failure = errno;
      return LineRead::kFailed;
    }
    if (got == 0) {
      if (!any) return LineRead::kNoInput;
      break;
    }
    any = true;
    if (byte == '\n') break;
    // The rest of an overlong line is read all the same, so that the next read starts after it.
    if (!passphrase.Append(byte)) tooLong = true;
  }
  if (tooLong) return LineRead::kTooLong;
  if (passphrase.Size() > 0 && passphrase.View().back() == '\r')
    passphrase.Resize(passphrase.Size() - 1);
  if (passphrase.Size() > kMaxPassphraseBytes) return LineRead::kTooLong;
  return passphrase.Size() == 0 ? LineRead::kEmpty : LineRead::kRead;
}

bool Explain(LineRead result, int failure, const std::string& where, std::string& error) {
  switch (result) {
    case LineRead::kRead:
      return true;
    case LineRead::kNoInput:
      error = "No passphrase came " + where + ": the input ended.";
      break;
    case LineRead::kEmpty:
      error = "The passphrase " + where + " is empty.";
      break;
    case LineRead::kTooLong:
      error = "The passphrase " + where + " is longer than " + std::to_string(kMaxPassphraseBytes) +
              " bytes.";
      break;
    case LineRead::kInterrupted:
      error = "Reading the passphrase " + where + " was interrupted.";
      break;
    case LineRead::kFailed:
      error = "Cannot read the passphrase " + where + ": " + std::strerror(failure) + ".";
      break;
  }
  return false;
}

// While echo is off: the terminal's own settings, put back by a signal that ends the program.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
termios gSavedTerminal{};
struct sigaction gFormerActions[std::size(kEndingSignals)];

extern "C" void RestoreTerminalAndResignal(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    if (kEndingSignals[i] == signal) sigaction(signal, &gFormerActions[i], nullptr);
  }
  // Blocked until this handler returns, then handled as it would have been without us.
  raise(signal);
}

// Echo off on stdin for its lifetime; what a signal would have done is done after restoring (a
// handler of the program's own then runs, and the read ends as interrupted).
class TEchoOff {
 public:
  TEchoOff() {
    termios quiet = gSavedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    struct sigaction restore {};
    restore.sa_handler = RestoreTerminalAndResignal;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
      sigaction(kEndingSignals[i], nullptr, &gFormerActions[i]);
      // An ignored signal stays ignored (nohup).
      if (gFormerActions[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &restore, nullptr);
    }
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~TEchoOff() {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
      sigaction(kEndingSignals[i], &gFormerActions[i], nullptr);
  }
  TEchoOff(const TEchoOff&) = delete;
  TEchoOff& operator=(const TEchoOff&) = delete;
};

void WriteToStderr(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(STDERR_FILENO, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

bool ReadPassphraseLine(int fd, TSecret& passphrase, std::string& error) {
  int failure = 0;
  const LineRead result = ReadLine(fd, false, passphrase, failure);
  if (result != LineRead::kRead) passphrase = TSecret();
  return Explain(result, failure, "on file descriptor " + std::to_string(fd), error);
}

bool ReadPassphraseFromTerminal(std::string_view prompt, TSecret& passphrase, std::string& error) {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0) {
    error =
        "The passphrase is typed at a terminal, and the standard input is not one; a script "
        "gives it on a file descriptor with --passphrase-fd N.";
    return false;
  }
  WriteToStderr(prompt);
  LineRead result;
  int failure = 0;
  {
    TEchoOff quiet;
    result = ReadLine(STDIN_FILENO, true, passphrase, failure);
  }
  WriteToStderr("\n");  // the typed newline was not echoed
  if (result != LineRead::kRead) passphrase = TSecret();
  return Explain(result, failure, "at the terminal", error);
}

bool ReadPassphrase(std::optional<int> fd, std::string_view prompt, TSecret& passphrase,
                    std::string& error) {
  if (!fd) return ReadPassphraseFromTerminal(prompt, passphrase, error);
  if (*fd < 0) {
    error = "--passphrase-fd takes a file descriptor, 0 or more, not " + std::to_string(*fd) + ".";
    return false;
  }
  return ReadPassphraseLine(*fd, passphrase, error);
}

}  // namespace ombrix
