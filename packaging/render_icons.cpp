// Writes the program's icon as PNG files for the desktop's icon theme, drawn by the same code
// that draws the window icon:  render_icons FOLDER NAME SIZE...  writes FOLDER/SxS/apps/NAME.png.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>

#include "mainform/toolbar_images.h"

int main(int argc, char* argv[]) {
  // Runs during the build, where there may be no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QStringList args = QGuiApplication::arguments();
  if (args.size() < 4) {
    std::fprintf(stderr, "usage: render_icons FOLDER NAME SIZE...\n");
    return 2;
  }
  const QString folder = args[1], name = args[2];
  for (qsizetype i = 3; i < args.size(); ++i) {
    bool ok = false;
    const int size = args[i].toInt(&ok);
    if (!ok || size < 1 || size > 1024) {
      std::fprintf(stderr, "render_icons: not a size: %s\n", qPrintable(args[i]));
      return 2;
    }
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!QDir().mkpath(dir) || !ProgramPicture(size).toImage().save(file, "PNG")) {
      std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
