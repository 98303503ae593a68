// A TDialogs that records every prompt and answers from a queue, for tests.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>

#include "platform/dialogs.h"

namespace testing_support {

struct TRecordedPrompt {
  QString Kind;     // "message", "open", "save", "folder", "password"
  QString Caption;  // message caption or dialog title
  QString Text;     // message text, or the folder offered
  unsigned Buttons = 0;
  int HelpContext = 0;
  platform::TFileDialogRequest Request;
};

class TScriptedDialogs : public platform::TDialogs {
 public:
  // Answers for message dialogs, consumed in order. With none queued the answer is
  // `DefaultAnswer` (mrOk unless changed).
  std::deque<int> MessageAnswers;
  int DefaultAnswer = platform::mrOk;
  // Answers for the file and folder dialogs: an empty list or empty string means "cancelled".
  std::deque<QStringList> OpenAnswers;
  std::deque<QString> SaveAnswers;
  std::deque<QString> FolderAnswers;
  // Answers for the password question: an empty string means "cancelled", kStopAnswer "stop
  // the whole operation".
  std::deque<QString> PasswordAnswers;
  static inline const QString kStopAnswer = QStringLiteral("<stop>");

  QList<TRecordedPrompt> Prompts;

  int MessageDlg(const QString& text, platform::TMsgDlgType kind, platform::TMsgDlgButtons buttons,
                 int helpContext = 0) override;
  bool OpenFileDialog(const platform::TFileDialogRequest& request, QStringList& files) override;
  bool SaveFileDialog(const platform::TFileDialogRequest& request, QString& file) override;
  bool SelectDirectory(const QString& caption, QString& directory) override;
  int PasswordQuery(const QString& caption, const QString& prompt, QString& password, int maxBytes) override;

  // Message prompts only, as "Caption: text" lines.
  QStringList Messages() const;
  void Clear() { Prompts.clear(); }
};

}  // namespace testing_support
