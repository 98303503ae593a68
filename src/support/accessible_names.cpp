#include "support/accessible_names.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QWidget>

namespace {

// What this module set last, so a later run knows the name is its own to follow.
constexpr char kNameSet[] = "parcelixAccessibleName";
constexpr char kDescriptionSet[] = "parcelixAccessibleDescription";

// A caption as it is spoken: without its accelerator mark ("&&" is an ampersand), rich text as
// plain text, on one line.
QString Spoken(const QString& caption, bool rich = false) {
  const QString plain = rich ? QTextDocumentFragment::fromHtml(caption).toPlainText() : caption;
  QString text;
  text.reserve(plain.size());
  for (qsizetype at = 0; at < plain.size(); ++at) {
    if (plain[at] == u'&') {
      if (at + 1 < plain.size() && plain[at + 1] == u'&') text += plain[++at];
      continue;
    }
    text += plain[at];
  }
  return text.simplified();
}

// A hint as it is spoken: plain text on one line.
QString Plain(const QString& hint) {
  return (Qt::mightBeRichText(hint) ? QTextDocumentFragment::fromHtml(hint).toPlainText() : hint)
      .simplified();
}

QString LabelText(const QLabel& label) {
  const bool rich = label.textFormat() == Qt::RichText ||
                    (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
  return Spoken(label.text(), rich);
}

// The control a part belongs to: the combo or spin box of its edit or list, the scrolled area of
// a scroll bar, the edit of a button inside it (such as its clear button). Null for a control of
// its own.
const QWidget* OwningControl(const QWidget& control) {
  for (const QWidget* up = control.parentWidget(); up; up = up->parentWidget()) {
    if (qobject_cast<const QComboBox*>(up) || qobject_cast<const QAbstractSpinBox*>(up)) return up;
    if (qobject_cast<const QScrollBar*>(&control) && qobject_cast<const QAbstractScrollArea*>(up)) return up;
    if (qobject_cast<const QAbstractButton*>(&control) && qobject_cast<const QLineEdit*>(up)) return up;
    if (up->isWindow()) break;
  }
  // A combo box's list lives in a popup window of its own, whose parent is the combo box.
  for (const QWidget* up = &control; up; up = up->parentWidget())
    if (up->isWindow()) {
      if (auto* combo = qobject_cast<const QComboBox*>(up->parentWidget())) return combo;
      break;
    }
  return nullptr;
}

bool IsControl(const QWidget& widget) {
  if (qobject_cast<const QHeaderView*>(&widget)) return false;  // its sections speak for themselves
  if (auto* group = qobject_cast<const QGroupBox*>(&widget)) return group->isCheckable();
  return qobject_cast<const QAbstractButton*>(&widget) || qobject_cast<const QLineEdit*>(&widget) ||
         qobject_cast<const QComboBox*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget) ||
         qobject_cast<const QAbstractSlider*>(&widget) || qobject_cast<const QTextEdit*>(&widget) ||
         qobject_cast<const QPlainTextEdit*>(&widget) || qobject_cast<const QAbstractItemView*>(&widget);
}

// Finds the item that holds control inside layout, nested layouts included; path gets each
// layout on the way with the index of the item taken in it, innermost last.
bool FindInLayout(QLayout* layout, const QWidget& control, QList<std::pair<QLayout*, int>>& path) {
  for (int index = 0; index < layout->count(); ++index) {
    QLayoutItem* item = layout->itemAt(index);
    path.append({layout, index});
    if (item->widget() == &control) return true;
    if (item->layout() && FindInLayout(item->layout(), control, path)) return true;
    path.removeLast();
  }
  return false;
}

// The label that captions control: its buddy, or the label left of it in the same row of a form
// or grid (where the control may stand in a box of its own).
const QLabel* CaptionLabel(const QWidget& control) {
  const QWidget* window = control.window();
  for (const QLabel* label : window->findChildren<QLabel*>())
    if (label->buddy() == &control && !LabelText(*label).isEmpty()) return label;
  const QWidget* parent = control.parentWidget();
  QList<std::pair<QLayout*, int>> path;
  if (!parent || !parent->layout() || !FindInLayout(parent->layout(), control, path)) return nullptr;
  for (auto step = path.crbegin(); step != path.crend(); ++step) {
    QLayoutItem* left = nullptr;
    if (auto* form = qobject_cast<QFormLayout*>(step->first)) {
      int row = 0;
      QFormLayout::ItemRole role{};
      form->getItemPosition(step->second, &row, &role);
      if (role == QFormLayout::FieldRole) left = form->itemAt(row, QFormLayout::LabelRole);
    } else if (auto* grid = qobject_cast<QGridLayout*>(step->first)) {
      int row = 0, column = 0, rows = 0, columns = 0;
      grid->getItemPosition(step->second, &row, &column, &rows, &columns);
      if (column > 0) left = grid->itemAtPosition(row, column - 1);
    }
    if (auto* label = left ? qobject_cast<const QLabel*>(left->widget()) : nullptr;
        label && !LabelText(*label).isEmpty())
      return label;
    if (!qobject_cast<QBoxLayout*>(step->first)) break;  // only a box inside a cell is looked through
  }
  return nullptr;
}

QString GroupTitle(const QWidget& control) {
  for (const QWidget* up = control.parentWidget(); up && !up->isWindow(); up = up->parentWidget())
    if (auto* group = qobject_cast<const QGroupBox*>(up)) return Spoken(group->title());
  return QString();
}

QString NameOf(const QWidget& widget) {
  const QString set = widget.accessibleName();
  return set.isEmpty() ? DerivedAccessibleName(widget) : set;
}

// Sets what is derived where the widget's own value is empty or was set here before.
void Follow(QWidget& widget, const char* mark, const QString& current, const QString& derived,
            void (QWidget::*setter)(const QString&)) {
  const QVariant previous = widget.property(mark);
  if (!current.isEmpty() && (!previous.isValid() || previous.toString() != current)) return;
  if (current != derived) (widget.*setter)(derived);
  widget.setProperty(mark, derived);
}

void NameControl(QWidget& widget) {
  if (!IsControl(widget)) return;
  Follow(widget, kNameSet, widget.accessibleName(), DerivedAccessibleName(widget),
         &QWidget::setAccessibleName);
  Follow(widget, kDescriptionSet, widget.accessibleDescription(), DerivedAccessibleDescription(widget),
         &QWidget::setAccessibleDescription);
}

class TAccessibleNamer : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::LanguageChange && type != QEvent::FocusIn) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    if (type == QEvent::FocusIn) {
      NameControl(*widget);
    } else if (widget->isWindow()) {
      // Now for what the window shows already, and again once it has handled the event, which is
      // when a window takes its new texts or fills in what it shows.
      if (type == QEvent::Show) NameControls(*widget);
      QMetaObject::invokeMethod(
          this,
          [window = QPointer<QWidget>(widget)] {
            if (window) NameControls(*window);
          },
          Qt::QueuedConnection);
    }
    return false;
  }
};

}  // namespace

