// The program-wide state shared by the main window's parts.
#pragma once

// Busy periods begun and not yet ended; 0 means idle, never negative.
extern int BusyCount;
// True only while a just-opened archive is being listed; result reporting stays silent then
// for codes that have no message of their own.
extern bool OpeningArchive;
// Set by ReportResult for every code of 1 or more; cleared only by callers.
extern bool ResultReported;
