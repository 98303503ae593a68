// Values of desktop entry keys. An Exec value is quoted so that the launcher hands each argument to
// the program exactly as given: no argument can split, expand a variable or run a command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace progman {

// One argument of an Exec command line: in double quotes (with ", `, $ and \ escaped by a
// backslash) when it holds a reserved character or is empty, and every "%" written as "%%".
// The string escaping of the value is applied afterwards by ExecValue.
std::string QuoteExecArgument(std::string_view argument);

// The whole Exec value for a program and its arguments, ready to follow "Exec=".
std::string ExecValue(const std::vector<std::string>& arguments);

// Whether `path` can stand as the program of an Exec line: "=" is not allowed there, and GLib
// looks the program up before it reads "%%" as "%", so no launcher naming one with "%" loads.
bool CanBeExecProgram(std::string_view path);

// The general escaping of a string value: backslash, newline, tab and carriage return as
// "\\", "\n", "\t", "\r", and a space at either end as "\s" so a reader does not trim it.
std::string EscapeStringValue(std::string_view value);

}  // namespace progman
