// The contents list filled by the real libraries from archives made by a peer: rows, column
// texts, totals, progress, order, selection.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "mainform/contents_sort.h"
#include "test_mainwindow_rig.h"

namespace {

const QString kSuffix = QStringLiteral(" - Parcelix for Windows 95");

QString Cell(TWindowRig& rig, int row, int column) {
  return rig.Model()->Text(row, column);
}

QStringList Column(TWindowRig& rig, int column) {
  QStringList texts;
  for (int row = 0; row < rig.Model()->rowCount(); ++row) texts << Cell(rig, row, column);
  return texts;
}

// What a listing shows while it runs, seen from inside the engine's events.
struct TListingProbe {
  QList<int> Maximums, Values;
  QString PanelAtFirstRow;
  void Attach(TWindowRig& rig) {
    auto* bar = rig.Find<QProgressBar>("ProgressBar2");
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    TZipFileStatsEvent listing = rig.Window->MainXz->OnListing;
    rig.Window->MainXz->OnListing = [=, this](TZipEngine& engine, const TZipFileStats& stats) {
      if (Maximums.isEmpty()) PanelAtFirstRow = panel->text();
      Maximums << bar->maximum();
      listing(engine, stats);
      Values << bar->value();
    };
  }
};

// Entries as the engine reports them: path, size, packed size, day and time, ratio, encryption.
TZipFileStats Entry(const QString& path, qint64 size = 0, TDateTime when = 44000.5, std::uint8_t ratio = 0,
                    bool encrypted = false) {
  TZipFileStats stats;
  stats.FileName = path;
  stats.Size = size;
  stats.CompressedSize = size / 2;
  stats.DateTime = when;
  stats.Ratio = ratio;
  stats.LibraryFlag = encrypted;
  return stats;
}

// A model filled as a listing fills it; a column beyond the last keeps the listing's order.
void Fill(TContentsModel& model, const QList<TZipFileStats>& entries, int column) {
  model.BeginListing(static_cast<int>(entries.size()));
  for (const TZipFileStats& entry : entries) model.AddRow(MakeContentsRow(entry), column);
  model.EndListing(column);
}

QStringList Paths(const TContentsModel& model) {
  QStringList paths;
  for (int row = 0; row < model.rowCount(); ++row) paths << model.Text(row, 6);
  return paths;
}

// The order the rows had before they were kept compactly: a stable sort of the rows as they
// stand, texts by UTF-16 code, figures as numbers.
QStringList ExpectedOrder(const TContentsModel& model, int column) {
  QList<TContentsRow> rows;
  for (int row = 0; row < model.rowCount(); ++row) rows << model.Row(row);
  std::stable_sort(rows.begin(), rows.end(), [column](const TContentsRow& a, const TContentsRow& b) {
    switch (column) {
      case 0:
        return a.Name().compare(b.Name()) < 0;
      case 6:
        return QStringView(a.Path).compare(QStringView(b.Path)) < 0;
      case 1:
        return a.DateKey < b.DateKey;
      case 2:
        return a.TimeKey < b.TimeKey;
      case 3:
        return a.Size < b.Size;
      case 4:
        return a.Packed < b.Packed;
      default:
        return a.Ratio < b.Ratio;
    }
  });
  QStringList paths;
  for (const TContentsRow& row : rows) paths << row.Path;
  return paths;
}

// Names that a compact form could cut or misplace: characters beyond U+FFFF, those of U+E000 to
// U+FFFF (which UTF-16 orders after them, UTF-8 before), every separator, empty names, a name
// longer than 65,535 bytes, the same name in several folders.
const QList<TZipFileStats> kAwkwardEntries = {
    Entry(QStringLiteral("dir/sub/file.txt"), 10, 44000.25, 50),
    Entry(QStringLiteral("C:\\win\\name.ini"), 5000000000LL, 0, 7, true),  // beyond 32 bits, no date
    Entry(QStringLiteral("drive:file"), 10, 80000.5),                      // beyond 2116
    Entry(QStringLiteral("folder/"), 0, 30000.0),
    Entry(QString::fromUtf8("\xF0\x9F\x98\x80/emoji \xF0\x9F\x98\x80.txt"), 3, 44000.75),
    Entry(QString::fromUtf8("\xEF\xBC\xA1wide.txt"), 3, 44000.75),  // U+FF21
    Entry(QString::fromUtf8("\xEE\x80\x80private"), 20, 44001.0),   // U+E000
    Entry(QString::fromUtf8("x/\xC3\xA9t\xC3\xA9.txt"), 20, 44001.0, 255),
    Entry(QStringLiteral("x/same"), 1, 44002.0),
    Entry(QStringLiteral("y/same"), 1, 44002.0),
    Entry(QStringLiteral("d/") + QString(70000, u'n'), 1, 44002.0),
    Entry(QString::fromUtf8("\xE2\x84\xAA.txt"), 2, 44002.0),  // the Kelvin sign
    Entry(QStringLiteral("plain"), 9, 44000.5),
};

}  // namespace

