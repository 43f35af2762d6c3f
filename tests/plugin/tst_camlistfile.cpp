#include "plugin/camlistreader.h"

#include "livesystem.h"
#include "messagecapture.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using TestSupport::readFile;
using TestSupport::writeFile;

QByteArray camLines(int count, int firstType = 1)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i) {
        lines +=
            QStringLiteral("<Cam url=\"rtsp://127.0.0.1/%1\" lon=\"%2\" lat=\"55.75\" ang=\"%3\" "
                           "type=\"%4\" view_ang=\"40\" view_radius=\"150\">Cam %1</Cam>\n")
                .arg(i)
                .arg(37.5 + i * 1e-4, 0, 'f', 4)
                .arg(i % 360)
                .arg(firstType + i % 5)
                .toUtf8();
    }
    return lines;
}

// Every file and folder below `root`, with what the files hold.
QMap<QString, QByteArray> contents(const QString &root)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        found.insert(file.mid(root.size()), it.fileInfo().isDir() ? "<dir>" : readFile(file));
    }
    return found;
}

// Unix permission bits as Qt spells them.
QFileDevice::Permissions mode(int octal)
{
    return QFileDevice::Permissions(((octal & 0700) << 6) | ((octal & 070) << 1) | (octal & 07));
}

// The uid and gid of "nobody", for a writer that permission bits stop.
constexpr uid_t Nobody = 65534;

} // namespace

// Loading and saving camera lists through the plug-in, in a workstation host.
class TestCamListFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTripAndReadingRules();
    void numbersIconsAndText();
    void badInput_data();
    void badInput();
    void entryWarnings_data();
    void entryWarnings();
    void largeInput();
    void saveFailures_data();
    void saveFailures();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    bool load(const QString &file) { return m_plugin->loadVlcCamList(file); }
    bool loadText(const QByteArray &xml)
    {
        return writeFile(path(QStringLiteral("in.xml")), xml)
               && load(path(QStringLiteral("in.xml")));
    }
    CamGraphicsItem *cam(int i) const { return m_plugin->cameras().value(i); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LiveSystem> m_system;
    OstrelPlugin *m_plugin = nullptr;
};

void TestCamListFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_system = std::make_unique<LiveSystem>();
    m_plugin = m_system->plugin.get();
}

void TestCamListFile::cleanup()
{
    m_system.reset();
    // Undo what a test made read-only, so that the folder can go.
    QFile::setPermissions(path(QStringLiteral("cams")), mode(0700));
    m_dir.reset();
}

