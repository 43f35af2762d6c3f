#include "plugin/ostrelplugin.h"

#include "testsupport.h"
#include "workstationwindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The uid and gid of "nobody", for a writer that permission bits can stop.
constexpr uid_t Nobody = 65534;

QByteArray camList(int count, const QByteArray &name)
{
    QByteArray xml = "<VarkaNetwork>\n";
    for (int i = 0; i < count; ++i) {
        xml += "    <Cam url=\"rtsp://127.0.0.1/" + QByteArray::number(i) + "\" lon=\"37."
               + QByteArray::number(1000 + i) + "\" lat=\"55.75\" type=\"1\">" + name + ' '
               + QByteArray::number(i) + "</Cam>\n";
    }
    return xml + "</VarkaNetwork>\n";
}

/*
 * Saves in a child process, so that a file size limit or another user
 * applies to the save alone and never to the test. `prepare` runs in the
 * child first and returns false when it cannot set up what it should.
 * Gives lastError as the child left it, a null string when the child could
 * not prepare, and what became of it when it hung or died.
 */
QString saveInChild(OstrelPlugin *plugin, const QString &file, const std::function<bool()> &prepare)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QString();
    const pid_t child = ::fork();
    if (child < 0)
        return QString();
    if (child == 0) {
        ::close(channel[0]);
        QByteArray answer("\0", 1);
        if (prepare()) {
            plugin->saveVlcCamList(file);
            answer = plugin->lastError().toUtf8() + '\n';
        }
        const ssize_t written = ::write(channel[1], answer.constData(), size_t(answer.size()));
        ::_exit(written == answer.size() ? 0 : 1);
    }

    ::close(channel[1]);
    QByteArray answer;
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 10000) {
        pollfd readable {channel[0], POLLIN, 0};
        if (::poll(&readable, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.append(buffer, int(n));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (elapsed.elapsed() > 10000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return QStringLiteral("the saving child hung");
        }
        QThread::msleep(10);
    }
    if (answer == QByteArray(1, '\0'))
        return QString();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !answer.endsWith('\n'))
        return QStringLiteral("the saving child died, wait status %1").arg(status);
    answer.chop(1);
    return QString::fromUtf8(answer);
}

} // namespace

// Saving the camera list where the disk says no: the list on disk and its
// backup stay as they were, no temporary file is left behind, and
// lastError says why. Each case starts from a saved list with a backup of
// an older one beside it.
class TestCamListFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readOnlyDirectory();
    void pathIsADirectory();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void backupKeepsTheListsPermissions();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // The list and the backup on disk, and a bigger list in the layer.
    void prepareFiles(const QString &directory);
    void verifyUntouched(const QString &directory) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WorkstationWindow> m_window;
    std::unique_ptr<OstrelPlugin> m_plugin;
    QByteArray m_list;
    QByteArray m_backup;
};

void TestCamListFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<WorkstationWindow>();
    m_plugin = std::make_unique<OstrelPlugin>();
    m_list = camList(50, "previous");
    m_backup = camList(5, "older");
}

