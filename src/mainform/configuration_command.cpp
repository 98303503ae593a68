// The configuration command: the dialog over the window's settings.
#include "mainform/mainform.h"
#include "settings/options.h"

void TMainFormFm::Configuration1Click(QObject* /*Sender*/) {
  {
    TFrmConfiguration configuration(*this);
    configuration.exec();
  }
  // The engine's overwrite mode follows the setting however the dialog was closed.
  ApplyOverwriteSetting();
}
