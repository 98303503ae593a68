#include "scripted_dialogs.h"

namespace testing_support {

int TScriptedDialogs::MessageDlg(const QString& text, platform::TMsgDlgType kind,
                                 platform::TMsgDlgButtons buttons, int helpContext) {
  TRecordedPrompt prompt;
  prompt.Kind = "message";
  prompt.Caption = platform::CaptionFor(kind);
  prompt.Text = text;
  prompt.Buttons = buttons;
  prompt.HelpContext = helpContext;
  Prompts.append(prompt);
  if (MessageAnswers.empty()) return DefaultAnswer;
  int answer = MessageAnswers.front();
  MessageAnswers.pop_front();
  return answer;
}

bool TScriptedDialogs::OpenFileDialog(const platform::TFileDialogRequest& request, QStringList& files) {
  TRecordedPrompt prompt;
  prompt.Kind = "open";
  prompt.Caption = request.Title;
  prompt.Request = request;
  Prompts.append(prompt);
  if (OpenAnswers.empty()) return false;
  files = OpenAnswers.front();
  OpenAnswers.pop_front();
  return !files.isEmpty();
}

bool TScriptedDialogs::SaveFileDialog(const platform::TFileDialogRequest& request, QString& file) {
  TRecordedPrompt prompt;
  prompt.Kind = "save";
  prompt.Caption = request.Title;
  prompt.Request = request;
  Prompts.append(prompt);
  if (SaveAnswers.empty()) return false;
  file = SaveAnswers.front();
  SaveAnswers.pop_front();
  return !file.isEmpty();
}

bool TScriptedDialogs::SelectDirectory(const QString& caption, QString& directory) {
  TRecordedPrompt prompt;
  prompt.Kind = "folder";
  prompt.Caption = caption;
  prompt.Text = directory;
  Prompts.append(prompt);
  if (FolderAnswers.empty()) return false;
  directory = FolderAnswers.front();
  FolderAnswers.pop_front();
  return !directory.isEmpty();
}

int TScriptedDialogs::PasswordQuery(const QString& caption, const QString& prompt, QString& password,
                                    int maxBytes) {
  TRecordedPrompt recorded;
  recorded.Kind = "password";
  recorded.Caption = caption;
  recorded.Text = prompt;
  recorded.Buttons = static_cast<unsigned>(maxBytes);
  Prompts.append(recorded);
  if (PasswordAnswers.empty()) return platform::mrCancel;
  const QString answer = PasswordAnswers.front();
  PasswordAnswers.pop_front();
  if (answer == kStopAnswer) return platform::mrAbort;
  if (answer.isEmpty()) return platform::mrCancel;
  password = answer;
  return platform::mrOk;
}

QStringList TScriptedDialogs::Messages() const {
  QStringList lines;
  for (const auto& prompt : Prompts)
    if (prompt.Kind == "message") lines << prompt.Caption + ": " + prompt.Text;
  return lines;
}

}  // namespace testing_support
