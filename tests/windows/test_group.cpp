// Create Group against the real libraries and a recording stand-in for the program group
// service: the suggested names, what is extracted, every command sent, and the failures.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

#include "../mainform/archive_fixture.h"
#include "../mainform/test_mainwindow_rig.h"
#include "common/test_environment.h"
#include "platform/dde_endpoint.h"
#include "windows/group.h"

namespace {

// Listens where ProgMan would and records every command line it receives.
class TRecordingService {
 public:
  TRecordingService() {
    const std::string path = platform::DdeSocketPath("ProgMan", true);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    ::unlink(path.c_str());
    FListener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(FListener, 4) != 0)
      qFatal("cannot listen at %s", path.c_str());
    FPath = path;
    FThread = std::thread([this] { Serve(); });
  }
  ~TRecordingService() {
    ::shutdown(FListener, SHUT_RDWR);
    FThread.join();
    ::close(FListener);
    ::unlink(FPath.c_str());
  }
  // The commands received, each with its line end.
  QStringList Commands() {
    QMutexLocker lock(&FMutex);
    return FCommands;
  }
  // Waits until `count` commands have arrived (they travel without waiting for an answer).
  QStringList WaitFor(int count) {
    // The caller checks what arrived; a timeout shows there as missing commands.
    static_cast<void>(QTest::qWaitFor([this, count] { return Commands().size() >= count; }, 20000));
    QTest::qWait(30);  // time for a command too many to show
    return Commands();
  }

 private:
  void Serve() {
    for (;;) {
      const int peer = ::accept(FListener, nullptr, nullptr);
      if (peer < 0) return;
      ::send(peer, platform::kDdeGreeting, 4, MSG_NOSIGNAL);
      QByteArray pending;
      char buffer[512];
      ssize_t got;
      while ((got = ::recv(peer, buffer, sizeof buffer, 0)) > 0) {
        pending.append(buffer, got);
        for (qsizetype end; (end = pending.indexOf("\r\n")) >= 0; pending.remove(0, end + 2)) {
          QMutexLocker lock(&FMutex);
          FCommands << QString::fromUtf8(pending.left(end + 2));
          // As the service answers: a command over the limit, or one cut short, is refused.
          const bool whole = end + 2 <= 255 && pending.left(end).endsWith(")]");
          ::send(peer, whole ? "+\r\n" : "-\r\n", 3, MSG_NOSIGNAL);
        }
      }
      if (!pending.isEmpty()) {
        QMutexLocker lock(&FMutex);
        FCommands << QString::fromUtf8(pending);  // a command cut before its line end
      }
      ::close(peer);
    }
  }

  std::string FPath;
  int FListener = -1;
  std::thread FThread;
  QMutex FMutex;
  QStringList FCommands;
};

// Writes an archive of (name, content) entries, each stored with Unix mode `mode`.
bool MakeZipWithMode(const QString& path, const QList<QPair<QString, QByteArray>>& entries, int mode) {
  QString script = QStringLiteral("import zipfile, sys\nz = zipfile.ZipFile(sys.argv[1], 'w')\n");
  for (const auto& [name, content] : entries)
    script += QStringLiteral(
                  "i = zipfile.ZipInfo('%1', (2020, 1, 2, 3, 4, 6))\ni.create_system = 3\n"
                  "i.external_attr = 0o%2 << 16\nz.writestr(i, bytes.fromhex('%3'))\n")
                  .arg(name, QString::number(0100000 | mode, 8), QString::fromLatin1(content.toHex()));
  script += QStringLiteral("z.close()\n");
  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
  return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit &&
         python.exitCode() == 0;
}

// The one message after Create Group that names the files left without an item.
QString NoItemMessage(const QString& group, const QStringList& lines) {
  return "Warning: These files got no item in the program group \"" + group + "\":\n" + lines.join(u'\n');
}

// The launcher the real service wrote for the item titled `title`, or "".
QString LauncherTitled(const QString& title) {
  QDir launchers(qEnvironmentVariable("XDG_DATA_HOME") + "/applications");
  for (const QString& name : launchers.entryList({"*.desktop"}, QDir::Files)) {
    QFile file(launchers.filePath(name));
    if (file.open(QIODevice::ReadOnly) &&
        QString::fromUtf8(file.readAll()).contains("\nName=" + title + "\n"))
      return file.fileName();
  }
  return QString();
}

