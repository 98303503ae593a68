// The help file "Parcelix.hlp": loading, topics by context number, the contents tree, the keyword
// index and full-text search. No widgets, so it can be tested alone; the window is
// widgets/help_viewer.*.
//
// The file is UTF-8 text, written by resources/make_help.py:
//
//   #PARCELIX-HELP 1
//   #TITLE <title of the help window>
//   #CONTENTS
//   <level>\t<context, 0 for a book>\t<title>          one line per contents entry, level from 1
//   #INDEX
//   <keyword>\t<context> <context> ...                  one line per keyword
//   #TOPIC <context>
//   #TITLE <topic title>
//   #KEYWORDS <keyword>; <keyword>; ...
//   <HTML body lines; a body line that starts with '#' is stored with one more '#'>
//   #END
//
// Blank lines between sections are ignored.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace platform {

struct HelpTopic {
  int context = 0;
  QString title;
  QStringList keywords;
  QString html;  // the topic's body
  QString text;  // the body as plain lower-case text, for searching
};

struct HelpContentsEntry {
  int level = 1;    // 1 is the outermost
  int context = 0;  // 0: a book (a heading that holds pages), else the topic it opens
  QString title;
};

struct HelpKeyword {
  QString keyword;
  QList<int> contexts;
};

class HelpFile {
 public:
  enum class Status { NotLoaded, Ok, Missing, Unreadable, Damaged };

  // A file larger than this is not a help file of ours; refusing it keeps memory bounded.
  static constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

  // Loads `path`, replacing whatever was loaded. On failure nothing stays loaded and
  // errorText() says why.
  Status load(const QString& path);
  // The same, from the file's bytes (`path` is only remembered).
  Status loadData(const QByteArray& data, const QString& path = QString());
  void clear();

  Status status() const { return status_; }
  bool isLoaded() const { return status_ == Status::Ok; }
  QString path() const { return path_; }
  QString errorText() const { return error_; }

  QString title() const { return title_; }
  const HelpTopic* topic(int context) const;
  QList<int> contexts() const { return topics_.keys(); }
  const QList<HelpContentsEntry>& contents() const { return contents_; }
  const QList<HelpKeyword>& index() const { return index_; }

  // The contents as an HTML page: books as headings, pages as links "topic:<context>".
  QString contentsHtml() const;

  // Keywords that contain `partial` (case-insensitive), those that begin with it first, each
  // group in index order. An empty `partial` gives the whole index.
  QList<HelpKeyword> keywordsMatching(const QString& partial) const;

  // Topics whose title or text hold every word of `words` (case-insensitive), the most
  // frequent first. No words: no topics.
  QList<int> search(const QString& words) const;

  // The plain text of an HTML fragment: tags dropped, common entities decoded, blanks folded.
  static QString plainText(const QString& html);

 private:
  Status fail(Status status, const QString& error);

  Status status_ = Status::NotLoaded;
  QString path_;
  QString error_;
  QString title_;
  QMap<int, HelpTopic> topics_;
  QList<HelpContentsEntry> contents_;
  QList<HelpKeyword> index_;
};

}  // namespace platform
