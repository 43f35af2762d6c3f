#include "camlistreader.h"

#include <QCoreApplication>
#include <QXmlStreamReader>
#include <QtMath>

namespace {

// Longest piece of an attribute quoted in a warning; the rest is elided.
constexpr int MaxQuotedLength = 40;

QString quoted(const QStringRef &text)
{
    QString shown = text.left(MaxQuotedLength).toString();
    if (text.size() > MaxQuotedLength)
        shown += QChar(0x2026);
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// Numbers are read in single precision, as the files have always been. A
// decimal comma, as lists made in a Russian locale carry, counts as the
// decimal point: no number of the format has group separators.
double readNumber(const QStringRef &text, bool *ok)
{
    bool parsed = false;
    double value = text.toDouble(&parsed);
    if (!parsed && text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        QString withPoint = text.toString();
        withPoint.replace(QLatin1Char(','), QLatin1Char('.'));
        value = withPoint.toDouble(&parsed);
    }
    *ok = parsed && CamListEntry::isStorableNumber(value);
    return *ok ? double(float(value)) : qQNaN();
}

double readNumber(const QXmlStreamAttributes &attributes, QLatin1String name, bool *ok)
{
    return readNumber(attributes.value(name), ok);
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

// Why a coordinate cannot be taken, or a null string when it can.
QString coordinateProblem(const QXmlStreamAttributes &attributes, QLatin1String name, double limit,
                          double *value)
{
    if (!attributes.hasAttribute(name))
        return QCoreApplication::translate("CamListReader", "no \"%1\"").arg(name);
    const QStringRef text = attributes.value(name);
    bool ok = false;
    *value = readNumber(text, &ok);
    if (!ok)
        return QCoreApplication::translate("CamListReader", "\"%1\" is not a number: %2")
            .arg(name, quoted(text));
    if (qAbs(*value) > limit)
        return QCoreApplication::translate("CamListReader", "\"%1\" is out of range: %2")
            .arg(name, quoted(text));
    return QString();
}

} // namespace

CamListEntry CamListReader::readEntry(const QXmlStreamAttributes &attributes, QString *problem,
                                      QString *note)
{
    CamListEntry entry;
    entry.url = attributes.value(QLatin1String("url")).toString();
    entry.overlayUrl = attributes.value(QLatin1String("overlay_url")).toString();
    if (entry.overlayUrl.isEmpty())
        entry.overlayUrl = attributes.value(QLatin1String("axis_ts_url")).toString();
    entry.imageUrlTemplate = attributes.value(QLatin1String("image_url_template")).toString();
    entry.useTcpRtsp = isTrue(attributes.value(QLatin1String("rtsp_tcp")));
    entry.imageUpdatePeriod = readInt(attributes, QLatin1String("image_update_period"), 30);

    double lon = 0.0;
    double lat = 0.0;
    *problem = coordinateProblem(attributes, QLatin1String("lon"), 180.0, &lon);
    if (problem->isNull())
        *problem = coordinateProblem(attributes, QLatin1String("lat"), 90.0, &lat);
    if (!problem->isNull())
        return entry;
    entry.position = QPointF(lon, lat);

    bool ok = false;
    entry.angle = readNumber(attributes, QLatin1String("ang"), &ok);
    entry.type = readInt(attributes, QLatin1String("type"), cameraTypeCode(CameraType::Video));

    // Kept as written, so that a list moved with its icons still finds them;
    // a small icon alone is kept too.
    entry.bigPixmapPath = attributes.value(QLatin1String("image_big")).toString();
    entry.smallPixmapPath = attributes.value(QLatin1String("image_small")).toString();

    const QLatin1String viewAngleName("view_ang");
    const QLatin1String viewRadiusName("view_radius");
    bool angleOk = false;
    bool radiusOk = false;
    const double viewAngle = readNumber(attributes, viewAngleName, &angleOk);
    const double viewRadius = readNumber(attributes, viewRadiusName, &radiusOk);
    entry.hasView = angleOk && radiusOk && CamListEntry::isValidViewRadius(viewRadius);
    if (entry.hasView) {
        entry.viewAngle = viewAngle;
        entry.viewRadius = viewRadius;
    } else if (attributes.hasAttribute(viewAngleName) && attributes.hasAttribute(viewRadiusName)) {
        // Both given but not usable: the camera comes without its sector.
        *note = QCoreApplication::translate("CamListReader", "view sector %1, %2 left out")
                    .arg(quoted(attributes.value(viewAngleName)),
                         quoted(attributes.value(viewRadiusName)));
    }
    return entry;
}

void CamListReader::warn(qint64 row, const QString &text)
{
    ++m_warningCount;
    if (m_list.warnings.size() < MaxWarnings)
        m_list.warnings.append(
            QCoreApplication::translate("CamListReader", "Row %1: %2").arg(row).arg(text));
}

QString CamListReader::refusal(qint64 bytes, int cameras)
{
    if (bytes > MaxFileSize)
        return QCoreApplication::translate("CamListReader", "Larger than %1 MiB")
            .arg(MaxFileSize / (1024 * 1024));
    if (cameras > MaxCameras)
        return QCoreApplication::translate("CamListReader", "More than %1 cameras").arg(MaxCameras);
    return QString();
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
    m_warningCount = 0;
    m_errorString.clear();
    m_errorLine = m_errorColumn = 0;

    m_errorString = refusal(data.size(), 0);
    if (!m_errorString.isNull())
        return false;

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
                xml.raiseError(QCoreApplication::translate("CamListReader",
                                                           "Entity declarations are not allowed"));
            }
            break;
        case QXmlStreamReader::StartElement: {
            ++depth;
            const QStringRef name = xml.qualifiedName();
            if (depth == 1) {
                m_list.useFfmpeg = isTrue(xml.attributes().value(QLatin1String("use_ffmpeg")));
            } else if (name == QLatin1String("Cam")) {
                QString problem;
                QString note;
                CamListEntry entry = readEntry(xml.attributes(), &problem, &note);
                int index = -1;
                if (!problem.isNull()) {
                    ++m_list.skipped;
                    warn(xml.lineNumber(),
                         QCoreApplication::translate("CamListReader", "entry skipped, %1")
                             .arg(problem));
                } else {
                    if (m_list.cameras.size() >= MaxCameras) {
                        xml.raiseError(refusal(0, MaxCameras + 1));
                        break;
                    }
                    if (!note.isNull())
                        warn(xml.lineNumber(), note);
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
    if (m_warningCount > m_list.warnings.size()) {
        m_list.warnings.append(QCoreApplication::translate("CamListReader", "%1 more warnings")
                                   .arg(m_warningCount - m_list.warnings.size()));
    }
    return true;
}
