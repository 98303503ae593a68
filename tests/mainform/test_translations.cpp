// The program's languages: under the German translation every window and dialog shows German
// texts (no English one left, each accelerator letter used once per menu and per dialog page);
// without a translation the English texts are exactly the bound ones; the German file keeps every
// placeholder, line break and accelerator of its source texts.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>
#include <functional>
#include <memory>

#include "common/test_environment.h"
#include "engine/zip_records.h"
#include "mainform/result_reporting.h"
#include "platform/help_file.h"
#include "platform/widgets/help_viewer.h"
#include "platform/widgets/qt_dialogs.h"
#include "platform/widgets/text_window.h"
#include "settings/options.h"
#include "support/translations.h"
#include "test_mainwindow_rig.h"
#include "windows/about.h"
#include "windows/browser.h"
#include "windows/group.h"
#include "windows/info.h"

namespace {

// Texts a German desktop shows as they are in English.
const QStringList kSameInGerman = {
    QStringLiteral("OK"),          QStringLiteral("Name"),    QStringLiteral("Index"),
    QStringLiteral("&Normal"),     QStringLiteral("Normal"),  QStringLiteral("Information"),
    QStringLiteral("Version 2.0"), QStringLiteral("AES-256"),
};

// Texts that are data rather than words: numbers, sizes, percentages, paths.
bool IsData(const QString& text) {
  static const QRegularExpression noWords(QStringLiteral("^[^A-Za-z]*$"));
  return noWords.match(text).hasMatch() || text.startsWith(u'/');
}

struct TShownText {
  QString Key;  // which object and which of its texts, the same for both languages
  QString Text;
};

// Every text of Window a user can see: captions, menus and their items, hints, labels, buttons,
// check boxes, group boxes, tabs, list items and column headers.
QList<TShownText> ShownTexts(QWidget& Window) {
  QList<TShownText> texts;
  auto add = [&texts](const QObject* object, int index, const char* what, const QString& text) {
    const QString name = object->objectName().isEmpty() ? QString::number(index) : object->objectName();
    texts.append({QStringLiteral("%1 %2 %3")
                      .arg(QLatin1String(object->metaObject()->className()), name, QLatin1String(what)),
                  text});
  };
  add(&Window, 0, "title", Window.windowTitle());
  QList<QWidget*> widgets = Window.findChildren<QWidget*>();
  for (int i = 0; i < widgets.size(); ++i) {
    QWidget* widget = widgets[i];
    add(widget, i, "toolTip", widget->toolTip());
    add(widget, i, "statusTip", widget->statusTip());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) add(widget, i, "text", button->text());
    if (auto* label = qobject_cast<QLabel*>(widget)) add(widget, i, "text", label->text());
    if (auto* group = qobject_cast<QGroupBox*>(widget)) add(widget, i, "title", group->title());
    if (auto* menu = qobject_cast<QMenu*>(widget)) add(widget, i, "title", menu->title());
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
      for (int tab = 0; tab < tabs->count(); ++tab) add(widget, i * 100 + tab, "tab", tabs->tabText(tab));
    if (auto* combo = qobject_cast<QComboBox*>(widget))
      for (int item = 0; item < combo->count(); ++item)
        add(widget, i * 100 + item, "item", combo->itemText(item));
    if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model())
      for (int section = 0; section < header->count(); ++section)
        add(widget, i * 100 + section, "header",
            header->model()->headerData(section, header->orientation()).toString());
  }
  const QList<QAction*> actions = Window.findChildren<QAction*>();
  for (int i = 0; i < actions.size(); ++i) {
    add(actions[i], i, "text", actions[i]->text());
    add(actions[i], i, "statusTip", actions[i]->statusTip());
  }
  return texts;
}

// The accelerator letter of a caption ("E&xit" gives 'x'), or a null character.
QChar Accelerator(const QString& text) {
  for (qsizetype at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size(); at = text.indexOf(u'&', at + 2))
    if (text[at + 1] != u'&') return text[at + 1].toLower();
  return QChar();
}

// Accelerator letters used twice, as "letter: first, second" lines.
void FindRepeated(const QList<std::pair<QChar, QString>>& used, const QString& where, QStringList& faults) {
  for (int i = 0; i < used.size(); ++i)
    for (int j = i + 1; j < used.size(); ++j)
      if (used[i].first == used[j].first)
        faults << QStringLiteral("%1: '%2' in \"%3\" and \"%4\"")
                      .arg(where, used[i].first, used[i].second, used[j].second);
}

