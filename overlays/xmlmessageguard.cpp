#include "overlays/xmlmessageguard.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

QString XmlMessageGuard::check(const QByteArray &text)
{
    const QString entities =
        QCoreApplication::translate("CitiLogOvelay", "entity declarations not allowed");
    const QString nesting =
        QCoreApplication::translate("CitiLogOvelay", "elements nested too deeply");

    // The reader stops at the DTD, before any entity could be expanded.
    QXmlStreamReader reader(text);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty()
                || reader.text().contains(QLatin1String("<!ENTITY")))
                return entities;
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > MaxDepth)
                return nesting;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (!reader.hasError())
        return QString();

    // Where the two parsers might disagree, judge the raw text instead.
    if (text.contains("<!ENTITY"))
        return entities;
    if (roughDepth(text) > MaxDepth)
        return nesting;
    return QString();
}

int XmlMessageGuard::roughDepth(const QByteArray &text)
{
    int depth = 0;
    int deepest = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        const char next = text.at(i + 1);
        if (text.at(i) == '<') {
            if (next == '/')
                --depth;
            else if (next != '!' && next != '?')
                deepest = qMax(deepest, ++depth);
        } else if (text.at(i) == '/' && next == '>') {
            --depth;
        }
    }
    return deepest;
}