void TestCamListFaults::cleanup()
{
    m_plugin.reset();
    m_window.reset();
    // Undo what a test made read-only, so that the directory can go.
    QFile::setPermissions(path(QStringLiteral("locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_dir.reset();
}

void TestCamListFaults::prepareFiles(const QString &directory)
{
    QVERIFY(QDir().mkpath(directory));
    const QString list = directory + QStringLiteral("/cameras.xml");
    QVERIFY(TestSupport::writeFile(list, m_list));
    QVERIFY(TestSupport::writeFile(list + QStringLiteral(".bak"), m_backup));
    QVERIFY(m_plugin->loadVlcCamList(list));
    for (int i = 0; i < 250; ++i)
        m_plugin->createNewCamera(QPointF(30 + i * 0.01, 50));
    m_plugin->setChanged(true);
}

void TestCamListFaults::verifyUntouched(const QString &directory) const
{
    const QString list = directory + QStringLiteral("/cameras.xml");
    QCOMPARE(TestSupport::readFile(list), m_list);
    QCOMPARE(TestSupport::readFile(list + QStringLiteral(".bak")), m_backup);
    QCOMPARE(QDir(directory).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("cameras.xml"), QStringLiteral("cameras.xml.bak")}));
    QVERIFY(m_plugin->isChanged());
}

// Only the directory is read-only; the files in it could be written.
// Permission bits do not stop root, so as root the save runs in a child
// that has become "nobody" first.
void TestCamListFaults::readOnlyDirectory()
{
    const QString locked = path(QStringLiteral("locked"));
    prepareFiles(locked);
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto writable =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const auto enter = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    for (const QString &file : {QStringLiteral("cameras.xml"), QStringLiteral("cameras.xml.bak")})
        QVERIFY(QFile::setPermissions(locked + QLatin1Char('/') + file, everyone | writable));
    QVERIFY(QFile::setPermissions(m_dir->path(), everyone | enter | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(locked, everyone | enter));

    const bool root = ::geteuid() == 0;
    const QString error =
        saveInChild(m_plugin.get(), locked + QStringLiteral("/cameras.xml"),
                    [root] { return !root || (::setgid(Nobody) == 0 && ::setuid(Nobody) == 0); });
    if (root && error.isNull())
        QSKIP("Running as root, and the save could not run as another user");
    QCOMPARE(error, QStringLiteral("Error opening file: ") + qt_error_string(EACCES));
    verifyUntouched(locked);
}

// A directory where the list should go: it is left alone, and so is a
// backup file of that name.
void TestCamListFaults::pathIsADirectory()
{
    prepareFiles(m_dir->path());
    const QString target = path(QStringLiteral("cameras.xml.d"));
    QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
    QVERIFY(TestSupport::writeFile(target + QStringLiteral(".bak"), m_backup));

    m_plugin->saveVlcCamList(target);
    QVERIFY2(m_plugin->lastError().startsWith(QStringLiteral("Error opening file: ")),
             qPrintable(m_plugin->lastError()));
    QVERIFY2(m_plugin->lastError().size() > QStringLiteral("Error opening file: ").size(),
             qPrintable(m_plugin->lastError()));
    QVERIFY(QFileInfo(target).isDir());
    QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("inside")}));
    QCOMPARE(TestSupport::readFile(target + QStringLiteral(".bak")), m_backup);
    QVERIFY(m_plugin->isChanged());
}

void TestCamListFaults::fileSizeLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("backupMade");
    // The previous list is about 6 kB, the new one about 30 kB.
    QTest::newRow("smaller than the previous list") << 4096 << false;
    QTest::newRow("between the two lists") << 16384 << true;
}

// The disk fills up part-way. A backup that cannot be completed leaves the
// older one in place; one that can is a whole copy of the previous list.
// Either way the list itself is not touched.
void TestCamListFaults::fileSizeLimit()
{
    QFETCH(int, limit);
    QFETCH(bool, backupMade);
    prepareFiles(m_dir->path());
    QVERIFY(m_list.size() > 4096 && m_list.size() < 16384);

    const QString error = saveInChild(m_plugin.get(), path(QStringLiteral("cameras.xml")), [limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small {};
        if (::getrlimit(RLIMIT_FSIZE, &small) != 0)
            return false;
        small.rlim_cur = rlim_t(limit);
        return ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    });
    QCOMPARE(error, QStringLiteral("Error opening file: ") + qt_error_string(EFBIG));
    if (backupMade)
        m_backup = m_list;
    verifyUntouched(m_dir->path());

    // Without the limit the same save goes through.
    m_plugin->saveVlcCamList(path(QStringLiteral("cameras.xml")));
    QVERIFY(m_plugin->lastError().isEmpty());
    QCOMPARE(TestSupport::readFile(path(QStringLiteral("cameras.xml.bak"))), m_list);
    QCOMPARE(TestSupport::readFile(path(QStringLiteral("cameras.xml"))).count("<Cam "), 300);
}

// A list with camera passwords may be kept from other users; its backup is
// kept from them as well, whatever the backup's own permissions were.
void TestCamListFaults::backupKeepsTheListsPermissions()
{
    prepareFiles(m_dir->path());
    const QString list = path(QStringLiteral("cameras.xml"));
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QVERIFY(QFile::setPermissions(list, ownerOnly));
    QVERIFY(QFile::setPermissions(list + QStringLiteral(".bak"),
                                  ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    m_plugin->saveVlcCamList(list);
    QVERIFY(m_plugin->lastError().isEmpty());
    QCOMPARE(TestSupport::readFile(list + QStringLiteral(".bak")), m_list);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                        | QFileDevice::WriteOther;
    for (const QString &file : {list, list + QStringLiteral(".bak")}) {
        QCOMPARE(QFile::permissions(file) & others, QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(file) & ownerOnly, ownerOnly);
    }
}

QTEST_MAIN(TestCamListFaults)
#include "tst_camlistfaults.moc"
