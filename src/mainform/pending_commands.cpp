// Commands, settings and engine events whose behaviour is still to be written. Each is wired
// to its menu item, button and event already and does nothing yet, so the window can be used
// safely while the commands arrive one by one; each moves to its own source when written.
#include "mainform/mainform.h"

// Archive file commands.
void TMainFormFm::FileNewMnClick(QObject*) {}
void TMainFormFm::FileOpenMnClick(QObject*) {}
void TMainFormFm::FileCloseMnClick(QObject*) {}
void TMainFormFm::CopyArchive1Click(QObject*) {}
void TMainFormFm::RenameArchive1Click(QObject*) {}
void TMainFormFm::FileDeleteMnClick(QObject*) {}
void TMainFormFm::BrowseArchives1Click(QObject*) {}
void TMainFormFm::FileDrag1Drop(TFileDrag&) {}

// Until the archive can be listed, naming it only makes it current: the title and the buttons
// follow, the list stays empty (as for an archive that cannot be read).
void TMainFormFm::OpenZipFile(const QString& FileName) {
  MainXz->ZipFileName = FileName;
  UpdateTitle();
  UpdateToolButtons();
}

// Entry commands.
void TMainFormFm::EditAddMnClick(QObject*) {}
void TMainFormFm::EditDeleteMnClick(QObject*) {}
void TMainFormFm::EditUpdateMnClick(QObject*) {}
void TMainFormFm::EditExtractMnClick(QObject*) {}
void TMainFormFm::SpdBtnViewClick(QObject*) {}
void TMainFormFm::FileTestMnClick(QObject*) {}
void TMainFormFm::FixNormal1Click(QObject*) {}
void TMainFormFm::FixAgressive1Click(QObject*) {}
void TMainFormFm::EditUpdateZIPDateMnClick(QObject*) {}
void TMainFormFm::MultidiskmodeMnClick(QObject*) {}

// Secondary windows.
void TMainFormFm::ArchiveInformation1Click(QObject*) {}
void TMainFormFm::AddComment1Click(QObject*) {}
void TMainFormFm::EditCreateGroupIcons1Click(QObject*) {}

// The contents list.
void TMainFormFm::SortbyPathClick(QObject*) {}
void TMainFormFm::ListViewDblClick() {}

// Settings and placement.
void TMainFormFm::Configuration1Click(QObject*) {}
void TMainFormFm::SaveSettingsNow1Click(QObject* Sender) { SaveSettings(Sender); }
void TMainFormFm::LoadSettings() {}
void TMainFormFm::SaveSettings(QObject*) {}
void TMainFormFm::RestorePlacement() {}
void TMainFormFm::SavePlacement() {}

// Engine events.
void TMainFormFm::MainXzAdding(TZipEngine&, const TZipFileStats&) {}
void TMainFormFm::MainXzDeleting(TZipEngine&, const QString&) {}
void TMainFormFm::MainXzExtracting(TZipEngine&, const TZipFileStats&) {}
void TMainFormFm::MainXzFixing(TZipEngine&, const QString&) {}
void TMainFormFm::MainXzListing(TZipEngine&, const TZipFileStats&) {}
void TMainFormFm::MainXzReplace(TZipEngine&, TZipReplace&) {}
void TMainFormFm::MainXzTesting(TZipEngine&, const TZipFileStats&) {}
void TMainFormFm::MainXzUpdating(TZipEngine&, const TZipFileStats&) {}
void TMainFormFm::MainXzSkippingFile(TZipEngine&, const TZipSkipping&) {}
void TMainFormFm::MainXzNewdisk(TZipEngine&, std::int32_t) {}
