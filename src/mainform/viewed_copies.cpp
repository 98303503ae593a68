#include "mainform/viewed_copies.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// Editors write in several steps (truncate, write, rename); one look after the last of them.
constexpr int kSettleMs = 400;
// Reading a larger copy through would hold up the window each time it is looked at.
constexpr qint64 kDigestLimit = 64 * 1024 * 1024;

}  // namespace

TViewedCopies::TViewedCopies(QObject* Parent) : QObject(Parent) {
  FSettle.setSingleShot(true);
  FSettle.setInterval(kSettleMs);
  connect(&FSettle, &QTimer::timeout, this, &TViewedCopies::Settled);
  // The folder too: a save that replaces the file ends the watch on the file itself.
  connect(&FWatcher, &QFileSystemWatcher::fileChanged, &FSettle, qOverload<>(&QTimer::start));
  connect(&FWatcher, &QFileSystemWatcher::directoryChanged, &FSettle, qOverload<>(&QTimer::start));
}

QByteArray TViewedCopies::Fingerprint(const QString& Path) {
  const QFileInfo info(Path);
  if (!info.isFile()) return {};
  if (info.size() > kDigestLimit)
    return QByteArray::number(info.size()) + ' ' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) return {};
  return hash.result();
}

void TViewedCopies::Track(TViewedCopy Copy, bool Watch) {
  Copy.Seen = Fingerprint(Copy.Path);
  const auto known = std::find_if(FCopies.begin(), FCopies.end(),
                                  [&](const TViewedCopy& copy) { return copy.Path == Copy.Path; });
  if (known != FCopies.end())
    *known = Copy;
  else
    FCopies.push_back(Copy);
  if (!Watch) return;
  FWatched.append(Copy.Path);
  FWatcher.addPath(Copy.Path);
  FWatcher.addPath(QFileInfo(Copy.Path).absolutePath());
}

const TViewedCopy* TViewedCopies::Find(const QString& Path) const {
  for (const TViewedCopy& copy : FCopies)
    if (copy.Path == Path) return &copy;
  return nullptr;
}

bool TViewedCopies::TakeChange(const QString& Path) {
  for (TViewedCopy& copy : FCopies) {
    if (copy.Path != Path) continue;
    const QByteArray now = Fingerprint(Path);
    if (now.isEmpty() || now == copy.Seen) return false;
    copy.Seen = now;
    return true;
  }
  return false;
}

QStringList TViewedCopies::ChangedPaths() const {
  QStringList changed;
  for (const TViewedCopy& copy : FCopies) {
    const QByteArray now = Fingerprint(copy.Path);
    if (!now.isEmpty() && now != copy.Seen) changed.append(copy.Path);
  }
  return changed;
}

void TViewedCopies::Clear() {
  FSettle.stop();
  if (!FWatcher.files().isEmpty()) FWatcher.removePaths(FWatcher.files());
  if (!FWatcher.directories().isEmpty()) FWatcher.removePaths(FWatcher.directories());
  FWatched.clear();
  FCopies.clear();
}

void TViewedCopies::Settled() {
  for (const QString& path : FWatched) {
    // A copy replaced by a new file is watched again under its name.
    if (!FWatcher.files().contains(path) && QFileInfo::exists(path)) FWatcher.addPath(path);
  }
  if (!OnChanged) return;
  const QStringList watched = FWatched;  // a handler may add copies
  for (const QString& path : watched) {
    const TViewedCopy* copy = Find(path);
    if (copy && Fingerprint(path) != copy->Seen && QFileInfo::exists(path)) OnChanged(path);
  }
}