void TestCamListFile::roundTripAndReadingRules()
{
    // Entries anywhere below a root of any name, in document order; one
    // without a usable position is skipped; unknown attributes are dropped.
    // A document type without entities is no harm. First, on a plug-in that
    // has not yet read use_ffmpeg from a list: once read, it stays.
    QVERIFY(loadText("<!DOCTYPE Other><Other use_ffmpeg=\"true\"><!-- district --><District>"
                     "<Cam lon=\"30\" lat=\"60\" colour=\"red\">North</Cam>"
                     "<Group><Cam lon=\"abc\" lat=\"60\"/><Cam lat=\"1\"/>"
                     "<Cam lon=\"31\" lat=\"61\" axis_ts_url=\"10.0.0.1:80\" "
                     "image_url_template=\"ftp://h/d\" image_update_period=\"0\">Deep</Cam>"
                     "</Group></District></Other>"));
    QVERIFY(m_plugin->lastError().isEmpty());
    QCOMPARE(m_plugin->cameras().size(), 2);
    QCOMPARE(cam(1)->toolTip(), QStringLiteral("Deep"));
    QCOMPARE(cam(1)->overlayUrl(), QStringLiteral("10.0.0.1:80"));

    m_plugin->saveVlcCamList(path(QStringLiteral("out.xml")));
    const QByteArray out = readFile(path(QStringLiteral("out.xml")));
    QVERIFY(out.startsWith("<VarkaNetwork use_ffmpeg=\"true\">\n    <Cam "));
    QVERIFY(!out.contains("colour") && !out.contains("district") && !out.contains("axis_ts_url"));
    // A template with a period of 0 is written without the period.
    QVERIFY(out.contains("image_url_template=\"ftp://h/d\" rtsp_tcp=\"false\""));
    QVERIFY(!out.contains("image_update_period"));

    // Written as the plug-in writes: this text must come back byte for byte.
    const QByteArray saved =
        "<VarkaNetwork use_ffmpeg=\"true\">\n"
        "    <VlcOptions>--network-caching=300 &amp; more</VlcOptions>\n"
        "    <Cam url=\"rtsp://user:pw@127.0.0.1:8554/a?x=1&amp;y=2\" "
        "overlay_url=\"127.0.0.1:9000\" image_url_template=\"http://127.0.0.1/s/yyyy-MM-dd/\" "
        "image_update_period=\"15\" rtsp_tcp=\"true\" lon=\"37.617699\" lat=\"55.755825\" "
        "ang=\"123.5\" type=\"4\" view_ang=\"45\" view_radius=\"250\">Tverskaya &lt;north&gt; "
        "&quot;A&quot;</Cam>\n"
        "    <Cam rtsp_tcp=\"false\" lon=\"-0.125\" lat=\"-33.5\" ang=\"nan\" type=\"9\" "
        "view_ang=\"0\" view_radius=\"10\"/>\n"
        "    <Cam url=\"line&#10;break&#9;tab\" rtsp_tcp=\"false\" lon=\"180\" lat=\"90\" "
        "ang=\"-30\" type=\"2\" view_ang=\"360\" view_radius=\"1e+06\"> spaced name </Cam>\n"
        "</VarkaNetwork>\n";
    QVERIFY(loadText(saved));
    QCOMPARE(m_plugin->cameras().size(), 3);
    m_plugin->saveVlcCamList(path(QStringLiteral("out.xml")));
    QVERIFY(m_plugin->lastError().isEmpty());
    QCOMPARE(readFile(path(QStringLiteral("out.xml"))), saved);

    // What came back is what was meant, not the escaped text.
    QCOMPARE(cam(0)->toolTip(), QStringLiteral("Tverskaya <north> \"A\""));
    QCOMPARE(cam(2)->url(), QStringLiteral("line\nbreak\ttab"));
    QVERIFY(qIsNaN(cam(1)->angle()));

    // The sample list shipped with the sources loads, all types in it.
    QVERIFY(load(TestSupport::sourcePath(QStringLiteral("examples/cameras.xml"))));
    QCOMPARE(m_plugin->groups().keys(), QList<int>({1, 2, 3, 4, 5}));
}

// Numbers are written with 8 significant digits for positions and 6 for
// angles, and read back to the same text; a decimal comma reads as a point.
// An entry with only a big icon uses it for both, one with only a small
// icon has it turned; relative paths are read from the list's folder and
// saved as they were written, so that a list moved with its icons works.
void TestCamListFile::numbersIconsAndText()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("icons")));
    QPixmap big(40, 20);
    big.fill(Qt::red);
    QVERIFY(big.save(path(QStringLiteral("icons/big.png"))));

    MessageCapture capture;
    QVERIFY(loadText("<R><Cam lon=\"30.123456789\" lat=\"59.93861\" ang=\"12.3456789\" "
                     "view_ang=\"30\" view_radius=\"1234567\"/>"
                     "<Cam lon=\"1\" lat=\"2\" ang=\"0\" image_big=\"icons/big.png\"/>"
                     "<Cam lon=\"1\" lat=\"2\" image_big=\"icons/missing.png\"/>"
                     "<Cam lon=\"37,6\" lat=\" -55,75 \" ang=\"90\" image_small=\"icons/big.png\" "
                     "view_ang=\"30,5\" view_radius=\"1e3\"/></R>"));
    // Beyond a thousand kilometres a radius is not taken.
    QVERIFY(!cam(0)->viewArea());
    QCOMPARE(cam(1)->icon(0).size(), QSize(40, 20));
    QCOMPARE(cam(1)->icon(1).size(), QSize(40, 20));
    // An icon that does not load leaves the built-in one, with a warning.
    QCOMPARE(cam(2)->icon(0).size(), QSize(32, 32));
    QVERIFY(capture.contains(QStringLiteral("Error loading pixmaps")));
    QCOMPARE(cam(3)->pos(), QPointF(37.6f, -55.75f));
    QCOMPARE(cam(3)->viewAngle(), 30.5);
    QCOMPARE(cam(3)->icon(0).size(), QSize(32, 32));
    QCOMPARE(cam(3)->icon(1).size(), QSize(20, 40));

    const QString out = path(QStringLiteral("out.xml"));
    m_plugin->saveVlcCamList(out);
    const QByteArray text = readFile(out);
    QVERIFY(text.contains("lon=\"30.123457\" lat=\"59.93861\" ang=\"12.3457\""));
    QVERIFY(text.contains("image_big=\"icons/missing.png\""));
    QVERIFY(text.contains("lon=\"37.599998\" lat=\"-55.75\" ang=\"90\" type=\"1\" "
                          "view_ang=\"30.5\" view_radius=\"1000\" image_small=\"icons/big.png\""));
    QVERIFY(load(out));
    m_plugin->saveVlcCamList(out);
    QCOMPARE(readFile(out), text);

    // Characters XML cannot carry are left out rather than spoil the file; the
    // rest is written as UTF-8.
    QVERIFY(loadText("<R><Cam lon=\"1\" lat=\"2\"/></R>"));
    const QString name = QStringLiteral("Камера у моста");
    const QString camera = QString::fromUcs4(U"\U0001F4F7");
    cam(0)->setToolTip(name + QStringLiteral(" bell\x07 and ") + QChar(0xD800) + QChar(0xFFFE)
                       + camera);
    cam(0)->setUrl(QStringLiteral("rtsp://h/\x01x"));
    m_plugin->saveVlcCamList(out);
    QVERIFY(readFile(out).contains(name.toUtf8()));
    QVERIFY(!readFile(out).contains("\xef\xbf\xbe"));
    QVERIFY(load(out));
    QCOMPARE(cam(0)->toolTip(), name + QStringLiteral(" bell and ") + camera);
    QCOMPARE(cam(0)->url(), QStringLiteral("rtsp://h/x"));

    // A carriage return, and a name of white space only, come back as they
    // were, though a reader would take the one for a line end and the other
    // for indentation.
    QVERIFY(loadText("<R><VlcOptions><![CDATA[ \t]]></VlcOptions><Cam lon=\"1\" lat=\"2\">"
                     "a&#13;</Cam><Cam lon=\"1\" lat=\"2\"><![CDATA[ ]]></Cam></R>"));
    m_plugin->saveVlcCamList(out);
    QVERIFY(load(out));
    QCOMPARE(m_plugin->vlcOptions(), QStringLiteral(" \t"));
    QCOMPARE(cam(0)->toolTip(), QStringLiteral("a\r"));
    QCOMPARE(cam(1)->toolTip(), QStringLiteral(" "));
}

