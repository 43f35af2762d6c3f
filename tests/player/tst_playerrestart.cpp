#include "player/restartpolicy.h"

#include <QTest>

// When a live player opens its camera again, given the time; the cameras
// that fail, hang, stop or come back are in tst_playerstreams.
class TestPlayerRestart : public QObject
{
    Q_OBJECT

private slots:
    void policy_data();
    void policy();
};

void TestPlayerRestart::policy_data()
{
    // Steps "event time [expected]": start, open, picture, cancel; fail,
    // refuse, lose give a decision; left gives the seconds shown; overdue
    // whether the opening started last has passed its deadline.
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("back-off doubles up to 30 s") << QStringList {
        "start 0",     "fail 100 later 1000",    "start 1100",  "fail 1200 later 2000",
        "start 3200",  "fail 3300 later 4000",   "start 7300",  "fail 7400 later 8000",
        "start 15400", "fail 15500 later 16000", "start 31500", "fail 31600 later 30000",
        "start 61600", "fail 61700 later 30000"};
    QTest::newRow("a picture after an opening starts afresh")
        << QStringList {"start 0",      "fail 10 later 1000",
                        "start 1010",   "fail 1020 later 2000",
                        "start 3020",   "open 3500",
                        "picture 3600", "lose 90000 now",
                        "start 90000",  "fail 90100 later 1000"};
    QTest::newRow("an opening without a picture does not")
        << QStringList {"start 0",   "fail 10 later 1000",   "start 1010",
                        "open 1500", "lose 1600 later 2000", "start 3600",
                        "open 4000", "lose 4100 later 4000"};
    QTest::newRow("pictures without an opening count for nothing") << QStringList {
        "start 0",   "fail 10 later 1000",   "picture 20",   "start 1010", "picture 1100",
        "open 1500", "lose 1600 later 2000", "picture 1700", "start 3600", "fail 3700 later 4000"};
    QTest::newRow("a refused address is given up")
        << QStringList {"start 0", "refuse 5 giveup", "left 6 0"};
    QTest::newRow("seconds shown round up") << QStringList {
        "start 0",    "fail 0 later 1000",    "left 0 1",    "left 999 1",  "left 1000 0",
        "start 1000", "fail 1000 later 2000", "left 1001 2", "left 2000 1", "cancel 2500",
        "left 2500 0"};
    // The clock may read anything, also a retry due at 0.
    QTest::newRow("any clock") << QStringList {"start -1000", "fail -1000 later 1000", "left -1 1"};
    QTest::newRow("an opening has 10 s")
        << QStringList {"start 500", "overdue 10500 no", "overdue 10501 yes"};
}

void TestPlayerRestart::policy()
{
    QFETCH(QStringList, steps);
    RestartPolicy policy;
    qint64 started = 0;
    for (const QString &step : qAsConst(steps)) {
        const QString event = step.section(QLatin1Char(' '), 0, 0);
        const qint64 now = step.section(QLatin1Char(' '), 1, 1).toLongLong();
        RestartPolicy::Decision decision {RestartPolicy::Action::OpenNow, -1};
        QString result;
        if (event == QLatin1String("start"))
            policy.openingStarted(started = now);
        else if (event == QLatin1String("open"))
            policy.opened(now);
        else if (event == QLatin1String("picture"))
            policy.pictureShown(now);
        else if (event == QLatin1String("cancel"))
            policy.cancel();
        else if (event == QLatin1String("left"))
            result = QString::number(policy.secondsLeft(now));
        else if (event == QLatin1String("overdue"))
            result = RestartPolicy::openOverdue(started, now) ? "yes" : "no";
        else if (event == QLatin1String("lose"))
            decision = policy.streamLost(now);
        else
            decision = policy.openFailed(now, event == QLatin1String("refuse"));
        if (decision.atMs >= 0 || decision.action == RestartPolicy::Action::GiveUp) {
            result = decision.action == RestartPolicy::Action::GiveUp ? QStringLiteral("giveup")
                     : decision.action == RestartPolicy::Action::OpenLater
                         ? QStringLiteral("later %1").arg(decision.atMs - now)
                     : decision.atMs == now ? QStringLiteral("now")
                                            : QStringLiteral("now?");
        }
        QCOMPARE(step.section(QLatin1Char(' '), 0, 1) + (result.isEmpty() ? "" : " " + result),
                 step);
    }
}

QTEST_MAIN(TestPlayerRestart)
#include "tst_playerrestart.moc"
