// The copies that View handed to other programs, remembered so that a change made to one there
// can be offered back to the archive it came from. A copy is known by what it held when it was
// handed out; only a different content counts as a change, so an editor that saves without a
// change, or touches the file, causes no question.
#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

struct TViewedCopy {
  QString Path;        // the copy
  QString Archive;     // the archive it came from
  QString StoredName;  // the entry, as listed
  bool Encrypted = false;
  QByteArray Seen;  // the content last handed out or offered back (see TViewedCopies::Fingerprint)
};

class TViewedCopies : public QObject {
  Q_OBJECT

 public:
  explicit TViewedCopies(QObject* Parent = nullptr);

  // Remembers a copy as it is now. Watched copies raise OnChanged a moment after a program has
  // written them (editors that save by writing a new file and renaming it included); the others
  // are looked at only when asked (an archive shown in a window of Parcelix's own changes many
  // times over before its window closes).
  void Track(TViewedCopy Copy, bool Watch);
  // The copy of Path, or none.
  const TViewedCopy* Find(const QString& Path) const;
  // Whether the copy's content differs from what was last seen; either way what it holds now
  // counts as seen, so one change is offered once. False for a copy that is gone or unknown.
  bool TakeChange(const QString& Path);
  // The copies whose content differs from what was last seen, without taking the changes.
  QStringList ChangedPaths() const;
  void Clear();

  // A watched copy was written (after the writes have settled for a moment).
  std::function<void(const QString& Path)> OnChanged;

  // The content's digest; for a file too large to read through at once, its size and time of
  // change. Empty for a file that cannot be read.
  static QByteArray Fingerprint(const QString& Path);

 private:
  std::vector<TViewedCopy> FCopies;
  QStringList FWatched;  // the paths of the watched copies
  QFileSystemWatcher FWatcher;
  QTimer FSettle;

  void Settled();
};
