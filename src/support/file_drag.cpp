#include "support/file_drag.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

// The local files of the drop in the order given; other addresses (web links) are no files.
QStringList DroppedFileNames(const QMimeData& Data) {
  QStringList names;
  for (const QUrl& url : Data.urls()) {
    if (!url.isLocalFile()) continue;
    QString name = url.toLocalFile();
    // A folder may arrive as "/data/Old/"; its name is still "Old".
    while (name.size() > 1 && name.endsWith(u'/')) name.chop(1);
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

// The files of a drop that may be a copy; none for any other drop. Accepting a move would let
// the file manager delete the files before they have been added.
QStringList OfferedFiles(const QDropEvent& Event) {
  const QMimeData* data = Event.mimeData();
  if (!data || !(Event.possibleActions() & Qt::CopyAction) || !data->hasUrls()) return {};
  return DroppedFileNames(*data);
}

}  // namespace

TFileDrag::TFileDrag(QObject* Owner) : QObject(Owner) {
  if (Owner && Owner->isWidgetType()) {
    FOwnerWindow = static_cast<QWidget*>(Owner);
    FOwnerWindow->installEventFilter(this);
  }
  SetEnableDrop(false);
}

TFileDrag::~TFileDrag() {
  if (FOwnerWindow) FOwnerWindow->removeEventFilter(this);
  SetEnableDrop(false);
}

void TFileDrag::SetEnableDrop(bool Value) {
  FEnableDrop = Value;
  if (FOwnerWindow) FOwnerWindow->setAcceptDrops(Value);
}

bool TFileDrag::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched != FOwnerWindow) return QObject::eventFilter(Watched, Event);
  // Files dragged out of the owner itself would come straight back in as copies of themselves.
  if (Event->type() == QEvent::DragEnter || Event->type() == QEvent::DragMove ||
      Event->type() == QEvent::Drop) {
    const auto* source = qobject_cast<const QWidget*>(static_cast<QDropEvent*>(Event)->source());
    if (source && source->window() == FOwnerWindow) return QObject::eventFilter(Watched, Event);
  }
  switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      // Without these the drop never comes: the file manager must be told a copy is welcome.
      auto* drag = static_cast<QDragMoveEvent*>(Event);
      if (OfferedFiles(*drag).isEmpty()) break;
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(Event);
      const QStringList names = OfferedFiles(*drop);
      if (names.isEmpty()) break;
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // The drag ends when this returns; the handler runs afterwards, as the shell's
      // dropped-files message always did.
      QMetaObject::invokeMethod(
          this, [this, names] { HandleDrop(names); }, Qt::QueuedConnection);
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(Watched, Event);
}

void TFileDrag::HandleDrop(const QStringList& Names) {
  FPendingDrops.append(Names);
  // A drop that arrives while a handler runs (it lets the event loop run during long work) waits
  // for that handler to return, so handlers never nest and each sees the lists of its own drop.
  if (FRaising) return;
  FRaising = true;
  const QPointer<TFileDrag> alive(this);
  struct TRaisingEnd {
    const QPointer<TFileDrag>& Drag;
    ~TRaisingEnd() {
      if (!Drag) return;
      Drag->FRaising = false;
      Drag->FPendingDrops.clear();  // only left when a handler threw
    }
  } raisingEnd{alive};

  while (!FPendingDrops.isEmpty()) {
    const QStringList names = FPendingDrops.takeFirst();
    FNameWithPath.clear();
    FNameOnly.clear();
    FExtension.clear();
    FFileCount = static_cast<int>(names.size());
    for (const QString& name : names) {
      const QString nameOnly = name.mid(name.lastIndexOf(u'/') + 1);
      const qsizetype dot = nameOnly.indexOf(u'.');
      FNameWithPath.append(name);
      FNameOnly.append(nameOnly);
      FExtension.append(dot < 0 ? QString() : nameOnly.mid(dot + 1));
    }
    if (!OnDrop) continue;
    const TFileDragEvent handler = OnDrop;  // the handler may destroy the component
    handler(*this);
    if (!alive) return;
  }
}
