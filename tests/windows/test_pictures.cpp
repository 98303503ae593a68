// The drawn icons and pictures: drawn again at the screen's scale rather than stretched, and the
// dialogs' pictures in the colours of the palette they are shown on.
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "mainform/toolbar_images.h"
#include "settings/options_pictures.h"
#include "windows/browser_pictures.h"

namespace {

QPalette Palette(const QColor& window, const QColor& text) {
  QPalette palette(text, window, window.lighter(130), window.darker(130), window.darker(115), text, text,
                   window, window);
  palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
  return palette;
}

// The share of rows whose leftmost opaque pixel (the picture's outline, mostly; a few rows start
// with a material, as the magnifier's handle) stands out clearly from the window's lightness.
double ShareOfRowsStandingOut(const QImage& picture, const QColor& window) {
  const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  int rows = 0, standing = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (qAlpha(pixel) < 200) continue;
      ++rows;
      if (std::abs(qGray(pixel) - qGray(window.rgb())) >= 64) ++standing;
      break;
    }
  }
  return rows ? double(standing) / rows : 0.0;
}

}  // namespace

class TestPictures : public QObject {
  Q_OBJECT

 private slots:
  void IconsAreDrawnAtTheScreensScale_data() {
    QTest::addColumn<QIcon>("icon");
    QTest::addColumn<int>("size");
    for (int index = 0; index < 9; ++index) QTest::addRow("toolbar %d", index) << ToolbarIcon(index) << 32;
    QTest::newRow("program") << ProgramIcon() << 32;
    QTest::newRow("encrypted mark") << EncryptedMarkIcon() << 16;
    QTest::newRow("browse folder") << BrowseFolderIcon(QApplication::palette()) << 32;
    QTest::newRow("open archive") << OpenArchiveIcon(QApplication::palette()) << 32;
  }
  void IconsAreDrawnAtTheScreensScale() {
    QFETCH(QIcon, icon);
    QFETCH(int, size);
    for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
      for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled}) {
        const QPixmap pixmap = icon.pixmap(QSize(size, size), ratio, mode);
        QCOMPARE(pixmap.size(), QSize(size, size) * ratio);
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
      }
    }
  }

  // The toolbar's buttons are black and white until the mouse is over them, at any scale.
  void ToolbarIconsAreGreyUntilActive() {
    for (int index = 0; index < 9; ++index) {
      for (const qreal ratio : {1.0, 2.0}) {
        const auto saturated = [&](QIcon::Mode mode) {
          const QImage image = ToolbarIcon(index).pixmap(QSize(32, 32), ratio, mode).toImage();
          int count = 0;
          for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += QColor(image.pixel(x, y)).hsvSaturation() > 20;
          return count;
        };
        QCOMPARE(saturated(QIcon::Normal), 0);
        QVERIFY2(saturated(QIcon::Active) > 20, qPrintable(QString::number(index)));
      }
    }
  }

  // On a dark window as on a light one, the pictures' outlines stand out from the window.
  void DialogPicturesFollowThePalette_data() {
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << Palette(QColor(239, 239, 239), QColor(0, 0, 0));
    QTest::newRow("dark") << Palette(QColor(45, 45, 48), QColor(235, 235, 235));
  }
  void DialogPicturesFollowThePalette() {
    QFETCH(QPalette, palette);
    QLabel label;
    label.setPalette(palette);
    const QColor window = palette.color(QPalette::Window);
    const QList<std::pair<const char*, QImage>> pictures{
        {"settings", SettingsPicture(label, 40).toImage()},
        {"password", PasswordPicture(label, 40).toImage()},
        {"browse folder", BrowseFolderIcon(palette).pixmap(QSize(32, 32), 1.0).toImage()},
        {"open archive", OpenArchiveIcon(palette).pixmap(QSize(32, 32), 1.0).toImage()}};
    for (const auto& [name, picture] : pictures) {
      const double share = ShareOfRowsStandingOut(picture, window);
      QVERIFY2(share >= 0.75, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(name)).arg(share)));
    }
  }
};

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
