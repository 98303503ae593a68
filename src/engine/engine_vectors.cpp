// The argument vector each operation sends: element 0 is the password (empty for the two
// comment operations), then switches, the archive name and the names to work on.
#include <QDate>
#include <algorithm>
#include <cmath>

#include "engine/argument_vector.h"
#include "engine/zip_engine.h"

namespace {

// "-t" wants the date bound as mmddyy.
QString DateBoundText(TDateTime dateTime) {
  static const QDate kEpoch(1899, 12, 30);
  return kEpoch.addDays(static_cast<qint64>(std::floor(dateTime))).toString(QStringLiteral("MMddyy"));
}

}  // namespace

void TZipEngine::AppendFilesToProcess(TArgumentVector& Args, bool AllowInclude) const {
  const int start = Args.Count();
  bool includes = false;
  bool excludes = false;
  if (ExactNames) {
    // A name that reads like one of the libraries' markers is sent after "--", which makes
    // every word after it a name.
    const bool marked = std::any_of(FilesToProcess.begin(), FilesToProcess.end(), [](const QString& entry) {
      return entry == QLatin1String("-i") || entry == QLatin1String("-x") || entry == QLatin1String("-d") ||
             entry == QLatin1String("--");
    });
    if (marked) Args.Append("--");
    for (const QString& entry : FilesToProcess) Args.Append(entry);
    return;
  }
  for (const QString& entry : FilesToProcess) {
    if (AllowInclude && entry.startsWith(QLatin1Char('>')))
      includes = true;
    else if (entry.startsWith(QLatin1Char('<')))
      excludes = true;
    else
      Args.Append(entry);
  }
  // Patterns alone would widen the operation to the whole archive: send none without names.
  if (Args.Count() == start) return;
  if (includes) {
    Args.Append("-i");
    for (const QString& entry : FilesToProcess)
      if (entry.startsWith(QLatin1Char('>'))) Args.Append(entry.mid(1));
  }
  if (excludes) {
    Args.Append("-x");
    for (const QString& entry : FilesToProcess)
      if (entry.startsWith(QLatin1Char('<'))) Args.Append(entry.mid(1));
  }
}

void TZipEngine::AppendNameCodePage(TArgumentVector& Args) const {
  if (NameCodePage <= 0) return;
  Args.Append("-O");
  Args.Append(QStringLiteral("CP%1").arg(NameCodePage));
}

void TZipEngine::BuildAddVector(TArgumentVector& Args, int Mode) const {
  Args.Append(Password);
  AppendNameCodePage(Args);
  if (Mode == 1) Args.Append("-f");
  if (Mode == 2) Args.Append("-u");
  if (!Password.isEmpty()) Args.Append("-e");
  if (!Password.isEmpty() && AesEncryption) Args.Append("--aes=256");
  // The level is one digit; a value beyond 9 asks for the strongest.
  Args.Append(QStringLiteral("-%1").arg(std::min<int>(Compression, 9)));
  if (MoveFiles) Args.Append("-m");
  if (Mode != 1 && IncludeHiddenFiles) Args.Append("-S");
  if (Mode != 1 && UsePaths && IncludeDirectoryEntries) Args.Append("-D");
  if (Mode == 0 && IncludeVolumeLabel) Args.Append("-$");
  if (Recurse) Args.Append("-r");
  if (!UsePaths) Args.Append("-j");
  if (!UseTempFile || MultidiskMode) Args.Append("-g");
  if (!TempPath.isEmpty()) {
    Args.Append("-b");
    Args.Append(TempPath);
  }
  if (!StoredExtensions.isEmpty()) {
    Args.Append("-n");
    Args.Append(StoredExtensions);
  }
  if (MultidiskMode) Args.Append("-!");
  if (ClearDisks) Args.Append("-&");
  Args.Append("-t");
  Args.Append(DateBoundText(AfterDate));
  Args.Append(ZipFileName);
  AppendFilesToProcess(Args, true);
}

void TZipEngine::BuildDeleteVector(TArgumentVector& Args) const {
  Args.Append(Password);
  AppendNameCodePage(Args);
  Args.Append("-d");
  if (!TempPath.isEmpty()) {
    Args.Append("-b");
    Args.Append(TempPath);
  }
  Args.Append(ZipFileName);
  AppendFilesToProcess(Args, true);
}

void TZipEngine::BuildFixVector(TArgumentVector& Args, bool Aggressive) const {
  Args.Append(Password);
  Args.Append(Aggressive ? "-FF" : "-F");
  Args.Append(ZipFileName);
}

void TZipEngine::BuildUpdateArchiveDateVector(TArgumentVector& Args) const {
  Args.Append(Password);
  AppendNameCodePage(Args);
  Args.Append("-o");
  Args.Append(ZipFileName);
}

void TZipEngine::BuildSetArchiveCommentVector(TArgumentVector& Args) const {
  Args.Append("");
  Args.Append("-z");
  if (!UseTempFile) Args.Append("-g");
  if (!TempPath.isEmpty()) {
    Args.Append("-b");
    Args.Append(TempPath);
  }
  Args.Append(ZipFileName);
}

void TZipEngine::BuildExtractVector(TArgumentVector& Args, int Mode) const {
  Args.Append(Password);
  AppendNameCodePage(Args);
  if (Mode == 1) Args.Append("-f");
  if (Mode == 2) Args.Append("-u");
  if (!UsePaths) Args.Append("-j");
  if (MultidiskMode) Args.Append("-!");
  if (Overwrite == zowNever) Args.Append("-n");
  if (Overwrite == zowAlways) Args.Append("-o");
  Args.Append(ZipFileName);
  // The folder goes before the names when they may end with a "--" run, which takes every
  // word after it as a name.
  const bool folderFirst = ExactNames && !ExtractDirectory.isEmpty();
  if (folderFirst) {
    Args.Append("-d");
    Args.Append(ExtractDirectory);
  }
  AppendFilesToProcess(Args, false);
  if (!folderFirst && !ExtractDirectory.isEmpty()) {
    Args.Append("-d");
    Args.Append(ExtractDirectory);
  }
}

void TZipEngine::BuildListVector(TArgumentVector& Args) const {
  Args.Append(Password);
  AppendNameCodePage(Args);
  Args.Append("-v");
  if (MultidiskMode) Args.Append("-!");
  Args.Append(ZipFileName);
  AppendFilesToProcess(Args, false);
}

void TZipEngine::BuildTestVector(TArgumentVector& Args) const {
  Args.Append(Password);
  AppendNameCodePage(Args);
  if (MultidiskMode) Args.Append("-!");
  Args.Append("-t");
  Args.Append(ZipFileName);
  AppendFilesToProcess(Args, false);
}

void TZipEngine::BuildGetArchiveCommentVector(TArgumentVector& Args) const {
  Args.Append("");
  Args.Append("-z");
  Args.Append(ZipFileName);
}
