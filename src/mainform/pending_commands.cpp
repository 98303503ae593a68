// Commands and engine events whose behaviour is still to be written. Each is wired to its menu
// item, button and event already and does nothing yet, so the window can be used safely while
// the commands arrive one by one; each moves to its own source when written.
#include "mainform/mainform.h"

// Secondary windows.
void TMainFormFm::EditCreateGroupIcons1Click(QObject*) {}
