// A main window wired to recording services, for the main window's suites.
#pragma once

#include <QApplication>
#include <QItemSelectionModel>
#include <QList>
#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "common/scripted_dialogs.h"
#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"

struct TRecordedHelp {
  QString File;
  platform::THelpCommand Command;
  int Context;
  QString Keyword;
};

class TRecordingHelp : public platform::THelp {
 public:
  QList<TRecordedHelp> Requests;
  bool WinHelp(const QString& helpFile, platform::THelpCommand command, int context,
               const QString& keyword) override {
    Requests.append({helpFile, command, context, keyword});
    return true;
  }
};

struct TRecordedShell {
  QString Verb, File, Parameters, Directory;
};

class TRecordingShell : public platform::TShell {
 public:
  QList<TRecordedShell> Requests;
  QList<int> Results;  // answers in order; 42 (success) when none is left
  int ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                   const QString& directory, int) override {
    Requests.append({verb, file, parameters, directory});
    return Results.isEmpty() ? 42 : Results.takeFirst();
  }
};

struct TWindowRig {
  testing_support::TScriptedDialogs Dialogs;
  TRecordingHelp Help;
  TRecordingShell Shell;
  std::unique_ptr<TMainFormFm> Window;

  explicit TWindowRig(QStringList arguments = {QStringLiteral("Parcelix")},
                      QString programDir = QStringLiteral("/opt/parcelix/bin")) {
    BusyCount = 0;
    Window = std::make_unique<TMainFormFm>(TMainFormServices{Dialogs, Help, Shell, arguments, programDir});
  }
  // A control or action of the window by its name.
  template <class T = QObject>
  T* Find(const char* name) {
    T* found = Window->findChild<T*>(QLatin1String(name));
    if (!found) qFatal("no control named %s", name);
    return found;
  }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  QMenu* Menu(const char* name) { return Find<QMenu>(name); }
  QTreeView* List() { return Find<QTreeView>("ListView"); }
  TContentsModel* Model() { return Window->ListModel; }

  // Rows as a listing would add them, without an archive.
  void AddRows(int count) {
    for (int row = 0; row < count; ++row) {
      TZipFileStats stats;
      stats.FileName = QStringLiteral("dir/file%1.txt").arg(row);
      Model()->AddRow(MakeContentsRow(stats), Window->ActiveColumn);
    }
  }
  void Select(int count) {
    for (int row = 0; row < count; ++row)
      List()->selectionModel()->select(Model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  int SelectedCount() { return List()->selectionModel()->selectedRows().size(); }
  // Opens a menu the way a click on its title would, then closes it again.
  void OpenMenu(QMenu* menu) {
    menu->popup(Window->mapToGlobal(QPoint(10, 10)));
    QTest::qWait(1);
    menu->hide();
  }
};
