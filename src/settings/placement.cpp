#include "settings/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "platform/profile.h"

namespace {

const QString kScreensSection = QStringLiteral("Screens");
const QString kDefaultIniFileName = QStringLiteral("PARCELIX.INI");
constexpr int kFieldCount = 10;
constexpr int kLastFieldWidth = 10;

// An empty field is 0; anything but an optionally signed decimal that fits 32 bits is refused.
bool ParseField(QStringView Text, std::int32_t& Value) {
  if (Text.isEmpty()) {
    Value = 0;
    return true;
  }
  for (qsizetype at = 0; at < Text.size(); ++at) {
    const QChar c = Text[at];
    const bool sign = at == 0 && (c == u'-' || c == u'+') && Text.size() > 1;
    if (!sign && (c < u'0' || c > u'9')) return false;
  }
  bool ok = false;
  const int number = Text.toInt(&ok, 10);
  if (!ok) return false;
  Value = number;
  return true;
}

QMargins FrameMargins(const QWidget& Owner) {
  const QRect client = Owner.geometry();
  const QRect frame = Owner.frameGeometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                  frame.bottom() - client.bottom());
}

}  // namespace

QString FormatPlacement(const TWindowPlacementRecord& Record) {
  const std::array<std::int32_t, kFieldCount> fields = {
      Record.Flags, Record.ShowCmd, Record.MinX, Record.MinY,  Record.MaxX,
      Record.MaxY,  Record.Left,    Record.Top,  Record.Right, Record.Bottom};
  QStringList parts;
  for (std::int32_t field : fields) parts << QString::number(field);
  return parts.join(u',').left(kPlacementTextLimit);
}

std::optional<TWindowPlacementRecord> ParsePlacement(const QString& Stored) {
  const QString text = Stored.left(kPlacementTextLimit);
  if (text.isEmpty()) return std::nullopt;

  std::array<std::int32_t, kFieldCount> fields{};
  qsizetype at = 0;
  for (int index = 0; index < kFieldCount - 1; ++index) {
    const qsizetype comma = text.indexOf(u',', at);
    // With no comma left the field is empty and the next one starts at the same place.
    QStringView field;
    if (comma >= 0) {
      field = QStringView(text).mid(at, comma - at);
      at = comma + 1;
    }
    if (!ParseField(field, fields[index])) return std::nullopt;
  }
  if (!ParseField(QStringView(text).mid(at, kLastFieldWidth), fields[kFieldCount - 1])) return std::nullopt;

  TWindowPlacementRecord record;
  record.Flags = fields[0];
  record.ShowCmd = fields[1];
  record.MinX = fields[2];
  record.MinY = fields[3];
  record.MaxX = fields[4];
  record.MaxY = fields[5];
  record.Left = fields[6];
  record.Top = fields[7];
  record.Right = fields[8];
  record.Bottom = fields[9];
  // A window needs both a width and a height; the numbers are compared in 64 bits so that no
  // extreme pair overflows into a "valid" rectangle.
  if (static_cast<std::int64_t>(record.Right) <= record.Left) return std::nullopt;
  if (static_cast<std::int64_t>(record.Bottom) <= record.Top) return std::nullopt;
  if (static_cast<std::int64_t>(record.Right) - record.Left > QWIDGETSIZE_MAX ||
      static_cast<std::int64_t>(record.Bottom) - record.Top > QWIDGETSIZE_MAX)
    return std::nullopt;
  return record;
}

QRect FitOntoScreens(const QRect& Rect, const QList<QRect>& Screens, const QRect& Primary) {
  for (const QRect& screen : Screens)
    if (screen.intersects(Rect)) return Rect;
  if (Primary.isEmpty()) return Rect;
  QRect fitted(Rect.topLeft(), Rect.size().boundedTo(Primary.size()));
  fitted.moveCenter(Primary.center());
  return fitted;
}

TPlacement::TPlacement(QWidget* Owner) : QObject(Owner), FOwner(Owner) {
  if (Entry.isEmpty() && Owner) Entry = Owner->objectName();
  if (IniFileName.isEmpty()) IniFileName = kDefaultIniFileName;
  if (Owner) Owner->installEventFilter(this);
}

bool TPlacement::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FOwner && Event->type() == QEvent::Show) FOwnerShown = true;
  return QObject::eventFilter(Watched, Event);
}

bool TPlacement::SavePlacement() {
  if (IniFileName.isEmpty() || !FOwner) return true;
  // A window that never reached the screen has no placement of its own to remember.
  if (!FOwnerShown) return true;

  TWindowPlacementRecord record;
  if (FOwner->isMaximized())
    record.ShowCmd = kPlacementShowMaximized;
  else if (FOwner->isMinimized())
    record.ShowCmd = kPlacementShowMinimized;
  else
    record.ShowCmd = kPlacementShowNormal;
  // The system's record holds the frame's rectangle, right and bottom just past the last pixel.
  const QRect normal = FOwner->normalGeometry().marginsAdded(FrameMargins(*FOwner));
  record.Left = normal.left();
  record.Top = normal.top();
  record.Right = normal.left() + normal.width();
  record.Bottom = normal.top() + normal.height();
  return platform::WritePrivateProfileString(kScreensSection, Entry, FormatPlacement(record), IniFileName);
}

void TPlacement::RestorePlacement() {
  if (IniFileName.isEmpty() || !FOwner) return;
  const auto record = ParsePlacement(platform::GetPrivateProfileString(
      kScreensSection, Entry, QString(), platform::kProfileBufferLength, IniFileName));
  if (!record) return;

  QRect frame(record->Left, record->Top, record->Right - record->Left, record->Bottom - record->Top);
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens << screen->geometry();
  const QScreen* primary = QGuiApplication::primaryScreen();
  frame = FitOntoScreens(frame, screens, primary ? primary->availableGeometry() : QRect());

  const QRect client = frame.marginsRemoved(FrameMargins(*FOwner));
  FOwner->setGeometry(client.isValid() ? client : frame);
  if (record->ShowCmd == kPlacementShowMaximized)
    FOwner->setWindowState((FOwner->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
  else if (record->ShowCmd == kPlacementShowMinimized)
    FOwner->setWindowState((FOwner->windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
}
