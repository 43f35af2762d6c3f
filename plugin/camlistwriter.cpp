#include "camlistwriter.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace {

// Characters that XML cannot carry would make the saved file unreadable, so
// they are dropped rather than written.
QString xmlText(const QString &text)
{
    QString result;
    bool dropped = false;
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        int length = 1;
        bool keep = true;
        if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate())
            length = 2;
        else if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
            keep = false;
        else if (u < 0x20)
            keep = u == '\t' || u == '\n' || u == '\r';

        if (!keep && !dropped) {
            dropped = true;
            result = text.left(i);
            result.reserve(size);
        }
        if (keep && dropped)
            result += text.midRef(i, length);
        i += length - 1;
    }
    return dropped ? result : text;
}

bool isXmlSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
           || c == QLatin1Char('\r');
}

// Text content that reads back as it was written. A reader turns a carriage
// return into a line feed and takes text of white space only for
// indentation, so such characters are written as character references.
void writeContent(QXmlStreamWriter &xml, const QString &text)
{
    const QString clean = xmlText(text);
    const bool blank = std::all_of(clean.cbegin(), clean.cend(), isXmlSpace);
    int from = 0;
    for (int i = 0; i < clean.size(); ++i) {
        const QChar c = clean.at(i);
        if (!blank && c != QLatin1Char('\r'))
            continue;
        if (i > from)
            xml.writeCharacters(clean.mid(from, i - from));
        xml.writeEntityReference(QStringLiteral("#%1").arg(c.unicode()));
        from = i + 1;
    }
    if (from < clean.size())
        xml.writeCharacters(clean.mid(from));
}

} // namespace

QByteArray CamListWriter::write(const CamList &list)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(4);

    xml.writeStartElement(QStringLiteral("VarkaNetwork"));
    if (list.useFfmpeg)
        xml.writeAttribute(QStringLiteral("use_ffmpeg"), QStringLiteral("true"));
    if (!list.vlcOptions.isEmpty()) {
        xml.writeStartElement(QStringLiteral("VlcOptions"));
        writeContent(xml, list.vlcOptions);
        xml.writeEndElement();
    }

    const auto writeText = [&xml](const QString &name, const QString &value) {
        if (!value.isEmpty())
            xml.writeAttribute(name, xmlText(value));
    };
    const auto writeNumber = [&xml](const QString &name, double value, int digits) {
        xml.writeAttribute(name, QString::number(value, 'g', digits));
    };

    for (const CamListEntry &cam : list.cameras) {
        xml.writeStartElement(QStringLiteral("Cam"));
        writeText(QStringLiteral("url"), cam.url);
        writeText(QStringLiteral("overlay_url"), cam.overlayUrl);
        if (!cam.imageUrlTemplate.isEmpty()) {
            writeText(QStringLiteral("image_url_template"), cam.imageUrlTemplate);
            if (cam.imageUpdatePeriod > 0)
                xml.writeAttribute(QStringLiteral("image_update_period"),
                                   QString::number(cam.imageUpdatePeriod));
        }
        xml.writeAttribute(QStringLiteral("rtsp_tcp"),
                           cam.useTcpRtsp ? QStringLiteral("true") : QStringLiteral("false"));
        writeNumber(QStringLiteral("lon"), cam.position.x(), 8);
        writeNumber(QStringLiteral("lat"), cam.position.y(), 8);
        writeNumber(QStringLiteral("ang"), cam.angle, 6);
        xml.writeAttribute(QStringLiteral("type"), QString::number(cam.type));
        writeNumber(QStringLiteral("view_ang"), cam.viewAngle, 6);
        writeNumber(QStringLiteral("view_radius"), cam.viewRadius, 6);
        writeText(QStringLiteral("image_big"), cam.bigPixmapPath);
        writeText(QStringLiteral("image_small"), cam.smallPixmapPath);
        writeContent(xml, cam.name);
        xml.writeEndElement();
    }
    xml.writeEndElement();

    // Auto-formatting starts the document with a line break; the file starts
    // with its root and ends with a line break instead.
    if (out.startsWith('\n'))
        out.remove(0, 1);
    out.append('\n');
    return out;
}
