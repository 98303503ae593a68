// The filter line above the list (Ctrl+F): typing hides the rows whose path does not contain the
// text; commands then act on the rows shown. Escape clears it and hides it.
#include <QAction>
#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "ui_mainform.h"

void TMainFormFm::BuildFilterLine() {
  FFilterLine = new QLineEdit(this);
  FFilterLine->setObjectName(QStringLiteral("FilterLine"));
  FFilterLine->setPlaceholderText(tr("Show only the entries whose path contains... (* and ? as wildcards)"));
  FFilterLine->setAccessibleName(tr("Filter"));
  FFilterLine->setClearButtonEnabled(true);
  FFilterLine->hide();
  auto* layout = qobject_cast<QBoxLayout*>(ui->ListView->parentWidget()->layout());
  if (layout) layout->insertWidget(layout->indexOf(ui->ListView), FFilterLine);
  connect(FFilterLine, &QLineEdit::textChanged, this, [this](const QString& Text) { FilterChanged(Text); });

  auto* close = new QAction(FFilterLine);
  close->setShortcut(QKeySequence(Qt::Key_Escape));
  close->setShortcutContext(Qt::WidgetShortcut);
  FFilterLine->addAction(close);
  connect(close, &QAction::triggered, this, [this] { CloseFilter(); });

  auto* open = new QAction(tr("Filter the List"), this);
  open->setObjectName(QStringLiteral("EditFilter1"));
  open->setShortcut(QKeySequence::Find);
  open->setShortcutContext(Qt::WindowShortcut);
  addAction(open);
  connect(open, &QAction::triggered, this, [this] { EditFilter1Click(); });
}

void TMainFormFm::EditFilter1Click() {
  FFilterLine->show();
  FFilterLine->setFocus();
  FFilterLine->selectAll();
}

void TMainFormFm::FilterChanged(const QString& Text) {
  ListModel->SetFilter(Text);
  ShowFilterCount();
}

void TMainFormFm::CloseFilter() {
  FFilterLine->clear();
  FFilterLine->hide();
  ui->ListView->setFocus();
  StatusPanel0->setText(TotalsText());
}

void TMainFormFm::ShowFilterCount() {
  if (ListModel->Filter().isEmpty()) {
    StatusPanel0->setText(TotalsText());
    return;
  }
  StatusPanel0->setText(tr("%1 of %2 entries shown.").arg(ListModel->rowCount()).arg(ListModel->TotalRows()));
}