// Runs the command and acts on the dialog once it is up.
void CreateGroup(TWindowRig& rig, const std::function<void(TFrmCreateGroup&)>& act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    auto* dialog = qobject_cast<TFrmCreateGroup*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll->stop();
    poll->deleteLater();
    act(*dialog);
  });
  poll->start(5);
  rig.Action("EditCreateGroupIcons1")->trigger();
}

QString Edit(TFrmCreateGroup& dialog, const char* name) {
  return dialog.findChild<QLineEdit*>(name)->text();
}
void Press(TFrmCreateGroup& dialog, const char* name) {
  dialog.findChild<QPushButton*>(name)->click();
}

// Ends a service this test started, so the next test finds nobody listening.
void StopService() {
  const std::string path = platform::DdeSocketPath("ProgMan", false);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ucred peer{};
  socklen_t length = sizeof(peer);
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.pid > 0)
    ::kill(peer.pid, SIGTERM);
  ::close(socket);
  // A service that does not stop is met by the next test's own checks.
  static_cast<void>(
      QTest::qWaitFor([&path] { return !QFileInfo::exists(QString::fromStdString(path)); }, 20000));
}

// Stops the service that a test had started, however the test ends.
struct TServiceStopper {
  ~TServiceStopper() { StopService(); }
};

}  // namespace

class TestGroup : public QObject {
  Q_OBJECT

  QString FDir;

  QString Open(TWindowRig& rig, const QString& name, int entries) {
    QList<TFixtureEntry> list;
    for (int index = 0; index < entries; ++index)
      list.append({QStringLiteral("dir/f%1.txt").arg(index, 2, 10, QChar('0')), 10});
    const QString path = FDir + "/" + name;
    if (!MakeZip(path, list)) return QString();
    rig.Window->OpenZipFile(path);
    return path;
  }

 private slots:
  void init() {
    RemoveIni();
    FDir = QDir::tempPath() + "/group";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
    QDir::setCurrent(FDir);
    QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/applications")
        .removeRecursively();  // launchers of earlier cases
  }

  void suggestedNames_data() {
    QTest::addColumn<QString>("archive");
    QTest::addColumn<bool>("defaultPath");
    QTest::addColumn<QString>("base");
    QTest::newRow("first dot") << "SETUP.V2.ZIP" << true << "SETUP";
    QTest::newRow("current folder without a default") << "tools.zip" << false << "tools";
    QTest::newRow("no dot: the whole name") << "backup" << true << "backup";
    QTest::newRow("leading dot kept") << ".hidden.zip" << true << ".hidden";
  }

  void suggestedNames() {
    QFETCH(QString, archive);
    QFETCH(bool, defaultPath);
    QFETCH(QString, base);
    QCOMPARE(GroupBaseName("/a.b/" + archive), base);
    TWindowRig rig;
    QVERIFY(!Open(rig, archive, 1).isEmpty());
    rig.Window->DefaultExtractPath = defaultPath ? FDir + "/out" : QString();
    QString folder, group;
    CreateGroup(rig, [&](TFrmCreateGroup& dialog) {
      folder = Edit(dialog, "Edit1");
      group = Edit(dialog, "Edit2");
      Press(dialog, "BtnCancel");
    });
    QCOMPARE(folder, (defaultPath ? FDir + "/out" : QDir::currentPath()) + "/" + base);
    QCOMPARE(group, base);
  }

  // 60 entries: all extracted, one group, 51 items in archive order; quoted exactly when the
  // files land without their folders.
  void sixtyEntriesGiveAGroupOf51Items_data() {
    QTest::addColumn<bool>("extractPath");
    QTest::newRow("paths off, quoted") << false;
    QTest::newRow("paths on, unquoted") << true;
  }

  void sixtyEntriesGiveAGroupOf51Items() {
    QFETCH(bool, extractPath);
    TRecordingService service;
    TWindowRig rig;
    QVERIFY(!Open(rig, "setup.zip", 60).isEmpty());
    rig.Window->ExtractPath = extractPath;
    rig.Window->ConfirmExtract = true;  // the group's extraction does not ask
    rig.Window->DefaultExtractPath = FDir;
    CreateGroup(rig, [](TFrmCreateGroup& dialog) { Press(dialog, "BtnOk"); });
    const QStringList commands = service.WaitFor(52);
    QCOMPARE(commands.size(), 52);
    QCOMPARE(commands[0], QStringLiteral("[CreateGroup(setup)]\r\n"));
    const QString target = FDir + "/setup";
    for (int item = 0; item < 51; ++item) {
      const QString name = QStringLiteral("f%1.txt").arg(item, 2, 10, QChar('0'));
      const QString line = extractPath ? target + "/dir/" + name : "\"" + target + "/" + name + "\"";
      QCOMPARE(commands[item + 1], "[AddItem(" + line + "," + name + ")]\r\n");
    }
    QDir extracted(extractPath ? target + "/dir" : target);
    QCOMPARE(extracted.entryList(QDir::Files).size(), 60);
    QCOMPARE(rig.SelectedCount(), 60);  // the command selected every row
    QVERIFY(rig.Dialogs.Messages().isEmpty());
  }

