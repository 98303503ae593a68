// View > Name Encoding: the code page of names stored without the UTF-8 flag. Automatic lets the
// library find it from the names (the one it found is shown beside the item); a chosen one holds
// for every archive until Parcelix closes, and choosing reads the open archive again.
#include <QActionGroup>
#include <QMenu>

#include "mainform/mainform.h"
#include "ui_mainform.h"

namespace {

struct TCodePageItem {
  int CodePage;
  const char* Text;
};

// The code pages archivers of the common systems stored names in, by region.
const TCodePageItem kCodePages[] = {
    {437, QT_TRANSLATE_NOOP("TMainFormFm", "Western, DOS (437)")},
    {850, QT_TRANSLATE_NOOP("TMainFormFm", "Western European, DOS (850)")},
    {1252, QT_TRANSLATE_NOOP("TMainFormFm", "Western European, Windows (1252)")},
    {852, QT_TRANSLATE_NOOP("TMainFormFm", "Central European, DOS (852)")},
    {1250, QT_TRANSLATE_NOOP("TMainFormFm", "Central European, Windows (1250)")},
    {866, QT_TRANSLATE_NOOP("TMainFormFm", "Cyrillic, DOS (866)")},
    {1251, QT_TRANSLATE_NOOP("TMainFormFm", "Cyrillic, Windows (1251)")},
    {737, QT_TRANSLATE_NOOP("TMainFormFm", "Greek, DOS (737)")},
    {1253, QT_TRANSLATE_NOOP("TMainFormFm", "Greek, Windows (1253)")},
    {857, QT_TRANSLATE_NOOP("TMainFormFm", "Turkish, DOS (857)")},
    {862, QT_TRANSLATE_NOOP("TMainFormFm", "Hebrew, DOS (862)")},
    {1256, QT_TRANSLATE_NOOP("TMainFormFm", "Arabic, Windows (1256)")},
    {874, QT_TRANSLATE_NOOP("TMainFormFm", "Thai (874)")},
    {932, QT_TRANSLATE_NOOP("TMainFormFm", "Japanese, Shift JIS (932)")},
    {936, QT_TRANSLATE_NOOP("TMainFormFm", "Chinese Simplified, GBK (936)")},
    {950, QT_TRANSLATE_NOOP("TMainFormFm", "Chinese Traditional, Big5 (950)")},
    {949, QT_TRANSLATE_NOOP("TMainFormFm", "Korean (949)")},
};

}  // namespace

void TMainFormFm::BuildNameEncodingMenu() {
  FNameEncodingMenu = new QMenu(tr("Name &Encoding"), this);
  FNameEncodingMenu->setObjectName(QStringLiteral("NameEncoding1"));
  auto* group = new QActionGroup(FNameEncodingMenu);
  const auto addItem = [&](const QString& Text, int CodePage) {
    QAction* item = FNameEncodingMenu->addAction(Text);
    item->setCheckable(true);
    item->setData(CodePage);
    item->setStatusTip(tr("How names stored without a character set are read"));
    group->addAction(item);
    connect(item, &QAction::triggered, this, [this, CodePage] { NameEncodingClick(CodePage); });
    return item;
  };
  addItem(tr("&Automatic"), 0)->setChecked(true);
  FNameEncodingMenu->addSeparator();
  for (const TCodePageItem& item : kCodePages) addItem(tr(item.Text), item.CodePage);
  ui->View1->insertMenu(ui->MnStatusbar, FNameEncodingMenu);
  ui->View1->insertSeparator(ui->MnStatusbar);
}

void TMainFormFm::NameEncodingClick(int CodePage) {
  MainXz->NameCodePage = CodePage;
  if (!MainXz->ZipFileName.isEmpty()) ReadArchive();
  ShowNameEncoding();
}

void TMainFormFm::ShowNameEncoding() {
  if (!FNameEncodingMenu) return;
  const QList<QAction*> items = FNameEncodingMenu->actions();
  QString found;
  for (const TCodePageItem& item : kCodePages)
    if (item.CodePage == MainXz->NameCodePageRead) found = tr(item.Text);
  if (found.isEmpty() && MainXz->NameCodePageRead > 0) found = QString::number(MainXz->NameCodePageRead);
  for (QAction* item : items) {
    if (item->isSeparator()) continue;
    if (item->data().toInt() == 0)
      item->setText(found.isEmpty() || MainXz->NameCodePage != 0 ? tr("&Automatic")
                                                                 : tr("&Automatic: %1").arg(found));
    item->setChecked(item->data().toInt() == MainXz->NameCodePage);
  }
}
