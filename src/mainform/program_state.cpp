#include "program_state.h"

int BusyCount = 0;
bool OpeningArchive = false;
bool ResultReported = false;
