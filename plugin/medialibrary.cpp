#include "plugin/medialibrary.h"

#include "player/streamsession.h"

#include <QDebug>
#include <QMutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

#if LIBAVCODEC_VERSION_MAJOR < 59
int ffmpegLockCallback(void **mutex, enum AVLockOp op)
{
    return MediaLibrary::lockManager(mutex, static_cast<int>(op));
}
#endif

} // namespace

MediaLibrary::MediaLibrary()
{
#if LIBAVCODEC_VERSION_MAJOR < 59
    static const bool registered = [] {
        avcodec_register_all();
        av_register_all();
        return true;
    }();
    Q_UNUSED(registered)
#endif
    avformat_network_init();
#if LIBAVCODEC_VERSION_MAJOR < 59
    av_lockmgr_register(ffmpegLockCallback);
#endif
}

MediaLibrary::~MediaLibrary()
{
    // Streams still running here would lose the network under their feet.
    qDebug("OstrelPlugin: media library released with %d streams running",
           StreamSession::runningTasks());
    avformat_network_deinit();
#if LIBAVCODEC_VERSION_MAJOR < 59
    av_lockmgr_register(nullptr);
#endif
}

int MediaLibrary::lockManager(void **mutex, int op)
{
    switch (op) {
    case 0: // create
        if (mutex)
            *mutex = new QMutex;
        return 0;
    case 1: // obtain
        if (mutex && *mutex)
            static_cast<QMutex *>(*mutex)->lock();
        return 0;
    case 2: // release
        if (mutex && *mutex)
            static_cast<QMutex *>(*mutex)->unlock();
        return 0;
    case 3: // destroy
        if (mutex) {
            delete static_cast<QMutex *>(*mutex);
            *mutex = nullptr;
        }
        return 0;
    default:
        return 1;
    }
}
