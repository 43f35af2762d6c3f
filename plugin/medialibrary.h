#ifndef MEDIALIBRARY_H
#define MEDIALIBRARY_H

/*
 * The plug-in's share of the media library's process-wide state: its
 * networking (reference counted by the library, so each plug-in object
 * takes and gives back its own share) and, in the FFmpeg 4 series,
 * registration and the lock manager. Every stream must have stopped before
 * this goes.
 */
class MediaLibrary
{
public:
    MediaLibrary();
    ~MediaLibrary();
    MediaLibrary(const MediaLibrary &) = delete;
    MediaLibrary &operator=(const MediaLibrary &) = delete;

    // Lock callback of the FFmpeg 4 series: operation 0 creates, 1 obtains,
    // 2 releases and 3 destroys the mutex behind `mutex`.
    static int lockManager(void **mutex, int op);
};

#endif // MEDIALIBRARY_H
