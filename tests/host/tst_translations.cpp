#include "plugin/ostrelplugin.h"

#include "workstationwindow.h"

#include <QMenuBar>
#include <QTest>
#include <QTranslator>

// The Russian catalogue beside the plug-in reaches the texts the classes
// really produce, so its contexts match the code's.
class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pluginAndDetectorTexts();

private:
    QTranslator m_translator;
};

void TestTranslations::initTestCase()
{
    QVERIFY(m_translator.load(QStringLiteral(OSTREL_BINARY_DIR "/lib/ostrel/ostrel_ru.qm")));
    QVERIFY(QCoreApplication::installTranslator(&m_translator));
}

void TestTranslations::pluginAndDetectorTexts()
{
    WorkstationWindow window;
    QCOMPARE(window.menuBar()->actions().constFirst()->text(), QStringLiteral("&Файл"));

    OstrelPlugin plugin;
    QVERIFY(!plugin.loadVlcCamList(QStringLiteral("/nonexistent/cameras.xml")));
    QVERIFY2(plugin.lastError().startsWith(QStringLiteral("Ошибка открытия файла: ")),
        qPrintable(plugin.lastError()));

    QCOMPARE(QCoreApplication::translate("AxisTrafficStreamOverlay", "Command answer timeot"),
        QStringLiteral("Нет ответа на команду"));
    QCOMPARE(QCoreApplication::translate("CitiLogOvelay", "Message size too big"),
        QStringLiteral("Слишком большое сообщение"));
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