void TestCamListFile::largeInput()
{
    // Thousands of entries, one nested deeper than a recursive parser survives.
    const int depth = 200000;
    QByteArray xml = "<R>" + camLines(5000);
    for (int i = 0; i < depth; ++i)
        xml += "<d>";
    xml += "<Cam lon=\"5\" lat=\"6\">deepest</Cam>";
    for (int i = 0; i < depth; ++i)
        xml += "</d>";
    xml += "</R>";
    QVERIFY(loadText(xml));
    QCOMPARE(m_plugin->cameras().size(), 5001);
    QCOMPARE(m_plugin->cameras().last()->toolTip(), QStringLiteral("deepest"));
    QCOMPARE(m_plugin->groups().size(), 5);
    const QString out = path(QStringLiteral("out.xml"));
    m_plugin->saveVlcCamList(out);
    QVERIFY(load(out));
    QCOMPARE(m_plugin->cameras().size(), 5001);

    // Warnings are kept for the first thousand entries, the rest counted.
    QByteArray bad = "<R>";
    for (int i = 0; i < CamListReader::MaxWarnings + 500; ++i)
        bad += "<Cam lon=\"x\" lat=\"1\"/>";
    QVERIFY(loadText(bad + "</R>"));
    const QStringList warnings = m_plugin->loadWarnings();
    QCOMPARE(warnings.size(), CamListReader::MaxWarnings + 1);
    QCOMPARE(warnings.last(), QStringLiteral("500 more warnings"));

    // Sizes and counts that no camera network has are refused.
    CamListReader reader;
    QVERIFY(!reader.read(QByteArray(CamListReader::MaxFileSize + 1, ' ')));
    QVERIFY(!reader.errorString().isEmpty());
    QByteArray many = "<R>";
    for (int i = 0; i <= CamListReader::MaxCameras; ++i)
        many += "<Cam lon=\"1\" lat=\"2\"/>";
    QVERIFY(!reader.read(many + "</R>"));
    QVERIFY(reader.errorString().contains(QString::number(CamListReader::MaxCameras)));
    QVERIFY(reader.list().cameras.isEmpty());
    // The same bounds keep a save from writing what would not load.
    QVERIFY(CamListReader::refusal(CamListReader::MaxFileSize, CamListReader::MaxCameras).isNull());
    QVERIFY(!CamListReader::refusal(0, CamListReader::MaxCameras + 1).isNull());
}