QString DerivedAccessibleName(const QWidget& Control) {
  if (auto* button = qobject_cast<const QAbstractButton*>(&Control);
      button && !Spoken(button->text()).isEmpty())
    return Spoken(button->text());
  if (auto* group = qobject_cast<const QGroupBox*>(&Control); group && !Spoken(group->title()).isEmpty())
    return Spoken(group->title());
  if (const QWidget* owner = OwningControl(Control)) return NameOf(*owner);
  if (const QLabel* label = CaptionLabel(Control)) return LabelText(*label);
  for (const QString& text : {GroupTitle(Control), Plain(Control.toolTip())})
    if (!text.isEmpty()) return text;
  const bool view = qobject_cast<const QAbstractItemView*>(&Control) ||
                    qobject_cast<const QTextEdit*>(&Control) || qobject_cast<const QPlainTextEdit*>(&Control);
  // The hint of a list or text area tells what it holds now, not what it is.
  if (!view && !Plain(Control.statusTip()).isEmpty()) return Plain(Control.statusTip());
  if (auto* edit = qobject_cast<const QLineEdit*>(&Control);
      edit && !Plain(edit->placeholderText()).isEmpty())
    return Plain(edit->placeholderText());
  if (view) return Spoken(Control.window()->windowTitle());
  return QString();
}

QString DerivedAccessibleDescription(const QWidget& Control) {
  QString hint;
  for (const QString& text : {Control.toolTip(), Control.statusTip(), Control.whatsThis()})
    if (hint.isEmpty()) hint = Plain(text);
  return hint == NameOf(Control) ? QString() : hint;
}

void NameControls(QWidget& Window) {
  // A combo box makes its list when first asked for it, which a screen reader does; make it now,
  // so the list is named with the rest.
  for (QComboBox* combo : Window.findChildren<QComboBox*>()) combo->view();
  NameControl(Window);
  for (QWidget* widget : Window.findChildren<QWidget*>()) NameControl(*widget);
}

void InstallAccessibleNames(QApplication& Application) {
  Application.installEventFilter(new TAccessibleNamer(&Application));
}
