#include "platform/progman/exec_quoting.h"

namespace progman {

namespace {

bool IsReserved(char c) {
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  return kReserved.find(c) != std::string_view::npos;
}

}  // namespace

std::string QuoteExecArgument(std::string_view argument) {
  bool quoted = argument.empty();
  for (const char c : argument) quoted = quoted || IsReserved(c);
  std::string text;
  if (quoted) text += '"';
  for (const char c : argument) {
    if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) text += '\\';
    if (c == '%') text += '%';
    text += c;
  }
  if (quoted) text += '"';
  return text;
}

std::string ExecValue(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += QuoteExecArgument(argument);
  }
  return EscapeStringValue(line);
}

bool CanBeExecProgram(std::string_view path) {
  return path.find_first_of("=%") == std::string_view::npos;
}

std::string EscapeStringValue(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\') {
      text += "\\\\";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\t') {
      text += "\\t";
    } else if (c == '\r') {
      text += "\\r";
    } else if (c == ' ' && (i == 0 || i + 1 == value.size())) {
      text += "\\s";
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace progman
