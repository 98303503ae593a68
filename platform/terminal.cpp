#include "platform/terminal.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>

namespace platform {

namespace {

// The settings to put back when a signal ends the program while echo is off. A signal handler
// can reach nothing else; it is set only for the time of one prompt.
struct termios savedSettings;

void restoreAndRethrow(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedSettings);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Echo off on the terminal for as long as it lives.
class EchoOff {
 public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) return;
    struct sigaction action {};
    action.sa_handler = restoreAndRethrow;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kEndingSignals); ++i)
      sigaction(kEndingSignals[i], &action, &previous_[i]);
    struct termios quiet = savedSettings;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (!active_) return;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedSettings);
    for (size_t i = 0; i < std::size(kEndingSignals); ++i)
      sigaction(kEndingSignals[i], &previous_[i], nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  struct sigaction previous_[std::size(kEndingSignals)]{};
  bool active_ = false;
};

// One byte at a time, so nothing after the line is taken from a pipe that others read on.
bool readLine(std::string& text, size_t limit) {
  text.clear();
  bool any = false;
  for (;;) {
    char c;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return any;
    any = true;
    if (c == '\n') break;
    if (text.size() == limit) return false;
    text.push_back(c);
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

}  // namespace

bool ReadSecretLine(const char* prompt, std::string& text, size_t limit) {
  if (!isatty(STDIN_FILENO)) return readLine(text, limit);
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  bool read;
  {
    EchoOff quiet;
    read = readLine(text, limit);
  }
  std::fputs("\n", stderr);  // the line end the user typed was not echoed
  return read;
}

}  // namespace platform
