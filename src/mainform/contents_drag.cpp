#include "mainform/contents_drag.h"

Qt::ItemFlags TDraggedContentsModel::flags(const QModelIndex& Index) const {
  Qt::ItemFlags flags = TContentsModel::flags(Index);
  if (Index.isValid() && OnDragData) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList TDraggedContentsModel::mimeTypes() const {
  return {QStringLiteral("text/uri-list")};
}

QMimeData* TDraggedContentsModel::mimeData(const QModelIndexList& Indexes) const {
  return OnDragData && !Indexes.isEmpty() ? OnDragData(Indexes) : nullptr;
}

Qt::DropActions TDraggedContentsModel::supportedDragActions() const {
  // The entries stay in the archive: what is dragged out is a copy.
  return Qt::CopyAction;
}
