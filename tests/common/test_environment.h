// A private world for a GUI test: settings, data and temporary files under a fresh folder, a
// pinned locale and the offscreen platform. Create it before the application object.
#pragma once

#include <QString>

namespace testing_support {

class TTestEnvironment {
 public:
  TTestEnvironment();
  ~TTestEnvironment();
  TTestEnvironment(const TTestEnvironment&) = delete;
  TTestEnvironment& operator=(const TTestEnvironment&) = delete;

  // The fresh folder; XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and TMPDIR lie inside it.
  QString Root() const { return FRoot; }
  QString ConfigHome() const { return FRoot + "/config"; }
  QString DataHome() const { return FRoot + "/data"; }
  QString TempDir() const { return FRoot + "/tmp"; }

 private:
  QString FRoot;
};

}  // namespace testing_support

// main() for a QtTest suite that runs inside a TTestEnvironment: a GUI suite with a QApplication,
// one that needs no window with a QCoreApplication (it builds without Qt Widgets and runs in the
// sanitizer builds).
#define PARCELIX_TEST_MAIN_WITH(Application, TestObject) \
  int main(int argc, char** argv) {                      \
    testing_support::TTestEnvironment environment;       \
    Application application(argc, argv);                 \
    TestObject test;                                     \
    return QTest::qExec(&test, argc, argv);              \
  }
#define PARCELIX_GUI_TEST_MAIN(TestObject) PARCELIX_TEST_MAIN_WITH(QApplication, TestObject)
#define PARCELIX_CORE_TEST_MAIN(TestObject) PARCELIX_TEST_MAIN_WITH(QCoreApplication, TestObject)
