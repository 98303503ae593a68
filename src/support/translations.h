// The user's language for the program's texts and for the texts of Qt's own dialogs and buttons.
#pragma once

#include <QLocale>

class QCoreApplication;

// The folder inside the program's resources that holds its compiled translations.
inline constexpr char kTranslationsResource[] = ":/i18n";

// Installs the translations of Locale's languages (the first of its UI languages that has one):
// Qt's standard "qtbase" file from Qt's translations folder, then the program's own
// "parcelix_<language>.qm" from its resources. Languages without a translation keep the English
// texts. The translators belong to Application. Returns whether the program's own was found.
bool InstallTranslations(QCoreApplication& Application, const QLocale& Locale = QLocale::system());
