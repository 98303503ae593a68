// A folder of this run's own under a temporary folder, for copies taken out of archives (viewed
// entries): readable by the user alone, marked as in use while the run lives, removed with
// everything in it when released. Folders that a run left behind when it was killed are swept
// by the next run, never those of a run still going.
#pragma once

#include <QString>

namespace platform {

// The system's temporary folder: $TMPDIR, or /tmp where it is not set; without a trailing "/"
// (the root stays "/").
QString SystemTempFolder();

class TRunFolder {
 public:
  // Makes "<parent>/<prefix>XXXXXX" (owner-only) and marks it as in use.
  TRunFolder(const QString& parent, const QString& prefix);
  ~TRunFolder();
  TRunFolder(const TRunFolder&) = delete;
  TRunFolder& operator=(const TRunFolder&) = delete;

  bool IsValid() const { return !FPath.isEmpty(); }
  QString Path() const { return FPath; }
  QString ErrorString() const { return FError; }

 private:
  QString FPath;
  QString FError;
  int FMark = -1;  // held locked for the run's life
};

// Removes every "<prefix>*" folder of this user directly under `parent` whose run has ended.
void SweepAbandonedRunFolders(const QString& parent, const QString& prefix);

// Takes every executable bit off the files under `folder`: a copy is looked at, never run
// because of a bit the archive carried.
void RemoveExecutableBits(const QString& folder);

// True for a real program: a regular file with an executable bit whose content is an ELF image
// or a script naming its interpreter ("#!").
bool IsProgramFile(const QString& path);

}  // namespace platform
