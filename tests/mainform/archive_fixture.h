// Archives made on the spot by Python's zipfile, an independent writer, for the main window's
// suites that drive the real libraries.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/profile.h"

struct TFixtureEntry {
  QString Name;
  int Size = 0;
  QString Date = QStringLiteral("2020,1,2,3,4,6");  // year, month, day, hour, minute, second
  bool Compressible = false;  // repeated bytes, so the entry packs well; else random bytes
};

// Writes the archive; false when python3 failed.
inline bool MakeZip(const QString& path, const QList<TFixtureEntry>& entries) {
  QDir().mkpath(QFileInfo(path).path());
  QString script = QStringLiteral(
      "import zipfile, os, sys\n"
      "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n");
  for (const TFixtureEntry& entry : entries) {
    script += QStringLiteral("i = zipfile.ZipInfo(%1, (%2))\ni.compress_type = zipfile.ZIP_DEFLATED\n")
                  .arg(QStringLiteral("'") + entry.Name + QStringLiteral("'"), entry.Date);
    script += entry.Compressible ? QStringLiteral("z.writestr(i, b'a' * %1)\n").arg(entry.Size)
                                 : QStringLiteral("z.writestr(i, os.urandom(%1))\n").arg(entry.Size);
  }
  script += QStringLiteral("z.close()\n");
  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
  return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit &&
         python.exitCode() == 0;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes the file, making its folder first.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QString IniValue(const QString& section, const QString& key) {
  return platform::GetPrivateProfileString(section, key, QStringLiteral("<none>"),
                                           platform::kProfileBufferLength, QStringLiteral("PARCELIX.INI"));
}

inline void RemoveIni() {
  QFile::remove(platform::ProfileFilePath(QStringLiteral("PARCELIX.INI")));
}

inline bool WriteIni(const QString& text) {
  QFile file(platform::ProfileFilePath(QStringLiteral("PARCELIX.INI")));
  QDir().mkpath(QFileInfo(file).path());
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(text.toUtf8()) == text.toUtf8().size();
}
