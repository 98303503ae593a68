// "Browse Archives...": one more archive browser window each time.
#include "mainform/mainform.h"
#include "windows/browser.h"

void TMainFormFm::BrowseArchives1Click(QObject*) {
  // Not waited for: the window lives on its own and is destroyed when it is closed.
  auto* browser = new TFrmBrowse(*this);
  browser->show();
}
