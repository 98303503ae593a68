// The contents list as a drag source: the rows dragged out of it are handed over as files, which
// the window makes when the drag starts (Qt's own drag, so X11 and Wayland alike).
#pragma once

#include <QMimeData>
#include <functional>

#include "mainform/contents_model.h"

class TDraggedContentsModel : public TContentsModel {
 public:
  using TContentsModel::TContentsModel;

  // Makes the files of the dragged rows and names them; none, and so no drag, when they were not
  // made (an error reported, the password question cancelled, Abort).
  std::function<QMimeData*(const QModelIndexList& Indexes)> OnDragData;

  Qt::ItemFlags flags(const QModelIndex& Index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& Indexes) const override;
  Qt::DropActions supportedDragActions() const override;
};
