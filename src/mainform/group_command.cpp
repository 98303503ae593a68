// "Create Group...": the archive's files extracted and offered as a program group.
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "windows/group.h"

void TMainFormFm::EditCreateGroupIcons1Click(QObject* /*Sender*/) {
  // Refused from inside an engine callback, like every command that calls the engine.
  if (BusyCount != 0 || !ArchiveOpen()) return;
  TFrmCreateGroup group(*this);
  group.exec();
}
