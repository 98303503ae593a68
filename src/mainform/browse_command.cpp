// "Browse Archives...": one more archive browser window each time.
#include "mainform/mainform.h"

void TMainFormFm::BrowseArchives1Click(QObject*) {}
