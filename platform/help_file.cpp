#include "platform/help_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringConverter>
#include <algorithm>

namespace platform {

namespace {

const char kMagic[] = "#PARCELIX-HELP 1";

// A context number as written in the file: decimal, positive.
bool readContext(const QString& text, int& context) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  if (!ok || value <= 0) return false;
  context = value;
  return true;
}

QString decodeEntity(const QString& name) {
  static const QMap<QString, QString> named = {{"amp", "&"},
                                               {"lt", "<"},
                                               {"gt", ">"},
                                               {"quot", "\""},
                                               {"apos", "'"},
                                               {"nbsp", " "},
                                               {"ndash", QString(QChar(0x2013))},
                                               {"mdash", QString(QChar(0x2014))},
                                               {"hellip", QString(QChar(0x2026))},
                                               {"copy", QString(QChar(0x00A9))}};
  if (name.startsWith('#')) {
    bool ok = false;
    const uint code = name.startsWith("#x", Qt::CaseInsensitive) ? name.mid(2).toUInt(&ok, 16)
                                                                 : name.mid(1).toUInt(&ok, 10);
    if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
      const char32_t c = code;
      return QString::fromUcs4(&c, 1);
    }
    return QString();
  }
  return named.value(name.toLower());
}

}  // namespace

HelpFile::Status HelpFile::fail(Status status, const QString& error) {
  const QString path = path_;
  clear();
  path_ = path;
  status_ = status;
  error_ = error;
  return status;
}

void HelpFile::clear() {
  status_ = Status::NotLoaded;
  path_.clear();
  error_.clear();
  title_.clear();
  topics_.clear();
  contents_.clear();
  index_.clear();
}

