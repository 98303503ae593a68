#include "support/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

bool Install(QCoreApplication& application, const QLocale& locale, const QString& name,
             const QString& folder) {
  auto* translator = new QTranslator(&application);
  // The C locale keeps the English source texts, whatever LANGUAGE lists, as the C library does.
  if (locale.language() == QLocale::C || !translator->load(locale, name, QStringLiteral("_"), folder)) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace

bool InstallTranslations(QCoreApplication& Application, const QLocale& Locale) {
  Install(Application, Locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return Install(Application, Locale, QStringLiteral("parcelix"), QLatin1String(kTranslationsResource));
}
