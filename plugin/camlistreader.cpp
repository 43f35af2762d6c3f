#include "camlistreader.h"

#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QtMath>

namespace {

// Largest view radius taken from a file, in metres; beyond it the sector
// would cover continents and only slow the scene down.
constexpr double MaxViewRadius = 1.0e6;

// Numbers are read in single precision, as the files have always been.
double readNumber(const QXmlStreamAttributes &attributes, QLatin1String name, bool *ok)
{
    bool parsed = false;
    const float value = attributes.value(name).toFloat(&parsed);
    *ok = parsed && qIsFinite(value);
    return *ok ? double(value) : qQNaN();
}

int readInt(const QXmlStreamAttributes &attributes, QLatin1String name, int fallback)
{
    bool ok = false;
    const int value = attributes.value(name).toInt(&ok);
    return ok ? value : fallback;
}

bool isTrue(const QStringRef &text)
{
    return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// Whitespace between elements is not significant; CDATA always is text.
bool isText(const QXmlStreamReader &xml)
{
    return xml.isCDATA() || !xml.isWhitespace();
}

} // namespace

CamListEntry CamListReader::readEntry(const QXmlStreamAttributes &attributes, bool *valid)
{
    CamListEntry entry;
    entry.url = attributes.value(QLatin1String("url")).toString();
    entry.overlayUrl = attributes.value(QLatin1String("overlay_url")).toString();
    if (entry.overlayUrl.isEmpty())
        entry.overlayUrl = attributes.value(QLatin1String("axis_ts_url")).toString();
    entry.imageUrlTemplate = attributes.value(QLatin1String("image_url_template")).toString();
    entry.useTcpRtsp = isTrue(attributes.value(QLatin1String("rtsp_tcp")));
    entry.imageUpdatePeriod = readInt(attributes, QLatin1String("image_update_period"), 30);

    bool lonOk = false;
    bool latOk = false;
    const double lon = readNumber(attributes, QLatin1String("lon"), &lonOk);
    const double lat = readNumber(attributes, QLatin1String("lat"), &latOk);
    *valid = lonOk && latOk && qAbs(lon) <= 180.0 && qAbs(lat) <= 90.0;
    if (!*valid)
        return entry;
    entry.position = QPointF(lon, lat);

    bool ok = false;
    entry.angle = readNumber(attributes, QLatin1String("ang"), &ok);
    entry.type = readInt(attributes, QLatin1String("type"), 1);

    entry.bigPixmapPath = attributes.value(QLatin1String("image_big")).toString();
    if (!entry.bigPixmapPath.isEmpty())
        entry.smallPixmapPath = attributes.value(QLatin1String("image_small")).toString();

    bool angleOk = false;
    bool radiusOk = false;
    const double viewAngle = readNumber(attributes, QLatin1String("view_ang"), &angleOk);
    const double viewRadius = readNumber(attributes, QLatin1String("view_radius"), &radiusOk);
    entry.hasView = angleOk && radiusOk && qAbs(viewRadius) <= MaxViewRadius;
    if (entry.hasView) {
        entry.viewAngle = viewAngle;
        entry.viewRadius = viewRadius;
    }
    return entry;
}

bool CamListReader::read(const QByteArray &data)
{
    struct OpenCam
    {
        int depth;
        int index; // -1 for an entry that was left out
        bool named;
    };

    m_list = CamList();
    m_errorString.clear();
    m_errorLine = m_errorColumn = 0;

    if (data.size() > MaxFileSize) {
        m_errorString = QCoreApplication::translate("CamListReader", "Larger than %1 MiB")
                            .arg(MaxFileSize / (1024 * 1024));
        return false;
    }

    QXmlStreamReader xml(data);
    QVector<OpenCam> openCams;
    int depth = 0;
    int optionsDepth = 0; // depth of the VlcOptions element being read, 0 when none
    bool optionsSeen = false;

    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            if (!xml.entityDeclarations().isEmpty()
                || xml.text().contains(QLatin1String("<!ENTITY"))) {
                xml.raiseError(QCoreApplication::translate(
                    "CamListReader", "Entity declarations are not allowed"));
            }
            break;
        case QXmlStreamReader::StartElement: {
            ++depth;
            const QStringRef name = xml.qualifiedName();
            if (depth == 1) {
                m_list.useFfmpeg = isTrue(xml.attributes().value(QLatin1String("use_ffmpeg")));
            } else if (name == QLatin1String("Cam")) {
                bool valid = false;
                CamListEntry entry = readEntry(xml.attributes(), &valid);
                int index = -1;
                if (valid) {
                    if (m_list.cameras.size() >= MaxCameras) {
                        xml.raiseError(
                            QCoreApplication::translate("CamListReader", "More than %1 cameras")
                                .arg(MaxCameras));
                        break;
                    }
                    index = m_list.cameras.size();
                    m_list.cameras.append(std::move(entry));
                }
                openCams.append({depth, index, false});
            } else if (depth == 2 && !optionsSeen && name == QLatin1String("VlcOptions")) {
                optionsSeen = true;
                optionsDepth = depth;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!openCams.isEmpty() && openCams.constLast().depth == depth)
                openCams.removeLast();
            if (optionsDepth == depth)
                optionsDepth = 0;
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (!isText(xml))
                break;
            if (optionsDepth > 0)
                m_list.vlcOptions += xml.text();
            if (!openCams.isEmpty() && openCams.constLast().depth == depth
                && !openCams.constLast().named) {
                OpenCam &cam = openCams.last();
                cam.named = true;
                if (cam.index >= 0)
                    m_list.cameras[cam.index].name = xml.text().toString();
            }
            break;
        default:
            break;
        }
    }

    if (xml.hasError()) {
        m_errorString = xml.errorString();
        m_errorLine = xml.lineNumber();
        m_errorColumn = xml.columnNumber();
        m_list = CamList();
        return false;
    }
    return true;
}
