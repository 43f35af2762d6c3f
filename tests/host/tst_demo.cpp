#include "peerprocess.h"
#include "testsupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

int countPixels(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &match)
{
    int count = 0;
    const QRect box = area & image.rect();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x)
            count += match(image.pixel(x, y));
    }
    return count;
}

} // namespace

// The demo as a new user runs it, headless: local camera, detectors and
// snapshot servers, the workstation on a list that points at them, and a
// picture of the result.
class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void screenshotShowsTheWholeSystem();
};

void TestDemo::screenshotShowsTheWholeSystem()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("demo.png"));
    PeerProcess demo;
    QVERIFY(demo.start(TestSupport::systemPython(),
                       {TestSupport::sourcePath(QStringLiteral("scripts/demo.py")),
                        QStringLiteral("--build"), QStringLiteral(OSTREL_BINARY_DIR),
                        QStringLiteral("--screenshot"), shot, QStringLiteral("--after"),
                        QStringLiteral("12")}));
    QVERIFY(demo.process().waitForFinished(90000));
    const QByteArray output = demo.output();
    QVERIFY2(demo.process().exitCode() == 0, output.constData());

    const QImage image = QImage(shot).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(1600, 900));

    // Left: the map with camera icons (the icons' blue) and their sectors.
    const QRect map(320, 30, 750, 820);
    const int iconPixels = countPixels(
        image, map, [](QRgb c) { return qBlue(c) > 150 && qRed(c) < 80 && qGreen(c) < 140; });
    QVERIFY2(iconPixels > 100, QByteArray::number(iconPixels));

    // Right: the docked player shows the camera's picture, not black, with
    // the traffic-stream detector's sensors drawn over it.
    const QRect player(1080, 40, 520, 850);
    const int picture = countPixels(image, player, [](QRgb c) {
        return qAbs(qRed(c) - 0x5a) < 12 && qAbs(qGreen(c) - 0x64) < 12
               && qAbs(qBlue(c) - 0x70) < 12;
    });
    QVERIFY2(picture > 20000, QByteArray::number(picture));
    const int green = countPixels(image, player, [](QRgb c) { return (c & 0xffffff) == 0x00ff00; });
    const int red = countPixels(image, player, [](QRgb c) { return (c & 0xffffff) == 0xff0000; });
    QVERIFY2(green + red > 200, QByteArray::number(green) + " " + QByteArray::number(red));
}

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
