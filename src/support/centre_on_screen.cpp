#include "support/centre_on_screen.h"

#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget& Window) {
  const QScreen* screen = Window.screen();
  if (!screen) return;
  QRect frame = Window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  Window.move(frame.topLeft());
}