// The accelerators of a dialog: those of each tab page together with those outside the pages
// (the buttons below them) are used once each.
void CheckDialogAccelerators(QWidget& Window, QStringList& faults) {
  QHash<QWidget*, QList<std::pair<QChar, QString>>> byPage;  // null: outside every page
  for (QWidget* widget : Window.findChildren<QWidget*>()) {
    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) caption = button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) caption = group->title();
    const QChar letter = Accelerator(caption);
    if (letter.isNull()) continue;
    QWidget* page = nullptr;
    for (QWidget* up = widget; up && up != &Window; up = up->parentWidget())
      if (qobject_cast<QStackedWidget*>(up->parentWidget()) &&
          qobject_cast<QTabWidget*>(up->parentWidget()->parentWidget()))
        page = up;
    byPage[page].append({letter, caption});
  }
  const auto outside = byPage.value(nullptr);
  if (byPage.size() == 1 || byPage.isEmpty()) FindRepeated(outside, Window.windowTitle(), faults);
  for (auto page = byPage.cbegin(); page != byPage.cend(); ++page)
    if (page.key()) FindRepeated(page.value() + outside, Window.windowTitle(), faults);
}

void CheckMenuAccelerators(QWidget& Window, QStringList& faults) {
  for (QMenu* menu : Window.findChildren<QMenu*>()) {
    QList<std::pair<QChar, QString>> used;
    for (QAction* action : menu->actions())
      if (!action->isSeparator() && !Accelerator(action->text()).isNull())
        used.append({Accelerator(action->text()), action->text()});
    FindRepeated(used, menu->title().isEmpty() ? menu->objectName() : menu->title(), faults);
  }
  for (QMenuBar* bar : Window.findChildren<QMenuBar*>()) {
    QList<std::pair<QChar, QString>> used;
    for (QAction* action : bar->actions()) used.append({Accelerator(action->text()), action->text()});
    FindRepeated(used, QStringLiteral("menu bar"), faults);
  }
}

// One of each of the program's windows and dialogs, built in the language installed when it is
// called, together with the main window that owns them.
struct TAllWindows {
  TWindowRig Rig;
  platform::HelpFile NoHelp;
  std::vector<std::unique_ptr<QWidget>> Windows;

  TAllWindows() {
    TMainFormFm& main = *Rig.Window;
    Windows.push_back(std::make_unique<TFrmConfiguration>(main));
    Windows.push_back(std::make_unique<TFrmAbout>());
    Windows.push_back(std::make_unique<TFrmArchiveInfo>(main.Engine(), false));
    Windows.push_back(std::make_unique<TFrmBrowse>(main));
    Windows.push_back(std::make_unique<TFrmCreateGroup>(main));
    Windows.push_back(
        std::make_unique<platform::TFolderChooser>(Rig.Dialogs, QString(), QStringLiteral("/")));
    Windows.push_back(std::make_unique<platform::HelpWindow>(NoHelp));
  }
  // The main window first, then the dialogs.
  QList<QWidget*> All() {
    QList<QWidget*> all{Rig.Window.get()};
    for (const auto& window : Windows) all.append(window.get());
    return all;
  }
};

void RemoveTranslations() {
  for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
}

const QLocale kGerman(QLocale::German, QLocale::Germany);

// A message text with its line breaks and accelerators written out, for failure messages.
struct TTsMessage {
  QString Context, Source, Translation, Type;
};

// The text of the element the reader is on; a <byte value="xd"/> inside stands for that character.
QString ReadTsText(QXmlStreamReader& reader) {
  QString text;
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isCharacters()) text += reader.text();
    if (reader.isStartElement() && reader.name() == QLatin1String("byte"))
      text += QChar(reader.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
    if (reader.isEndElement() && reader.name() != QLatin1String("byte")) break;
  }
  return text;
}

QList<TTsMessage> ReadTsFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
  QXmlStreamReader reader(&file);
  QList<TTsMessage> messages;
  QString context;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    if (reader.name() == QLatin1String("name")) context = reader.readElementText();
    if (reader.name() == QLatin1String("message")) messages.append({context, {}, {}, {}});
    if (reader.name() == QLatin1String("source")) messages.last().Source = ReadTsText(reader);
    if (reader.name() == QLatin1String("translation")) {
      messages.last().Type = reader.attributes().value(QLatin1String("type")).toString();
      messages.last().Translation = ReadTsText(reader);
    }
  }
  if (reader.hasError()) qFatal("%s: %s", qPrintable(path), qPrintable(reader.errorString()));
  return messages;
}

QStringList Placeholders(const QString& text) {
  static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
  QStringList found;
  for (const auto& match : placeholder.globalMatch(text)) found << match.captured();
  found.sort();
  found.removeDuplicates();
  return found;
}

