// Drops local files on a widget the way a file manager does: enter, move, drop, then lets the
// event loop run the drop target's OnDrop.
#pragma once

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

inline void Drop(QWidget& target, const QStringList& names) {
  QList<QUrl> urls;
  for (const QString& name : names) urls << QUrl::fromLocalFile(name);
  QMimeData data;
  data.setUrls(urls);
  const QPointF at(5, 5);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);
  QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &move);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &drop);
  QCoreApplication::processEvents();  // OnDrop runs from the event loop
}
