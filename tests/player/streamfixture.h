#ifndef STREAMFIXTURE_H
#define STREAMFIXTURE_H

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class MessageCapture;
class PeerProcess;
class PlayerWidget;

/*
 * Stream sources for the player's tests: media files made once per test
 * program with the FFmpeg command line, and stream servers on loopback.
 */
class StreamFixture
{
public:
    // Each file plays for a few seconds; names are those of file().
    // "h264.mp4" 320x240, "audio_h264.mkv" (the same with an audio stream
    // before the picture), "h264_640x480.mp4", "gray40_mjpeg.avi" (full-range
    // grey of level 40, 320x240), "nosize.ts" (a stream whose parameters give
    // no size), "tone.wav" (no picture at all), "garbage.ts" (random bytes)
    // and "garbage_between.ts" (red, random bytes, then blue).
    bool makeFiles(const QStringList &names);
    QString file(const QString &name) const;

    // A one-shot FFmpeg server sending a live test picture (640x480 unless
    // given) as MPEG-TS to its first client, at oneShotAddress(peer->port(),
    // scheme). It exits when that client goes.
    // A `port` is given only to start a server again where it was.
    static bool startOneShotServer(PeerProcess *peer,
                                   const QString &scheme = QStringLiteral("http"),
                                   const char *size = "640x480", quint16 port = 0);
    static QString oneShotAddress(quint16 port, const QString &scheme = QStringLiteral("http"));

    // The test RTSP camera of tests/support at rtsp://127.0.0.1:port/test,
    // on a port it picks itself (peer->port()) unless one is given.
    static bool startRtspServer(PeerProcess *peer, quint16 port = 0);

    // Until the video page shows a delivered picture (which clears both
    // texts) that is not the black one made by the opening.
    static bool waitForPicture(PlayerWidget *player, int timeoutMs = 15000);
    static bool isBlack(const QImage &image);
    // The same bytes for the same seed.
    static QByteArray randomBytes(int size, quint32 seed);
    static int currentPage(PlayerWidget *player);
    // The text of the loading page, where a failed opening shows its reason.
    static QString loadingText(PlayerWidget *player);
    // The player's own warnings among the captured messages, in order.
    static QStringList playerWarnings(const MessageCapture &capture);

private:
    bool makeFile(const QString &name);

    QTemporaryDir m_dir;
};

#endif // STREAMFIXTURE_H
