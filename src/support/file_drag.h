// TFileDrag: lets the window that owns it receive files dropped from the file manager. It watches
// the owner's events, takes every drop of local files, splits each name into three lists and
// raises OnDrop once per drop. All other events reach the owner unchanged.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QWidget;
class TFileDrag;

using TFileDragEvent = std::function<void(TFileDrag& Sender)>;

class TFileDrag : public QObject {
  Q_OBJECT

 public:
  // The owner destroys the component with itself. When the owner is a widget the component
  // watches its drops at once; construction also withdraws the owner's drop registration
  // (EnableDrop starts false), so an owner that registers itself does so afterwards. Any other
  // owner leaves the component inert.
  explicit TFileDrag(QObject* Owner);
  // Stops watching and withdraws the owner's drop registration.
  ~TFileDrag() override;

  // The last drop, one entry per file in the order the file manager gave them; entry i of each
  // list describes the same file. Copies, so a handler keeps its list while a later drop arrives.
  QStringList NameWithPath() const { return FNameWithPath; }  // full name
  QStringList NameOnly() const { return FNameOnly; }          // after the last "/"
  QStringList Extension() const { return FExtension; }        // after the first "." of NameOnly
  int FileCount() const { return FFileCount; }

  // Whether the component registers the owner as a drop target (setAcceptDrops). Drops reach
  // the component whenever the owner is registered, by whichever code registered it.
  bool EnableDrop() const { return FEnableDrop; }
  void SetEnableDrop(bool Value);

  // Raised once per drop, after the lists and FileCount are filled. It runs from the event loop
  // just after the drop has been accepted, not inside the drop itself, so a handler may show
  // dialogs and do long work without holding up the program the files were dragged from. A drop
  // made while a handler runs is raised after that handler returns, never inside it.
  TFileDragEvent OnDrop;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  QPointer<QWidget> FOwnerWindow;  // none when the owner is not a widget
  QStringList FNameWithPath;
  QStringList FNameOnly;
  QStringList FExtension;
  int FFileCount = 0;
  bool FEnableDrop = false;
  QList<QStringList> FPendingDrops;  // taken, not yet raised
  bool FRaising = false;             // OnDrop is running

  void HandleDrop(const QStringList& Names);
};