  void anEmptyArchiveAndAnEmptyFolder() {
    TRecordingService service;
    TWindowRig rig;
    QVERIFY(!Open(rig, "empty.zip", 0).isEmpty());
    CreateGroup(rig, [](TFrmCreateGroup& dialog) {
      dialog.findChild<QLineEdit*>("Edit1")->clear();
      Press(dialog, "BtnOk");
    });
    QCOMPARE(service.WaitFor(1), QStringList{"[CreateGroup(empty)]\r\n"});

    QVERIFY(!Open(rig, "one.zip", 1).isEmpty());
    CreateGroup(rig, [](TFrmCreateGroup& dialog) {
      dialog.findChild<QLineEdit*>("Edit1")->clear();
      Press(dialog, "BtnOk");
    });
    QCOMPARE(service.WaitFor(3).mid(1),
             (QStringList{"[CreateGroup(one)]\r\n",
                          "[AddItem(\"" + QDir::currentPath() + "/f00.txt\",f00.txt)]\r\n"}));
    QVERIFY(QFileInfo::exists(QDir::currentPath() + "/f00.txt"));
  }

  void longCommandsAreCutAt255Bytes() {
    TRecordingService service;
    TWindowRig rig;
    QVERIFY(!Open(rig, "long.zip", 1).isEmpty());
    const QString deep = FDir + "/" + QString(120, 'd') + "/" + QString(120, QChar(0xE9));
    CreateGroup(rig, [&](TFrmCreateGroup& dialog) {
      dialog.findChild<QLineEdit*>("Edit1")->setText(deep);
      Press(dialog, "BtnOk");
    });
    const QStringList commands = service.WaitFor(2);
    QCOMPARE(commands.size(), 2);
    // Cut, line end and all, at 255 bytes; a line end still closes the transaction, so the cut
    // command is refused alone.
    QVERIFY(commands[1].endsWith("\r\n"));
    const QByteArray cut = commands[1].chopped(2).toUtf8();
    QVERIFY(cut.size() <= 255 && cut.size() >= 254);
    QVERIFY(!cut.endsWith(")]"));
    QVERIFY(QFileInfo::exists(deep + "/f00.txt"));
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{NoItemMessage("long", {"dir/f00.txt (its command is longer than 255 bytes)"})});
  }

  // Nobody listens: the client starts the real service from the program's folder, which writes
  // the group's menu, folder entry and launchers.
  void theRealServiceIsStartedOnDemand() {
    TWindowRig rig({QStringLiteral("Parcelix")}, QCoreApplication::applicationDirPath());
    QVERIFY(!Open(rig, "tools.zip", 3).isEmpty());
    rig.Window->DefaultExtractPath = FDir;
    CreateGroup(rig, [](TFrmCreateGroup& dialog) { Press(dialog, "BtnOk"); });
    QVERIFY(rig.Dialogs.Messages().isEmpty());
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    QDir launchers(data + "/applications");
    QTRY_COMPARE(launchers.entryList({"*.desktop"}, QDir::Files).size(), 3);
    QCOMPARE(QDir(data + "/desktop-directories").entryList({"*.directory"}, QDir::Files).size(), 1);
    QCOMPARE(QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + "/menus/applications-merged")
                 .entryList({"*.menu"}, QDir::Files)
                 .size(),
             1);
    QFile launcher(launchers.filePath(launchers.entryList({"*f01*.desktop"}, QDir::Files).value(0)));
    QVERIFY(launcher.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(launcher.readAll());
    QVERIFY(text.contains("Name=f01.txt\n"));
    QVERIFY(text.contains("Exec=xdg-open " + FDir + "/tools/f01.txt\n"));
    StopService();
  }

  // Items the service refuses, or whose command was cut at 255 bytes, are named in one message;
  // the items after a cut one still arrive.
  void refusedAndCutItemsAreReported() {
    TServiceStopper stopper;
    TWindowRig rig({QStringLiteral("Parcelix")}, QCoreApplication::applicationDirPath());
    const QString longName = QString(130, 'l') + ".txt";
    QVERIFY(MakeZipWithMode(FDir + "/mixed.zip",
                            {{"a.txt", "a"}, {longName, "l"}, {"b.txt", "b"}, {"open(.txt", "o"}}, 0644));
    rig.Window->OpenZipFile(FDir + "/mixed.zip");
    rig.Window->DefaultExtractPath = FDir;
    CreateGroup(rig, [](TFrmCreateGroup& dialog) { Press(dialog, "BtnOk"); });
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{NoItemMessage("mixed", {longName + " (its command is longer than 255 bytes)",
                                                 "open(.txt (the program group service did not add it)"})});
    QVERIFY(!LauncherTitled("a.txt").isEmpty());
    QVERIFY(!LauncherTitled("b.txt").isEmpty());

    // A group the service refuses is said as the group's failure, once, without its items.
    rig.Dialogs.Clear();
    CreateGroup(rig, [this](TFrmCreateGroup& dialog) {
      dialog.findChild<QLineEdit*>("Edit1")->setText(FDir + "/again");
      dialog.findChild<QLineEdit*>("Edit2")->setText("no/slash");
      Press(dialog, "BtnOk");
    });
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Information: Unable to create group."});
  }

  // A document stored with the bit, even one that starts with "#!", is opened by its launcher, not
  // run; a script that is one by name and content, with its bit, runs. Launched through GLib, as a
  // desktop starts a menu entry, with a stand-in opener on PATH.
  void launchersOpenDocumentsAndRunOnlyPrograms() {
    if (QStandardPaths::findExecutable("gio").isEmpty()) QSKIP("gio is not installed to launch the entries");
    const QString bin = FDir + "/bin", opened = FDir + "/opened";
    QDir().mkpath(bin);
    QFile opener(bin + "/xdg-open");
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write(("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n").toUtf8());
    opener.close();
    opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + path);
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
    TServiceStopper stopper;
    const auto body = [&](const QString& marker) {
      return ("#!/bin/sh\ntouch '" + FDir + "/" + marker + "'\n").toUtf8();
    };

    TWindowRig rig({QStringLiteral("Parcelix")}, QCoreApplication::applicationDirPath());
    QVERIFY(MakeZipWithMode(FDir + "/kit.zip",
                            {{"readme.txt", body("readme-ran")}, {"tool.sh", body("tool-ran")}}, 0755));
    rig.Window->OpenZipFile(FDir + "/kit.zip");
    rig.Window->DefaultExtractPath = FDir;
    CreateGroup(rig, [](TFrmCreateGroup& dialog) { Press(dialog, "BtnOk"); });
    QVERIFY(rig.Dialogs.Messages().isEmpty());
    for (const QString title : {"readme.txt", "tool.sh"}) {
      const QString launcher = LauncherTitled(title);
      QVERIFY2(!launcher.isEmpty(), qPrintable(title));
      QProcess gio;
      gio.start("gio", {"launch", launcher});
      QVERIFY(gio.waitForFinished(20000) && gio.exitCode() == 0);
    }
    QTRY_VERIFY(QFileInfo::exists(FDir + "/tool-ran"));
    const QByteArray readme = (FDir + "/kit/readme.txt\n").toUtf8();
    QTRY_COMPARE(QFileInfo(opened).size(), qint64(readme.size()));
    QFile log(opened);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), readme);
    QTest::qWait(200);  // time for a wrong start to show
    QVERIFY(!QFileInfo::exists(FDir + "/readme-ran"));
  }

  // Nobody listens and no service program can start: the group's failure is said once, the
  // items fail silently, and Cancel does nothing at all.
  void noServiceAndCancel() {
    TWindowRig rig;
    QVERIFY(!Open(rig, "lonely.zip", 3).isEmpty());
    rig.Window->DefaultExtractPath = FDir;
    CreateGroup(rig, [](TFrmCreateGroup& dialog) { Press(dialog, "BtnCancel"); });
    QVERIFY(!QFileInfo::exists(FDir + "/lonely"));
    QVERIFY(rig.Dialogs.Prompts.isEmpty());

    CreateGroup(rig, [](TFrmCreateGroup& dialog) { Press(dialog, "BtnOk"); });
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Information: Unable to create group."});
    QCOMPARE(QDir(FDir + "/lonely").entryList(QDir::Files).size(), 3);
  }
};

PARCELIX_GUI_TEST_MAIN(TestGroup)
#include "test_group.moc"