class TestContentsView : public QObject {
  Q_OBJECT

  QString FDir;

  QString Archive(const QString& name) { return FDir + "/" + name; }

 private slots:
  void init() {
    RemoveIni();
    FDir = QDir::tempPath() + "/contents";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
  }

  void openingAnArchiveShowsItsEntriesAndTotals() {
    const QString path = Archive("A.zip");
    QVERIFY(MakeZip(path, {{"DOCS/README.TXT", 1800, "2024,3,5,14,30,10", true},
                           {"alpha.txt", 9, "2023,1,2,3,4,6"},
                           {"Zeta.txt", 1000, "2022,12,31,23,59,58"}}));
    TWindowRig rig;
    rig.Window->show();
    TListingProbe probe;
    probe.Attach(rig);
    rig.Dialogs.OpenAnswers.push_back({path});
    rig.Action("FileOpenMn")->trigger();

    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("Open Archive"));
    QCOMPARE(rig.Window->windowTitle(), "A.zip" + kSuffix);
    QCOMPARE(rig.Model()->rowCount(), 3);
    // Sorted by name, case first: README.TXT, Zeta.txt, alpha.txt.
    QCOMPARE(Column(rig, 0), (QStringList{"README.TXT", "Zeta.txt", "alpha.txt"}));
    QCOMPARE(Cell(rig, 0, 6), QStringLiteral("DOCS/README.TXT"));
    QCOMPARE(Cell(rig, 0, 1), QStringLiteral("3/5/24"));
    QCOMPARE(Cell(rig, 0, 2), QStringLiteral("2:30:10 PM"));
    QCOMPARE(Cell(rig, 0, 3), QStringLiteral("1,800"));
    const int ratio = Cell(rig, 0, 5).toInt();
    QVERIFY2(ratio > 90 && ratio <= 100, qPrintable(Cell(rig, 0, 5)));
    QCOMPARE(Cell(rig, 1, 3), QStringLiteral("1,000"));
    QCOMPARE(rig.Model()->data(rig.Model()->index(0, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));

    // Three entries: the bar's maximum is the count and the rows do not move it.
    QCOMPARE(probe.Maximums, (QList<int>{3, 3, 3}));
    QCOMPARE(probe.Values, (QList<int>{0, 0, 0}));
    QVERIFY(probe.PanelAtFirstRow.isEmpty() || !probe.PanelAtFirstRow.startsWith("Reading"));
    auto* bar = rig.Find<QProgressBar>("ProgressBar2");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->maximum(), 100);

