// TPlacement: remembers where its owner window was. The owner saves the placement when it is
// destroyed and restores it when it is first shown; the text lives in section "Screens" of the
// settings file, under the key Entry.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class QWidget;

// The ten numbers of a stored placement, in their stored order.
struct TWindowPlacementRecord {
  std::int32_t Flags = 0;
  std::int32_t ShowCmd = 1;  // 1 normal, 2 minimised, 3 maximised
  std::int32_t MinX = -1, MinY = -1;
  std::int32_t MaxX = -1, MaxY = -1;
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // normal rectangle, frame included
};

inline constexpr int kPlacementTextLimit = 40;
inline constexpr int kPlacementShowNormal = 1;
inline constexpr int kPlacementShowMinimized = 2;
inline constexpr int kPlacementShowMaximized = 3;

// The ten fields joined by "," and cut to 40 characters.
QString FormatPlacement(const TWindowPlacementRecord& Record);
// The record a stored text describes, or nothing when it describes no usable window: an empty
// text, a field that is not a 32-bit decimal number, or a rectangle with no width or height.
// The text is cut to 40 characters first; an empty field reads as 0.
std::optional<TWindowPlacementRecord> ParsePlacement(const QString& Text);
// Rect unchanged when it meets one of Screens; otherwise moved onto Primary (and made to fit
// it), so a window saved on a monitor that is gone does not open out of reach.
QRect FitOntoScreens(const QRect& Rect, const QList<QRect>& Screens, const QRect& Primary);

class TPlacement : public QObject {
  Q_OBJECT

 public:
  // Owner is the window whose placement is kept; it destroys the component with itself. Entry
  // defaults to the owner's object name and IniFileName to "PARCELIX.INI".
  explicit TPlacement(QWidget* Owner);

  QString IniFileName;
  QString Entry;

  // Writes the owner's placement. False only when the settings file could not be written;
  // nothing to do (no file name, a window never shown) counts as done.
  virtual bool SavePlacement();
  // Puts the owner back where the stored text says; a missing or unusable text leaves it alone.
  virtual void RestorePlacement();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  QWidget* FOwner;
  bool FOwnerShown = false;  // a window never shown has no placement of its own to keep
};
