// Commands and engine events whose behaviour is still to be written. Each is wired to its menu
// item, button and event already and does nothing yet, so the window can be used safely while
// the commands arrive one by one; each moves to its own source when written.
#include "mainform/mainform.h"

// Entry commands.
void TMainFormFm::FileTestMnClick(QObject*) {}
void TMainFormFm::FixNormal1Click(QObject*) {}
void TMainFormFm::FixAgressive1Click(QObject*) {}
void TMainFormFm::EditUpdateZIPDateMnClick(QObject*) {}
void TMainFormFm::MultidiskmodeMnClick(QObject*) {}

// Secondary windows.
void TMainFormFm::EditCreateGroupIcons1Click(QObject*) {}

// Settings.
void TMainFormFm::Configuration1Click(QObject*) {}

// Engine events.
void TMainFormFm::MainXzFixing(TZipEngine&, const QString&) {}
void TMainFormFm::MainXzTesting(TZipEngine&, const TZipFileStats&) {}
void TMainFormFm::MainXzSkippingFile(TZipEngine&, const TZipSkipping&) {}
void TMainFormFm::MainXzNewdisk(TZipEngine&, std::int32_t) {}

// The archive browser window does not exist yet; its command waits for it.
void TMainFormFm::BrowseArchives1Click(QObject*) {}
