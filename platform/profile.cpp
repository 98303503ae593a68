#include "profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <vector>

#include "text_limits.h"

namespace platform {

namespace {

// One line of the file as it stands: its bytes without the line end, and the line end itself
// ("\n", "\r\n", or nothing on a last line without one). Lines that a write does not touch are
// written back byte for byte.
struct TRawLine {
  QByteArray Text;
  QByteArray Ending;
};

enum class TLineKind { Other, Section, Key };

struct TParsedLine {
  TLineKind Kind = TLineKind::Other;
  QString Name;           // section or key name, trimmed
  bool HasValue = false;  // a key line with "="
  QString Value;          // trimmed, quotes not yet removed
};

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

std::vector<TRawLine> SplitLines(const QByteArray& content) {
  std::vector<TRawLine> lines;
  qsizetype start = 0;
  while (start < content.size()) {
    qsizetype end = content.indexOf('\n', start);
    if (end < 0) {
      lines.push_back({content.mid(start), QByteArray()});
      break;
    }
    qsizetype textEnd = end;
    if (textEnd > start && content.at(textEnd - 1) == '\r') --textEnd;
    lines.push_back({content.mid(start, textEnd - start), content.mid(textEnd, end + 1 - textEnd)});
    start = end + 1;
  }
  return lines;
}

QByteArray JoinLines(const std::vector<TRawLine>& lines) {
  QByteArray content;
  for (const TRawLine& line : lines) content += line.Text + line.Ending;
  return content;
}

TParsedLine ParseLine(const TRawLine& raw, bool firstLine) {
  QByteArray bytes = raw.Text;
  if (firstLine && bytes.startsWith(kUtf8Bom)) bytes.remove(0, kUtf8Bom.size());
  const QString text = QString::fromUtf8(bytes).trimmed();
  TParsedLine parsed;
  if (text.isEmpty() || text.startsWith(u';') || text.startsWith(u'#')) return parsed;
  if (text.startsWith(u'[')) {
    const qsizetype close = text.indexOf(u']');
    if (close < 0) return parsed;  // not a header; belongs to no key either
    parsed.Kind = TLineKind::Section;
    parsed.Name = text.mid(1, close - 1).trimmed();
    return parsed;
  }
  parsed.Kind = TLineKind::Key;
  const qsizetype equals = text.indexOf(u'=');
  if (equals < 0) {
    parsed.Name = text;
    return parsed;
  }
  parsed.Name = text.left(equals).trimmed();
  parsed.HasValue = true;
  parsed.Value = text.mid(equals + 1).trimmed();
  return parsed;
}

bool SameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsQuote(QChar c) {
  return c == u'"' || c == u'\'';
}

bool QuotedWhole(const QString& value) {
  return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

QString Unquote(const QString& value) {
  return QuotedWhole(value) ? value.mid(1, value.size() - 2) : value;
}

// Reading drops surrounding blanks and one pair of quotes, so such values are stored quoted.
QString EncodeValue(const QString& value) {
  if (value != value.trimmed() || QuotedWhole(value)) return u'"' + value + u'"';
  return value;
}

bool HasLineBreakOrNul(const QString& text) {
  return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

bool ValidSection(const QString& section) {
  return !section.trimmed().isEmpty() && !HasLineBreakOrNul(section) && !section.contains(u']');
}

bool ValidKey(const QString& key) {
  const QString name = key.trimmed();
  return !name.isEmpty() && !HasLineBreakOrNul(key) && !key.contains(u'=') && !name.startsWith(u'[') &&
         !name.startsWith(u';') && !name.startsWith(u'#');
}

enum class TReadResult { Ok, Missing, Failed };

// The whole file, bounded by kProfileSizeLimit. Missing when there is no file at all.
TReadResult ReadProfile(const QString& path, QByteArray& content) {
  content.clear();
  const QFileInfo info(path);
  if (!info.exists()) return TReadResult::Missing;
  if (!info.isFile() || info.size() > kProfileSizeLimit) return TReadResult::Failed;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return TReadResult::Failed;
  content = file.read(kProfileSizeLimit + 1);
  if (content.size() > kProfileSizeLimit || file.error() != QFileDevice::NoError) {
    content.clear();
    return TReadResult::Failed;
  }
  return TReadResult::Ok;
}

// A file marked read-only is left alone even by a user whom the system would let replace it
// (the owner of its folder, or root): replacing it by rename would otherwise ignore the mark.
bool MayReplace(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return true;
  // The mode bits, not WriteUser: that one says what this user may do, which is the mark
  // ignored for root.
  constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  return info.isFile() && info.isWritable() && (info.permissions() & anyWrite);
}

// The rename that replaced the file is durable only once its folder is on the disk too.
void SyncFolder(const QString& path) {
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Puts `key=value` into the lines: over the first line that names the key in a section of that
// name, else after the last key of the first such section, else in a new section at the end.
void SetValue(std::vector<TRawLine>& lines, const QString& section, const QString& key,
              const QString& value) {
  QByteArray eol = "\n";
  for (const TRawLine& line : lines) {
    if (!line.Ending.isEmpty()) {
      eol = line.Ending;
      break;
    }
  }
  const QByteArray encoded = EncodeValue(value).toUtf8();

  bool inSection = false;
  int sectionsSeen = 0;        // sections of that name met so far
  qsizetype insertAfter = -1;  // last line of the first such section's header or keys
  for (size_t i = 0; i < lines.size(); ++i) {
    const TParsedLine parsed = ParseLine(lines[i], i == 0);
    if (parsed.Kind == TLineKind::Section) {
      inSection = SameName(parsed.Name, section);
      if (inSection && ++sectionsSeen == 1) insertAfter = static_cast<qsizetype>(i);
      continue;
    }
    if (!inSection || parsed.Kind != TLineKind::Key) continue;
    if (SameName(parsed.Name, key)) {
      // Keep the line's indentation and the key's spelling as the file has them.
      QByteArray& text = lines[i].Text;
      qsizetype lead = 0;
      if (i == 0 && text.startsWith(kUtf8Bom)) lead = kUtf8Bom.size();
      while (lead < text.size() && (text.at(lead) == ' ' || text.at(lead) == '\t')) ++lead;
      text = text.left(lead) + parsed.Name.toUtf8() + '=' + encoded;
      return;
    }
    if (sectionsSeen == 1) insertAfter = static_cast<qsizetype>(i);
  }

  const TRawLine keyLine{key.toUtf8() + '=' + encoded, eol};
  if (insertAfter >= 0) {
    if (lines[insertAfter].Ending.isEmpty()) lines[insertAfter].Ending = eol;
    lines.insert(lines.begin() + insertAfter + 1, keyLine);
    return;
  }
  if (!lines.empty()) {
    if (lines.back().Ending.isEmpty()) lines.back().Ending = eol;
    if (!lines.back().Text.trimmed().isEmpty()) lines.push_back({QByteArray(), eol});
  }
  lines.push_back({'[' + section.toUtf8() + ']', eol});
  lines.push_back(keyLine);
}

QByteArray WithValue(const QByteArray& content, const QString& section, const QString& key,
                     const QString& value) {
  std::vector<TRawLine> lines = SplitLines(content);
  SetValue(lines, section.trimmed(), key.trimmed(), value);
  return JoinLines(lines);
}

// Writes content in place of the file at path: a sibling temporary file, flushed to the disk,
// then renamed over it. On any failure the old file stays as it was.
bool ReplaceFile(const QString& path, const QByteArray& content, bool isNew) {
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return false;
  // An existing file keeps its permissions; a new one may hold a password, so only its owner
  // may read it.
  if (isNew) out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  if (out.write(content) != content.size()) {
    out.cancelWriting();
    return false;
  }
  if (!out.commit()) return false;
  SyncFolder(path);
  return true;
}

}  // namespace

QString ProfileFilePath(const QString& FileName) {
  if (FileName.isEmpty()) return QString();
  if (FileName.contains(u'/')) return FileName;
  QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (folder.isEmpty() || QDir::isRelativePath(folder)) folder = QDir::homePath() + "/.config";
  return folder + u'/' + FileName;
}

QString GetPrivateProfileString(const QString& Section, const QString& Key, const QString& Default,
                                int BufferLength, const QString& FileName) {
  const int maxBytes = BufferLength - 1;
  const QString section = Section.trimmed();
  const QString key = Key.trimmed();
  const QString path = ProfileFilePath(FileName);
  QByteArray content;
  if (section.isEmpty() || key.isEmpty() || path.isEmpty() || ReadProfile(path, content) != TReadResult::Ok)
    return CutToBytes(Default, maxBytes);

  const std::vector<TRawLine> lines = SplitLines(content);
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const TParsedLine parsed = ParseLine(lines[i], i == 0);
    if (parsed.Kind == TLineKind::Section) {
      inSection = SameName(parsed.Name, section);
    } else if (inSection && parsed.Kind == TLineKind::Key && SameName(parsed.Name, key)) {
      // The first line naming the key decides, even when it has no value.
      return CutToBytes(parsed.HasValue ? Unquote(parsed.Value) : Default, maxBytes);
    }
  }
  return CutToBytes(Default, maxBytes);
}

bool WritePrivateProfileString(const QString& Section, const QString& Key, const QString& Value,
                               const QString& FileName) {
  if (!ValidSection(Section) || !ValidKey(Key) || HasLineBreakOrNul(Value)) return false;
  const QString path = ProfileFilePath(FileName);
  if (path.isEmpty()) return false;

  // The profile folder is ours to create; a folder named by the caller must exist already.
  if (!FileName.contains(u'/')) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
      if (!QDir().mkpath(folder)) return false;
      QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
  }

  QByteArray content;
  TReadResult read = ReadProfile(path, content);
  if (read == TReadResult::Failed) return false;
  QByteArray updated = WithValue(content, Section, Key, Value);
  if (read == TReadResult::Ok && updated == content) return true;  // already on the disk

  // Two running copies of the program must not interleave their read-modify-write cycles; the
  // other one may have written while this one waited.
  QLockFile lock(path + QStringLiteral(".lock"));
  if (!lock.tryLock(5000)) return false;
  read = ReadProfile(path, content);
  if (read == TReadResult::Failed) return false;
  updated = WithValue(content, Section, Key, Value);
  if (read == TReadResult::Ok && updated == content) return true;
  if (!MayReplace(path)) return false;
  return ReplaceFile(path, updated, read == TReadResult::Missing);
}

}  // namespace platform
