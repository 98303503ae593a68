// The desktop shell's "open": a file opens in the program associated with its type.
// Windows hold this interface so tests can record the requests; the desktop implementation
// lives in widgets/qt_shell.*.
#pragma once

#include <QString>

namespace platform {

// Show commands accepted by ShellExecute; the desktop decides the window's look itself.
enum TShowCommand : int { SW_HIDE = 0, SW_SHOWNORMAL = 1 };

// Results of 32 or less mean failure, as callers have always tested.
enum TShellResult : int {
  SE_ERR_FNF = 2,  // the file does not exist
  SE_ERR_ACCESSDENIED = 5,
  SE_ERR_NOASSOC = 31,  // no program is associated with the file's type
  SE_OK = 42,           // any value above 32 means success
};

// The verb that starts a program. "open" never does: it shows a file by its type.
inline constexpr char kRunVerb[] = "run";

// Stands for the desktop's text editor in an "open" request.
inline constexpr char kTextEditorProgram[] = "notepad.exe";

class TShell {
 public:
  virtual ~TShell() = default;
  // Carries out `verb` ("open", or kRunVerb for a program the user agreed to run) on `file`.
  // With `file` naming kTextEditorProgram, `parameters` names the text file to edit; a file that
  // is not text is refused there (SE_ERR_NOASSOC). Returns a value above 32 on success, 32 or less on
  // failure.
  virtual int ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                           const QString& directory, int showCommand) = 0;
};

}  // namespace platform
