// The configuration command: the dialog over the window's settings.
#include "mainform/mainform.h"

void TMainFormFm::Configuration1Click(QObject*) {}
