// The dialogs open in the middle of the screen their owner is on.
#pragma once

class QWidget;

// Moves Window, frame included, to the centre of the available area of its screen.
void CentreOnScreen(QWidget& Window);