    const QString totals = QStringLiteral("3 Entries, %1 Bytes, %2 Bytes.")
                               .arg(QLocale().toString(qlonglong(2809)))
                               .arg(QLocale().toString(qlonglong(rig.Window->FTotalPacked)));
    QCOMPARE(rig.Window->FTotalSize, 2809);
    QCOMPARE(rig.Find<QLabel>("StatusPanel0")->text(), totals);
    QCOMPARE(rig.List()->statusTip(), totals);
    QCOMPARE(rig.Window->LastDirectory, FDir);
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), path);
    QVERIFY(rig.Find<QToolButton>("SpdBtnClose")->isEnabled());
  }

  void moreThanAHundredEntriesAreCountedByTheBar() {
    QList<TFixtureEntry> entries;
    for (int i = 0; i < 101; ++i) entries.append({QStringLiteral("e%1.txt").arg(i, 3, 10, QChar('0')), 5});
    const QString path = Archive("many.zip");
    QVERIFY(MakeZip(path, entries));
    TWindowRig rig;
    TListingProbe probe;
    probe.Attach(rig);
    rig.Window->OpenZipFile(path);
    QCOMPARE(probe.PanelAtFirstRow, QStringLiteral("Reading 101 items..."));
    QCOMPARE(probe.Maximums.size(), 101);
    QVERIFY(std::all_of(probe.Maximums.begin(), probe.Maximums.end(), [](int m) { return m == 101; }));
    QCOMPARE(probe.Values.first(), 1);
    QCOMPARE(probe.Values.last(), 101);
    QCOMPARE(rig.Find<QProgressBar>("ProgressBar2")->maximum(), 100);
    QCOMPARE(rig.Model()->rowCount(), 101);
    QVERIFY(rig.Find<QLabel>("StatusPanel0")->text().startsWith("101 Entries, 505 Bytes, "));
  }

  void everySortColumnOrdersTheRows_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("paths");  // expected order of column 6
    QTest::newRow("Name") << 0 << "SortbyName"
                          << QStringList{"dir/Alpha2.txt", "Zeta.txt", "alpha.txt", "dir/beta.txt",
                                         "same.txt"};
    QTest::newRow("Date") << 1 << "SortbyDate"
                          << QStringList{"Zeta.txt", "dir/beta.txt", "same.txt", "dir/Alpha2.txt",
                                         "alpha.txt"};
    QTest::newRow("Time") << 2 << "SortbyTime"
                          << QStringList{"Zeta.txt", "same.txt", "dir/beta.txt", "dir/Alpha2.txt",
                                         "alpha.txt"};
    QTest::newRow("Size") << 3 << "SortbySize"
                          << QStringList{"alpha.txt", "dir/beta.txt", "same.txt", "Zeta.txt",
                                         "dir/Alpha2.txt"};
    QTest::newRow("Packed") << 4 << "SortbyPackedSize" << QStringList{};
    QTest::newRow("Ratio") << 5 << "SortbyRatio" << QStringList{};
    QTest::newRow("Path") << 6 << "SortbyPath"
                          << QStringList{"Zeta.txt", "alpha.txt", "dir/Alpha2.txt", "dir/beta.txt",
                                         "same.txt"};
  }

  void everySortColumnOrdersTheRows() {
    QFETCH(int, column);
    QFETCH(QString, item);
    QFETCH(QStringList, paths);
    const QString path = Archive("sort.zip");
    QVERIFY(MakeZip(path, {{"Zeta.txt", 1000, "2021,5,5,10,0,0", true},
                           {"alpha.txt", 9, "2023,1,1,8,0,0"},
                           {"dir/beta.txt", 10, "2022,6,1,23,0,0"},
                           {"same.txt", 20, "2022,6,1,5,0,0"},
                           {"dir/Alpha2.txt", 5000, "2022,6,2,1,0,0", true}}));
    TWindowRig rig;
    rig.Window->show();
    rig.Window->OpenZipFile(path);
    QCOMPARE(rig.Model()->rowCount(), 5);

    // A click on the column's header.
    QHeaderView* header = rig.List()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(rig.Window->ActiveColumn, column);
    QVERIFY(rig.Action(qPrintable(item))->isChecked());
    const QStringList byHeader = Column(rig, 6);
    if (!paths.isEmpty()) QCOMPARE(byHeader, paths);
    for (int row = 1; row < 5 && column >= 3; ++row)
      QVERIFY2(NumericPart(Cell(rig, row - 1, column)).toLongLong() <=
                   NumericPart(Cell(rig, row, column)).toLongLong(),
               qPrintable(Column(rig, column).join(" ")));

    // The menu item, from another order, gives the same order; choosing it again keeps its mark.
    rig.Action(column == 6 ? "SortbyName" : "SortbyPath")->trigger();
    rig.Action(qPrintable(item))->trigger();
    rig.Action(qPrintable(item))->trigger();
    QVERIFY(rig.Action(qPrintable(item))->isChecked());
    QCOMPARE(rig.Window->ActiveColumn, column);
    if (!paths.isEmpty()) QCOMPARE(Column(rig, 6), paths);
  }

  void comparisonRules() {
    QCOMPARE(NumericPart(QStringLiteral(" \t1,000 \n")), QStringLiteral("1000"));
    QCOMPARE(NumericPart(QStringLiteral("abc")), QStringLiteral("0"));
    QCOMPARE(NumericPart(QStringLiteral("1.234")), QStringLiteral("1.234"));
    QCOMPARE(ReadWholeNumber(u"  42abc"), 42);
    QCOMPARE(ReadWholeNumber(u"x42"), 0);
    // With a full stop as thousands separator the whole value still counts.
    QCOMPARE(ReadSizeText(QStringLiteral("1.234.567"), u'.'), 1234567);
    QCOMPARE(ReadSizeText(QStringLiteral("1,000"), u','), 1000);
    QCOMPARE(ReadSizeText(QStringLiteral("5,000,000,000"), u','), 5000000000LL);  // beyond 32 bits
    const TSortKey zeta{u"Zeta.txt"}, alpha{u"alpha.txt"}, al{u"al"};
    QVERIFY(ListViewCompare(zeta, alpha, 0) < 0);
    QVERIFY(ListViewCompare(al, alpha, 6) < 0);
    QVERIFY(ListViewCompare(TSortKey{{}, 9}, TSortKey{{}, 10}, 3) < 0);
    QCOMPARE(ListViewCompare(TSortKey{{}, 7}, TSortKey{{}, 7}, 5), 0);
  }

  void selectionCommandsAndCollectedNames() {
    TWindowRig rig;
    rig.Window->show();
    rig.AddRows(7);
    rig.List()->selectionModel()->select(rig.Model()->index(5, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    rig.List()->selectionModel()->select(rig.Model()->index(2, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QStringList names{"kept"};
    rig.Window->CollectSelectedNames(rig.List(), names);
    QCOMPARE(names, (QStringList{"kept", "dir/file2.txt", "dir/file5.txt"}));

    rig.Action("DeselectAll2")->trigger();
    QStringList none;
    rig.Window->CollectSelectedNames(rig.List(), none);
    QVERIFY(none.isEmpty());
    QVERIFY(!rig.Find<QToolButton>("SpdBtnView")->isEnabled());
    rig.Action("SelectAll1")->trigger();
    QCOMPARE(rig.SelectedCount(), 7);
    QVERIFY(rig.Find<QToolButton>("SpdBtnView")->isEnabled());

    // Re-sorting keeps the selection on the same entries.
    rig.Action("DeselectAll1")->trigger();
    rig.Select(1);
    const QString selected = Cell(rig, 0, 6);
    rig.Action("SortbyPath")->trigger();
    QStringList after;
    rig.Window->CollectSelectedNames(rig.List(), after);
    QCOMPARE(after, QStringList{selected});
  }

  // Names a Russian system stored in code page 866 without the UTF-8 flag: found from the names,
  // shown beside Automatic; another code page chosen reads the archive again in it.
  void legacyNamesAreReadInTheirCodePage() {
    const QString path = Archive("ru.zip");
    const QString script = QStringLiteral(
        "import sys, zipfile\n"
        "names = ['\u041e\u0442\u0447\u0451\u0442.txt', '\u041f\u0438\u0441\u044c\u043c\u043e.doc',"
        " '\u0421\u0447\u0451\u0442-\u0444\u0430\u043a\u0442\u0443\u0440\u0430.xls']\n"
        "raws = [n.encode('cp866') for n in names]\n"
        "holders = [(b'%d' % k) * len(r) for k, r in enumerate(raws)]\n"
        "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
        "    for h in holders:\n"
        "        i = zipfile.ZipInfo(h.decode(), (2020, 1, 1, 0, 0, 0))\n"
        "        i.create_system = 0\n"
        "        z.writestr(i, 'x')\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "for h, r in zip(holders, raws): data = data.replace(h, r)\n"
        "open(sys.argv[1], 'wb').write(data)\n");
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
    QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);

    TWindowRig rig;
    rig.Window->OpenZipFile(path);
    const QStringList russian{QStringLiteral("Отчёт.txt"), QStringLiteral("Письмо.doc"),
                              QStringLiteral("Счёт-фактура.xls")};
    QCOMPARE(Column(rig, 0), russian);
    QMenu* menu = rig.Menu("NameEncoding1");
    QVERIFY(menu);
    const auto item = [menu](int codePage) {
      for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->data().toInt() == codePage) return action;
      return static_cast<QAction*>(nullptr);
    };
    QCOMPARE(item(0)->text(), QStringLiteral("&Automatic: Cyrillic, DOS (866)"));
    QVERIFY(item(0)->isChecked());

    item(437)->trigger();
    QCOMPARE(Column(rig, 0).first(), QStringLiteral("ÄΓτ±Γ.txt"));
    QVERIFY(item(437)->isChecked());
    QCOMPARE(item(0)->text(), QStringLiteral("&Automatic"));
    item(866)->trigger();
    QCOMPARE(Column(rig, 0), russian);
    item(0)->trigger();
    QCOMPARE(Column(rig, 0), russian);
    QVERIFY(rig.Dialogs.Messages().isEmpty());
  }

  // Ctrl+F shows the filter line; typing hides the rows whose path does not hold the text (any
  // case, "*" and "?" as wildcards), panel 0 counts them, commands see the rows shown, and
  // Escape clears and hides it.
  void theFilterShowsOnlyMatchingRows() {
    TWindowRig rig;
    rig.Window->show();
    rig.AddRows(12);
    auto* line = rig.Find<QLineEdit>("FilterLine");
    QVERIFY(!line->isVisible());
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    QTest::keyClick(rig.List(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(line->isVisible());
    QVERIFY(line->hasFocus());
    const QList<std::pair<QString, QStringList>> cases = {
        {"FILE1", {"file1.txt", "file10.txt", "file11.txt"}},
        {"file1?.txt", {"file10.txt", "file11.txt"}},
        {"dir/*3", {"file3.txt"}},
        {"nothing", {}},
    };
    for (const auto& [text, shown] : cases) {
      line->setText(text);
      QCOMPARE(Column(rig, 0), shown);
      QCOMPARE(rig.Find<QLabel>("StatusPanel0")->text(),
               QStringLiteral("%1 of 12 entries shown.").arg(shown.size()));
    }
    line->setText("file1");
    rig.Action("SelectAll1")->trigger();
    QStringList names;
    rig.Window->CollectSelectedNames(rig.List(), names);
    QCOMPARE(names, (QStringList{"dir/file1.txt", "dir/file10.txt", "dir/file11.txt"}));
    rig.Action("SortbyPath")->trigger();  // sorting keeps the filter
    QCOMPARE(rig.Model()->rowCount(), 3);
    QTest::keyClick(line, Qt::Key_Escape);
    QVERIFY(!line->isVisible());
    QCOMPARE(rig.Model()->rowCount(), 12);
    QVERIFY(rig.Find<QLabel>("StatusPanel0")->text().startsWith("12 Entries"));
  }

  // What goes in comes out: path, name, figures and every column's text, through the compact
  // form, whatever the name holds and however large the figures.
  void compactRowsKeepEveryNameAndFigure() {
    TContentsModel model;
    Fill(model, kAwkwardEntries, TContentsModel::kColumnCount);
    QCOMPARE(model.rowCount(), kAwkwardEntries.size());
    const QLocale locale;
    for (int row = 0; row < model.rowCount(); ++row) {
      const TContentsRow expected = MakeContentsRow(kAwkwardEntries[row]);
      const TContentsRow kept = model.Row(row);
      QCOMPARE(kept.Path, expected.Path);
      QCOMPARE(kept.NameStart, expected.NameStart);
      QCOMPARE(kept.DateKey, expected.DateKey);
      QCOMPARE(kept.TimeKey, expected.TimeKey);
      QCOMPARE(kept.Size, expected.Size);
      QCOMPARE(kept.Packed, expected.Packed);
      QCOMPARE(kept.Ratio, expected.Ratio);
      QCOMPARE(kept.Encrypted, expected.Encrypted);
      QCOMPARE(model.Text(row, 0), expected.Name().toString());
      QCOMPARE(model.Text(row, 1),
               locale.toString(QDate(1899, 12, 30).addDays(expected.DateKey), QLocale::ShortFormat));
      QCOMPARE(model.Text(row, 3), locale.toString(expected.Size));
      QCOMPARE(model.Text(row, 4), locale.toString(expected.Packed));
      QCOMPARE(model.Text(row, 5), QString::number(expected.Ratio));
      QCOMPARE(model.Text(row, 6), expected.Path);
      QCOMPARE(model.data(model.index(row, 0), Qt::ToolTipRole).isValid(), expected.Encrypted);
    }
  }

  // Each sort is stable over the order before it, in every column, and texts order by UTF-16
  // code as they did when rows held their own strings.
  void sortsAreStableAcrossColumns() {
    // Enough rows that large sorts take their own way, with many ties in every column.
    QList<TZipFileStats> entries = kAwkwardEntries;
    const QStringList starts = {QString(), QString::fromUtf8("\xEE\x80\x80"),
                                QString::fromUtf8("\xF0\x9F\x98\x80"), QString::fromUtf8("\xC3\xA9"),
                                QStringLiteral("longer shared beginning ")};
    for (int i = 0; i < 700; ++i)
      entries << Entry(
          QStringLiteral("d%1/%2n%3").arg(i % 7).arg(starts[i % starts.size()]).arg(i * 37 % 101),
          i % 13 * 1000000000LL, 44000 + i % 5 + (i % 3) / 10.0, static_cast<std::uint8_t>(i % 9));
    TContentsModel model;
    Fill(model, entries, TContentsModel::kColumnCount);
    for (const int column : {3, 0, 6, 1, 5, 2, 4, 0, 3, 6}) {
      const QStringList expected = ExpectedOrder(model, column);
      model.Sort(column);
      QCOMPARE(Paths(model), expected);
    }
  }

  // The filter picks from the rows in their current order, and a new order keeps it; non-ASCII
  // text and names fold case as Qt folds it.
  void theFilterFollowsEachNewOrder() {
    TContentsModel model;
    Fill(model, kAwkwardEntries, 0);
    const QStringList filters = {QStringLiteral("SAME"),
                                 QString::fromUtf8("\xC3\x89T\xC3\x89"),
                                 QString::fromUtf8("\xF0\x9F\x98\x80"),
                                 QStringLiteral("k"),
                                 QStringLiteral("\\"),
                                 QStringLiteral(":"),
                                 QStringLiteral("nnnn")};
    for (const QString& filter : filters) {
      for (const int column : {6, 3, 0}) {
        model.SetFilter(QString());
        model.Sort(column);
        QStringList expected;
        for (const QString& path : Paths(model))
          if (path.contains(filter, Qt::CaseInsensitive)) expected << path;
        model.SetFilter(filter);
        QCOMPARE(Paths(model), expected);
        model.Sort(column == 0 ? 3 : 0);  // a new order under the filter
        model.SetFilter(QString());
        QStringList again;
        for (const QString& path : Paths(model))
          if (path.contains(filter, Qt::CaseInsensitive)) again << path;
        model.SetFilter(filter);
        QCOMPARE(Paths(model), again);
        QCOMPARE(model.TotalRows(), kAwkwardEntries.size());
      }
    }
    model.SetFilter(QStringLiteral("*/same"));
    QCOMPARE(Paths(model), (QStringList{"x/same", "y/same"}));
  }

  void missingAndDamagedArchives() {
    TWindowRig rig;
    rig.Window->OpenZipFile(Archive("nowhere.zip"));
    QCOMPARE(rig.Window->windowTitle(), "nowhere.zip" + kSuffix);
    QCOMPARE(rig.Model()->rowCount(), 0);
    QVERIFY(rig.Dialogs.Messages().isEmpty());

    QFile bad(Archive("bad.zip"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4000, 'x'));
    bad.close();
    rig.Dialogs.OpenAnswers.push_back({bad.fileName()});
    rig.Action("FileOpenMn")->trigger();
    QCOMPARE(rig.Model()->rowCount(), 0);
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Error: The archive file is corrupted. Try using the Fix option on it."});
    QCOMPARE(rig.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("0 Entries, 0 Bytes, 0 Bytes."));
  }
};

PARCELIX_GUI_TEST_MAIN(TestContentsView)
#include "test_contents_view.moc"
