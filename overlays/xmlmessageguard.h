#ifndef XMLMESSAGEGUARD_H
#define XMLMESSAGEGUARD_H

#include <QCoreApplication>

/*
 * Screens an XML message from the network before it reaches a DOM parser.
 *
 * The DOM parser expands internal entities (up to 4096 characters each, but
 * as often as they are referenced) and builds deep trees recursively, so a
 * 100000-byte message could take hundreds of megabytes or the stack. A
 * message with entity declarations or nested too deeply is refused with a
 * text in the manner of the parser's own; anything else, malformed or not,
 * is left to the parser and its error texts.
 */
class XmlMessageGuard
{
public:
    static constexpr int MaxDepth = 64;

    // Empty when `text` may be parsed, else why not.
    static QString check(const QByteArray &text);

private:
    // An upper bound of the element nesting, for text the stream reader
    // gave up on early.
    static int roughDepth(const QByteArray &text);
};

#endif // XMLMESSAGEGUARD_H
