#include "test_environment.h"

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <cstdlib>

namespace testing_support {

TTestEnvironment::TTestEnvironment() {
  const char* base = std::getenv("TMPDIR");
  QByteArray pattern = QByteArray(base && *base ? base : "/tmp") + "/parcelix-test-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  FRoot = QString::fromLocal8Bit(pattern);
  for (const QString& folder : {ConfigHome(), DataHome(), TempDir()}) QDir().mkpath(folder);

  qputenv("XDG_CONFIG_HOME", ConfigHome().toLocal8Bit());
  qputenv("XDG_DATA_HOME", DataHome().toLocal8Bit());
  qputenv("TMPDIR", TempDir().toLocal8Bit());
  qputenv("XDG_CACHE_HOME", (FRoot + "/cache").toLocal8Bit());  // service sockets without XDG_RUNTIME_DIR
  // Thousands separators, dates and times as the tests expect them.
  qputenv("LC_ALL", "en_US.UTF-8");
  qputenv("LANG", "en_US.UTF-8");
  qputenv("LANGUAGE", "en_US");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

TTestEnvironment::~TTestEnvironment() {
  if (!FRoot.isEmpty()) QDir(FRoot).removeRecursively();
}

}  // namespace testing_support