void TestCamListFile::badInput_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("unclosed") << QByteArray("<R>\n  <Cam lon=\"1\" lat=\"2\">\n</R>")
                              << QStringLiteral("(row 3, column ");
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe<R>", 6) << QString();
    QTest::newRow("undeclared entity") << QByteArray("<R>&bomb;</R>") << QString();
    QTest::newRow("parameter entity")
        << QByteArray("<!DOCTYPE R [<!ENTITY % p \"<!ENTITY q 'x'>\"> %p;]><R/>")
        << QStringLiteral("Entity declarations");
    QByteArray laughs = "<!DOCTYPE R [<!ENTITY a0 \"lol\">";
    for (int i = 1; i <= 12; ++i)
        laughs += "<!ENTITY a" + QByteArray::number(i) + " \""
                  + ("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    QTest::newRow("billion laughs") << laughs + "]><R><Cam lon=\"1\" lat=\"2\">&a12;</Cam></R>"
                                    << QStringLiteral("Entity declarations");
    QTest::newRow("external entity")
        << QByteArray("<!DOCTYPE R [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><R>&x;</R>")
        << QStringLiteral("Entity declarations");
}

void TestCamListFile::badInput()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, message);
    QVERIFY(loadText("<R><Cam lon=\"1\" lat=\"2\"/></R>"));
    QVERIFY(!loadText(xml));
    QVERIFY2(m_plugin->lastError().startsWith(QStringLiteral("Error parsing file (row ")),
             qPrintable(m_plugin->lastError()));
    QVERIFY2(m_plugin->lastError().contains(message), qPrintable(m_plugin->lastError()));
    QCOMPARE(m_plugin->cameras().size(), 1);
}

// An entry the layer cannot show in full is reported with its row and why,
// in the debug log and to the host; the rest of the list loads.
void TestCamListFile::entryWarnings_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<QString>("warning"); // empty: none

    QTest::newRow("good") << QByteArray("<Cam lon=\"1\" lat=\"2\"/>") << true << QString();
    QTest::newRow("no lon") << QByteArray("<Cam lat=\"2\"/>") << false
                            << "Row 2: entry skipped, no \"lon\"";
    QTest::newRow("word") << QByteArray("<Cam lon=\"east\" lat=\"2\"/>") << false
                          << "Row 2: entry skipped, \"lon\" is not a number: \"east\"";
    QTest::newRow("NaN") << QByteArray("<Cam lon=\"1\" lat=\"nan\"/>") << false
                         << "Row 2: entry skipped, \"lat\" is not a number: \"nan\"";
    QTest::newRow("off the map") << QByteArray("<Cam lon=\"180.5\" lat=\"2\"/>") << false
                                 << "Row 2: entry skipped, \"lon\" is out of range: \"180.5\"";
    QTest::newRow("text shown whole") << "<Cam lon=\"" + QByteArray(40, 'x') + "\" lat=\"2\"/>"
                                      << false << "is not a number: \"" + QString(40, 'x') + '"';
    QTest::newRow("long text") << "<Cam lon=\"" + QByteArray(100000, '7') + "\" lat=\"2\"/>"
                               << false
                               << "is not a number: \"" + QString(40, '7') + QChar(0x2026) + '"';
    QTest::newRow("huge sector") << QByteArray(
        "<Cam lon=\"1\" lat=\"2\" view_ang=\"30\" view_radius=\"2e6\"/>")
                                 << true << "Row 2: view sector \"30\", \"2e6\" left out";
}

void TestCamListFile::entryWarnings()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, kept);
    QFETCH(QString, warning);
    MessageCapture capture;
    QVERIFY(loadText("<R>\n" + entry + "\n<Cam lon=\"3\" lat=\"4\"/></R>"));
    QVERIFY(m_plugin->lastError().isEmpty());
    QCOMPARE(m_plugin->cameras().size(), kept ? 2 : 1);
    const QStringList warnings = m_plugin->property("loadWarnings").toStringList();
    if (warning.isEmpty()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        return;
    }
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains(warning), qPrintable(warnings.first()));
    QVERIFY(warnings.first().size() < 200);
    QVERIFY(capture.contains(warnings.first()));

    // The next good load has nothing to report.
    QVERIFY(loadText("<R/>"));
    QVERIFY(m_plugin->loadWarnings().isEmpty());
}

