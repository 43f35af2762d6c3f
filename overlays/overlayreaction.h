#ifndef OVERLAYREACTION_H
#define OVERLAYREACTION_H

#include <QByteArrayList>
#include <QString>

// What a detector client has to do after its protocol logic has handled one
// unit of input or one supervision tick, in this order: send, redraw, fail.
struct OverlayReaction
{
    QByteArrayList send; // protocol payloads, framed by the client when written
    bool redraw = false;
    bool halt = false; // stop handling the buffered input for now
    QString error; // shown, then the connection is closed
};

#endif // OVERLAYREACTION_H