// Accelerator marks: an "&" before a letter or digit ("&&" and "& " are the character itself).
int Accelerators(const QString& text) {
  static const QRegularExpression mark(QStringLiteral("(?<!&)&[\\p{L}\\p{N}]"));
  return int(QString(text).remove(QStringLiteral("&&")).count(mark));
}

}  // namespace

class TestTranslations : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { RemoveTranslations(); }

  // The English source texts need no translation: the C locale and English load none, German does.
  void onlyATranslatedLanguageLoadsOne() {
    QVERIFY(!InstallTranslations(*qApp, QLocale::c()));
    QVERIFY(!InstallTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)));
    QCOMPARE(QCoreApplication::translate("MainFormFm", "&File"), QStringLiteral("&File"));
    QVERIFY(InstallTranslations(*qApp, kGerman));
    QCOMPARE(QCoreApplication::translate("MainFormFm", "&File"), QStringLiteral("&Datei"));
  }

  // Without a translation the windows show the bound English texts, byte for byte.
  void englishTextsAreTheBoundOnes() {
    TAllWindows windows;
    QHash<QString, QString> shown;
    for (QWidget* window : windows.All())
      for (const TShownText& text : ShownTexts(*window)) shown.insert(text.Key, text.Text);
    const struct {
      const char* Key;
      const char* Text;
    } kBound[] = {
        {"TMainFormFm MainFormFm title", "Untitled - Parcelix for Windows 95"},
        {"QMenu FileMn title", "&File"},
        {"QMenu EditMn title", "&Edit"},
        {"QMenu View1 title", "&View"},
        {"QMenu OptionsMn title", "&Options"},
        {"QMenu HelpMn title", "&Help"},
        {"QMenu FileFixMn title", "&Fix Archive..."},
        {"QAction FileNewMn text", "&New Archive..."},
        {"QAction FileNewMn statusTip", "Create a new Archive file."},
        {"QAction RenameArchive1 statusTip", "Rename or move the Open Archive "},
        {"QAction FixAgressive1 text", "&Agressive"},
        {"QAction FileExitMn text", "E&xit"},
        {"QAction EditView1 text", "&View "},
        {"QAction EditCreateGroupIcons1 statusTip", "Create Windows Program Group & Icons"},
        {"QAction SaveSettingsonExit1 text", "&Save Settings on &Exit"},
        {"QAction ViewFile1 text", "&View File "},
        {"QToolButton SpdBtnNew text", "New ZIP"},
        {"QToolButton SpdBtnNew statusTip", "Create a new ZIP file"},
        {"TFrmConfiguration FrmConfiguration title", "Parcelix Configuration"},
        {"QCheckBox CkBxUseTemp text", "Use &Temp File during Add and Delete Options"},
        {"QCheckBox CkBxMoveFiles text", "Remove &Files "},
        {"QGroupBox RdGrpMouseAction toolTip",
         "Select Action for Parcelix to Perform when you Double Click on a File in an Archive"},
        {"TFrmAbout FrmAbout title", "About Parcelix"},
        {"TFrmArchiveInfo FrmArchiveInfo title", "Archive Information"},
        {"QLabel LbFileCaption text", "File:"},
        {"QLabel LbDate text", "Unavailable"},
        {"TFrmBrowse FrmBrowse title", "Parcelix Archive Browser"},
        {"TFrmCreateGroup FrmCreateGroup title", "Create Program Group"},
        {"platform::TFolderChooser 0 title", "Select Directory"},
    };
    for (const auto& bound : kBound) {
      QVERIFY2(shown.contains(QLatin1String(bound.Key)), bound.Key);
      QCOMPARE(shown.value(QLatin1String(bound.Key)), QString::fromUtf8(bound.Text));
    }
    QStringList headers;
    auto* model = windows.Rig.List()->model();
    for (int column = 0; column < model->columnCount(); ++column)
      headers << model->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"Name", "Date", "Time", "Size", "Packed", "Ratio", "Path"}));
    QStringList tabs;
    auto* pages = windows.Windows[0]->findChild<QTabWidget*>();
    for (int tab = 0; tab < pages->count(); ++tab) tabs << pages->tabText(tab);
    QCOMPARE(tabs, QStringList({"Options", "Add Options", "Extract Options", "Password", "Other"}));
  }

  // Under German no window keeps an English text (other than those a German desktop keeps too).
  void germanLeavesNoEnglishText() {
    QHash<QString, QString> english;
    {
      TAllWindows windows;
      for (QWidget* window : windows.All())
        for (const TShownText& text : ShownTexts(*window)) english.insert(text.Key, text.Text);
    }
    QVERIFY(InstallTranslations(*qApp, kGerman));
    TAllWindows windows;
    QStringList untranslated;
    int compared = 0;
    for (QWidget* window : windows.All())
      for (const TShownText& text : ShownTexts(*window)) {
        QVERIFY2(english.contains(text.Key), qPrintable(text.Key));
        const QString source = english.value(text.Key);
        if (source.isEmpty() || IsData(source) || kSameInGerman.contains(source)) continue;
        ++compared;
        if (text.Text == source) untranslated << text.Key + QStringLiteral(": ") + source;
      }
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(u'\n')));
    QVERIFY2(compared > 250, qPrintable(QString::number(compared)));  // the walk found the windows' texts
  }

  void germanAcceleratorsAreUnique() {
    QVERIFY(InstallTranslations(*qApp, kGerman));
    TAllWindows windows;
    QStringList faults;
    CheckMenuAccelerators(*windows.Rig.Window, faults);
    for (const auto& window : windows.Windows) CheckDialogAccelerators(*window, faults);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
  }

  // Prompts through the dialog layer and the result words are translated with their verb in place.
  void germanMessages_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("german");
    QTest::newRow("verb inside") << int(zrDiskFull) << "Error: Disk full while adding."
                                 << "Fehler: Beim Hinzufügen wurde der Datenträger voll.";
    QTest::newRow("verb quoted") << int(zrAborted) << "Information: The adding operation was aborted."
                                 << "Information: Der Vorgang „Hinzufügen“ wurde abgebrochen.";
    QTest::newRow("no verb") << int(zrArchiveNotFound) << "Error: Could not find the archive file."
                             << "Fehler: Die Archivdatei wurde nicht gefunden.";
    QTest::newRow("code without words")
        << 9999 << "Error: An error occured while adding the specified files."
        << "Fehler: Beim Hinzufügen ist bei den angegebenen Dateien ein Fehler aufgetreten.";
  }
  void germanMessages() {
    QFETCH(int, code);
    QFETCH(QString, english);
    QFETCH(QString, german);
    for (const QString& expected : {english, german}) {
      if (expected == german) QVERIFY(InstallTranslations(*qApp, kGerman));
      testing_support::TScriptedDialogs dialogs;
      ReportResult(code, TMainFormFm::tr("adding"), dialogs);
      QCOMPARE(dialogs.Messages(), QStringList{expected});
    }
  }

  void germanTextWindowCaptionsAndHelpFileFaults() {
    QVERIFY(InstallTranslations(*qApp, kGerman));
    QCOMPARE(platform::CaptionFor(platform::TMsgDlgType::mtConfirmation), QStringLiteral("Bestätigen"));
    platform::HelpFile damaged;
    QCOMPARE(damaged.loadData("no help here"), platform::HelpFile::Status::Damaged);
    QCOMPARE(damaged.errorText(), QStringLiteral("Zeile 1: dies ist keine Parcelix-Hilfedatei"));
    std::unique_ptr<platform::TTextWindow> text(new platform::TTextWindow(QStringLiteral("/nonexistent/x")));
    QVERIFY2(text->toPlainText().startsWith(QStringLiteral("„/nonexistent/x“ kann nicht gelesen werden: ")),
             qPrintable(text->toPlainText()));
  }

  // Each German text keeps its source's placeholders, line breaks, accelerator and outer spaces.
  void translationFileKeepsItsForm() {
    const QList<TTsMessage> messages =
        ReadTsFile(QStringLiteral(PARCELIX_TRANSLATIONS_DIR "/parcelix_de.ts"));
    QVERIFY(messages.size() > 300);
    QStringList faults;
    for (const TTsMessage& m : messages) {
      const QString where = m.Context + QStringLiteral(" \"") + m.Source + QStringLiteral("\": ");
      if (!m.Type.isEmpty() || m.Translation.isEmpty()) faults << where + QStringLiteral("not translated");
      if (Placeholders(m.Source) != Placeholders(m.Translation))
        faults << where + QStringLiteral("placeholders");
      for (QChar breakChar : {QChar(u'\n'), QChar(u'\r')})
        if (m.Source.count(breakChar) != m.Translation.count(breakChar))
          faults << where + QStringLiteral("line breaks");
      if (qMin(Accelerators(m.Source), 1) != Accelerators(m.Translation))
        faults << where + QStringLiteral("accelerator");
      if (m.Source.startsWith(u' ') != m.Translation.startsWith(u' ') ||
          m.Source.endsWith(u' ') != m.Translation.endsWith(u' '))
        faults << where + QStringLiteral("outer spaces");
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
  }
};

PARCELIX_GUI_TEST_MAIN(TestTranslations)
#include "test_translations.moc"