// A save the disk refuses leaves the list, its backup and its folder as they
// were and the layer changed, and says why; where the disk lets it, the same
// save keeps the list it replaces as the backup, with the list's own
// permissions (a list with camera passwords may be kept from other users).
void TestCamListFile::saveFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("error"); // in lastError(); 0: any
    QTest::newRow("no such folder") << "nowhere" << 0;
    QTest::newRow("a folder in the way") << "folder" << 0;
    QTest::newRow("read-only folder") << "locked" << EACCES;
    // File size limits: the previous list is about 7 kB, the new one 35 kB.
    QTest::newRow("disk full before the backup") << "4096" << EFBIG;
    QTest::newRow("disk full after the backup") << "16384" << EFBIG;
}

void TestCamListFile::saveFailures()
{
    QFETCH(QString, fault);
    QFETCH(int, error);
    const QString folder = path(QStringLiteral("cams"));
    const QString list = folder + QStringLiteral("/list.xml");
    const QByteArray previous = "<VarkaNetwork>\n" + camLines(50) + "</VarkaNetwork>\n";
    QVERIFY(previous.size() > 4096 && previous.size() < 16384);
    QVERIFY(QDir().mkpath(folder) && writeFile(list, previous));
    QVERIFY(writeFile(list + QStringLiteral(".bak"), "<R/>"));
    QVERIFY(load(list));
    for (int i = 0; i < 250; ++i)
        m_plugin->createNewCamera(QPointF(30 + i * 0.01, 50));
    m_plugin->setChanged(true);

    QString target = list;
    if (fault == QLatin1String("nowhere"))
        target = folder + QStringLiteral("/nowhere/list.xml");
    if (fault == QLatin1String("folder")) {
        target = folder + QStringLiteral("/list.d");
        QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
        QVERIFY(writeFile(target + QStringLiteral(".bak"), "<R/>"));
    }
    // Only the folder is read-only, not the files in it. Permission bits do
    // not stop root, so root saves as "nobody".
    const bool locked = fault == QLatin1String("locked");
    const bool root = ::geteuid() == 0;
    if (locked) {
        for (const QString &file : {list, list + QStringLiteral(".bak")})
            QVERIFY(QFile::setPermissions(file, mode(0666)));
        QVERIFY(QFile::setPermissions(m_dir->path(), mode(0755)));
        QVERIFY(QFile::setPermissions(folder, mode(0555)));
        if (root && (::setegid(Nobody) != 0 || ::seteuid(Nobody) != 0))
            QSKIP("Running as root, and the save could not run as another user");
    }
    // A full disk, as a file size limit of this process while it saves.
    rlimit unlimited {};
    const int limit = fault.toInt();
    if (limit) {
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
        rlimit small = unlimited;
        small.rlim_cur = rlim_t(limit);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    }
    QMap<QString, QByteArray> expected = contents(folder);
    m_plugin->saveVlcCamList(target);
    const QString message = m_plugin->lastError();
    if (limit)
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &unlimited) == 0);
    if (locked && root)
        QVERIFY(::seteuid(0) == 0 && ::setegid(0) == 0);

    const QString opening = QStringLiteral("Error opening file: ");
    QVERIFY2(message.startsWith(opening) && message.size() > opening.size(), qPrintable(message));
    if (error)
        QCOMPARE(message, opening + qt_error_string(error));
    QVERIFY(m_plugin->isChanged());
    // A backup that could be completed is a whole copy of the previous list.
    if (limit > previous.size())
        expected.insert(QStringLiteral("/list.xml.bak"), previous);
    QCOMPARE(contents(folder), expected);

    QVERIFY(QFile::setPermissions(folder, mode(0700)));
    QVERIFY(QFile::setPermissions(list, mode(0600)));
    QVERIFY(QFile::setPermissions(list + QStringLiteral(".bak"), mode(0644)));
    m_plugin->saveVlcCamList(list);
    QVERIFY(m_plugin->lastError().isEmpty());
    QVERIFY(!m_plugin->isChanged());
    QCOMPARE(readFile(list).count("<Cam "), 300);
    QCOMPARE(readFile(list + QStringLiteral(".bak")), previous);
    for (const QString &file : {list, list + QStringLiteral(".bak")})
        QCOMPARE(QFile::permissions(file) & mode(0777), mode(0600));

    // Loading leaves the flag as it was.
    m_plugin->setChanged(true);
    QVERIFY(load(list));
    QVERIFY(m_plugin->isChanged());
}

QTEST_MAIN(TestCamListFile)
#include "tst_camlistfile.moc"