HelpFile::Status HelpFile::load(const QString& path) {
  path_ = path;
  const QFileInfo info(path);
  if (!info.exists() || info.isDir())
    return fail(Status::Missing, QCoreApplication::translate("HelpFile", "no such file"));
  if (info.size() > kMaxFileSize)
    return fail(Status::Damaged, QCoreApplication::translate("HelpFile", "the file is too large"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return fail(Status::Unreadable, file.errorString());
  const QByteArray data = file.read(kMaxFileSize + 1);
  if (file.error() != QFileDevice::NoError) return fail(Status::Unreadable, file.errorString());
  return loadData(data, path);
}

HelpFile::Status HelpFile::loadData(const QByteArray& data, const QString& path) {
  clear();
  path_ = path;
  if (data.size() > kMaxFileSize)
    return fail(Status::Damaged, QCoreApplication::translate("HelpFile", "the file is too large"));

  auto decoder = QStringDecoder(QStringDecoder::Utf8);
  QString text = decoder.decode(data);
  if (decoder.hasError())
    return fail(Status::Damaged, QCoreApplication::translate("HelpFile", "the file is not UTF-8 text"));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QStringList lines = text.split('\n');

  auto damaged = [&](qsizetype line, const QString& what) {
    return fail(Status::Damaged,
                QCoreApplication::translate("HelpFile", "line %1: %2").arg(QString::number(line + 1), what));
  };

  if (lines.isEmpty() || lines.first().trimmed() != QLatin1String(kMagic))
    return damaged(0, QCoreApplication::translate("HelpFile", "this is not a Parcelix help file"));

  enum class Section { Header, Contents, Index, Topic };
  Section section = Section::Header;
  HelpTopic current;
  QStringList body;

  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QString& line = lines[i];

    if (section == Section::Topic) {
      if (line.startsWith(QLatin1String("##"))) {
        body << line.mid(1);
      } else if (line.startsWith(QLatin1String("#TITLE ")) && body.isEmpty() && current.title.isEmpty()) {
        current.title = line.mid(7).trimmed();
      } else if (line.startsWith(QLatin1String("#KEYWORDS")) && body.isEmpty()) {
        for (const QString& k : line.mid(9).split(';', Qt::SkipEmptyParts))
          if (!k.trimmed().isEmpty()) current.keywords << k.trimmed();
      } else if (line.trimmed() == QLatin1String("#END")) {
        current.html = body.join('\n');
        current.text = plainText(current.title + QStringLiteral(" \n ") + current.html).toLower();
        topics_.insert(current.context, current);
        current = HelpTopic();
        body.clear();
        section = Section::Header;
      } else if (line.startsWith('#')) {
        return damaged(i,
                       QCoreApplication::translate("HelpFile", "topic %1 has no end").arg(current.context));
      } else {
        body << line;
      }
      continue;
    }

    if (line.trimmed().isEmpty()) continue;

    if (line.startsWith(QLatin1String("#TITLE ")) && section == Section::Header) {
      title_ = line.mid(7).trimmed();
    } else if (line.trimmed() == QLatin1String("#CONTENTS")) {
      section = Section::Contents;
    } else if (line.trimmed() == QLatin1String("#INDEX")) {
      section = Section::Index;
    } else if (line.startsWith(QLatin1String("#TOPIC "))) {
      int context = 0;
      if (!readContext(line.mid(7), context))
        return damaged(i, QCoreApplication::translate("HelpFile", "bad topic number"));
      if (topics_.contains(context))
        return damaged(i, QCoreApplication::translate("HelpFile", "topic %1 appears twice").arg(context));
      current = HelpTopic();
      current.context = context;
      section = Section::Topic;
    } else if (line.startsWith('#')) {
      return damaged(i, QCoreApplication::translate("HelpFile", "unknown line \"%1\"").arg(line.left(40)));
    } else if (section == Section::Contents) {
      const QStringList parts = line.split('\t');
      bool ok = false;
      HelpContentsEntry entry;
      entry.level = parts.value(0).toInt(&ok);
      if (parts.size() != 3 || !ok || entry.level < 1 || entry.level > 16)
        return damaged(i, QCoreApplication::translate("HelpFile", "bad contents line"));
      if (parts[1].trimmed() != QLatin1String("0") && !readContext(parts[1], entry.context))
        return damaged(i, QCoreApplication::translate("HelpFile", "bad contents line"));
      entry.title = parts[2].trimmed();
      // A level may go down by any step but up by one only, so the tree is well formed.
      const int previous = contents_.isEmpty() ? 0 : contents_.last().level;
      if (entry.level > previous + 1)
        return damaged(i, QCoreApplication::translate("HelpFile", "contents level skips a step"));
      contents_ << entry;
    } else if (section == Section::Index) {
      const qsizetype tab = line.lastIndexOf('\t');
      if (tab <= 0) return damaged(i, QCoreApplication::translate("HelpFile", "bad index line"));
      HelpKeyword keyword;
      keyword.keyword = line.left(tab).trimmed();
      for (const QString& n : line.mid(tab + 1).split(' ', Qt::SkipEmptyParts)) {
        int context = 0;
        if (!readContext(n, context))
          return damaged(i, QCoreApplication::translate("HelpFile", "bad index line"));
        keyword.contexts << context;
      }
      if (keyword.keyword.isEmpty() || keyword.contexts.isEmpty())
        return damaged(i, QCoreApplication::translate("HelpFile", "bad index line"));
      index_ << keyword;
    } else {
      return damaged(i, QCoreApplication::translate("HelpFile", "text outside a topic"));
    }
  }
  if (section == Section::Topic)
    return damaged(lines.size() - 1,
                   QCoreApplication::translate("HelpFile", "topic %1 has no end").arg(current.context));

  status_ = Status::Ok;
  return status_;
}

const HelpTopic* HelpFile::topic(int context) const {
  const auto it = topics_.constFind(context);
  return it == topics_.constEnd() ? nullptr : &it.value();
}

QString HelpFile::contentsHtml() const {
  QString html = QStringLiteral("<h1>%1</h1>\n")
                     .arg((title_.isEmpty() ? QStringLiteral("Contents") : title_).toHtmlEscaped());
  int depth = 0;
  for (const HelpContentsEntry& entry : contents_) {
    while (depth < entry.level) {
      html += QStringLiteral("<ul>\n");
      ++depth;
    }
    while (depth > entry.level) {
      html += QStringLiteral("</ul>\n");
      --depth;
    }
    if (entry.context == 0)
      html += QStringLiteral("<li><b>%1</b></li>\n").arg(entry.title.toHtmlEscaped());
    else
      html += QStringLiteral("<li><a href=\"topic:%1\">%2</a></li>\n")
                  .arg(entry.context)
                  .arg(entry.title.toHtmlEscaped());
  }
  while (depth-- > 0) html += QStringLiteral("</ul>\n");
  return html;
}

QList<HelpKeyword> HelpFile::keywordsMatching(const QString& partial) const {
  const QString wanted = partial.trimmed();
  if (wanted.isEmpty()) return index_;
  QList<HelpKeyword> starting, containing;
  for (const HelpKeyword& k : index_) {
    if (k.keyword.startsWith(wanted, Qt::CaseInsensitive))
      starting << k;
    else if (k.keyword.contains(wanted, Qt::CaseInsensitive))
      containing << k;
  }
  return starting + containing;
}

QList<int> HelpFile::search(const QString& words) const {
  const QStringList wanted =
      words.toLower().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  if (wanted.isEmpty()) return {};
  QList<QPair<int, int>> hits;  // (count, context)
  for (const HelpTopic& t : topics_) {
    int total = 0;
    bool all = true;
    for (const QString& w : wanted) {
      const int n = int(t.text.count(w));
      if (n == 0) {
        all = false;
        break;
      }
      total += n;
    }
    if (all) hits << qMakePair(total, t.context);
  }
  std::stable_sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  QList<int> result;
  for (const auto& h : hits) result << h.second;
  return result;
}

QString HelpFile::plainText(const QString& html) {
  QString out;
  out.reserve(html.size());
  for (qsizetype i = 0; i < html.size(); ++i) {
    const QChar c = html[i];
    if (c == '<') {
      const qsizetype end = html.indexOf('>', i);
      if (end < 0) break;
      i = end;
      out += ' ';
    } else if (c == '&') {
      const qsizetype end = html.indexOf(';', i);
      if (end > i && end - i <= 10) {
        out += decodeEntity(html.mid(i + 1, end - i - 1));
        i = end;
      } else {
        out += c;
      }
    } else {
      out += c;
    }
  }
  return out.simplified();
}

}  // namespace platform
