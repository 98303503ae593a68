// Every prompt the program shows goes through this interface, so tests can script the answers.
// The Qt implementation lives in qt_dialogs.*; tests use tests/common/scripted_dialogs.*.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The kinds of message dialog; each has its own caption and icon.
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// Button set flags.
enum TMsgDlgBtn : unsigned {
  mbYes = 0x001,
  mbNo = 0x002,
  mbOK = 0x004,
  mbCancel = 0x008,
  mbAbort = 0x010,
  mbRetry = 0x020,
  mbIgnore = 0x040,
  mbAll = 0x080,
  mbHelp = 0x100,
  // Not a button: No (with Yes) takes Enter, for questions whose safe answer is No.
  mbDefaultNo = 0x200,
};
using TMsgDlgButtons = unsigned;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// The answer: which button closed the dialog (mrCancel also when it was closed otherwise).
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
};

// "Confirm", "Information", "Warning", "Error".
QString CaptionFor(TMsgDlgType kind);

// Open and save file dialogs.
struct TFileDialogRequest {
  QString Title;
  QString InitialDir;
  QString FileName;              // suggested name
  QString Filter;                // Qt filter text, e.g. "ZIP files (*.zip);;All files (*)"
  QString DefaultExt;            // without the dot, added when the typed name has none
  bool MultiSelect = false;      // open dialog only
  bool FileMustExist = true;     // open dialog only
  bool OverwritePrompt = false;  // save dialog only
  bool FoldersToo = false;       // open dialog only: folders may be chosen beside files
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // Shows `text` (character 13 is shown as a line break) with the kind's caption and icon.
  virtual int MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                         int helpContext = 0) = 0;

  // True when the user chose; `files` receives the chosen full paths.
  virtual bool OpenFileDialog(const TFileDialogRequest& request, QStringList& files) = 0;
  virtual bool SaveFileDialog(const TFileDialogRequest& request, QString& file) = 0;

  // Folder chooser. `directory` holds the starting folder and receives the choice. A typed
  // folder that does not exist is offered for creation ("The specified directory does not
  // exist. Create it?") and the whole chain is created when the user agrees.
  virtual bool SelectDirectory(const QString& caption, QString& directory) = 0;

  // Asks for a password, each character shown as "*", at most `maxBytes` bytes of UTF-8, with
  // OK, Cancel and Abort. mrOk with `password` set; mrCancel when the user passed this one by;
  // mrAbort when the user wants the whole operation stopped.
  virtual int PasswordQuery(const QString& caption, const QString& prompt, QString& password,
                            int maxBytes) = 0;
};

}  // namespace platform
