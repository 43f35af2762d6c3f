#include "cameditdlg.h"

#include "ui_cameditdlg.h"

#include "items/cameratype.h"
#include "items/camgraphicsitem.h"

#include <QtMath>

CamEditDlg::CamEditDlg(QWidget *parent, CamGraphicsItem *cam)
    : QDialog(parent)
    , m_ui(new Ui::CamEditDlg)
    , m_camera(cam)
{
    m_ui->setupUi(this);

    m_savedName = cam->toolTip();
    m_savedUrl = cam->url();
    m_savedImageUrlTemplate = cam->imageUrlTemplate();
    m_savedOverlayUrl = cam->overlayUrl();
    m_savedImageUpdatePeriod = cam->imageUpdatePeriod();
    m_savedAngle = cam->angle();
    m_savedViewRadius = cam->viewRadius();
    m_savedViewAngle = cam->viewAngle();
    m_savedUseTcpRtsp = cam->useTcpRtsp();
    m_savedHasView = cam->viewArea() != nullptr;
    m_originalType = cam->cameraType();
    m_savedType = cameraTypeFromCode(m_originalType);

    m_ui->angle->setValue(m_savedAngle);
    m_ui->viewAngle->setValue(m_savedViewAngle);
    m_ui->viewRadius->setValue(m_savedViewRadius);
    m_ui->name->setText(m_savedName);
    m_ui->videoUrl->setText(m_savedUrl);
    m_ui->trafficStreamUrl->setText(m_savedOverlayUrl);
    m_ui->imageUrl->setText(m_savedImageUrlTemplate);
    m_ui->updateInterval->setValue(m_savedImageUpdatePeriod);
    m_ui->tcpRtsp->setChecked(m_savedUseTcpRtsp);

    switch (m_savedType) {
    case CameraType::PlateReader:
        m_ui->typeLpr->setChecked(true);
        break;
    case CameraType::VehicleDetector:
        m_ui->typeVideoDt->setChecked(true);
        break;
    case CameraType::TrafficStreamVideo:
        m_ui->typeAxisTrafficStream->setChecked(true);
        break;
    case CameraType::CitiLogVideo:
        m_ui->typeCitilog->setChecked(true);
        break;
    case CameraType::Video:
        m_ui->typeCam->setChecked(true);
        break;
    }
    setOverlayUrlVisible(hasDetectorOverlay(m_savedType));

    // Connected only now, so that filling the boxes leaves the camera alone;
    // from here on every change shows on the map at once.
    const auto valueChanged = QOverload<double>::of(&QDoubleSpinBox::valueChanged);
    connect(m_ui->angle, valueChanged, cam, &CamGraphicsItem::setAngle);
    connect(m_ui->viewAngle, valueChanged, this, &CamEditDlg::previewViewAngle);
    connect(m_ui->viewRadius, valueChanged, this, &CamEditDlg::previewViewRadius);
}

CamEditDlg::~CamEditDlg() = default;

void CamEditDlg::accept()
{
    // The three view values are on the camera already, through the preview.
    if (m_camera) {
        m_camera->setUrl(m_ui->videoUrl->text());
        m_camera->setOverlayUrl(m_ui->trafficStreamUrl->text());
        m_camera->setImageUrlTemplate(m_ui->imageUrl->text());
        m_camera->setImageUpdatePeriod(m_ui->updateInterval->value());
        m_camera->setToolTip(m_ui->name->text());
        m_camera->setUseTcpRtsp(m_ui->tcpRtsp->isChecked());
        m_camera->setType(cameraTypeCode(checkedType()));
    }
    QDialog::accept();
}

void CamEditDlg::reject()
{
    if (m_camera) {
        m_camera->setUrl(m_savedUrl);
        m_camera->setOverlayUrl(m_savedOverlayUrl);
        m_camera->setImageUrlTemplate(m_savedImageUrlTemplate);
        m_camera->setImageUpdatePeriod(m_savedImageUpdatePeriod);
        // The preview may have given a camera without direction an angle,
        // and setAngle() would not take the NaN back.
        if (qIsNaN(m_savedAngle))
            m_camera->clearAngle();
        else
            m_camera->setAngle(m_savedAngle);
        m_camera->setViewRadius(m_savedViewRadius);
        m_camera->setViewAngle(m_savedViewAngle);
        // A sector the preview gave goes again, its values put back above.
        if (!m_savedHasView)
            m_camera->removeView();
        m_camera->setToolTip(m_savedName);
        m_camera->setUseTcpRtsp(m_savedUseTcpRtsp);
        // Only OK changes the type; a code the dialog cannot show (one a list
        // file carried) stays as it was instead of becoming 1.
        if (m_camera->cameraType() != m_originalType)
            m_camera->setType(cameraTypeCode(m_savedType));
    }
    QDialog::reject();
}

// A camera without a sector gets one as soon as the operator shapes it; the
// value not edited stays the camera's own.
void CamEditDlg::previewViewAngle(double viewAngle)
{
    if (!m_camera)
        return;
    if (m_camera->viewArea())
        m_camera->setViewAngle(viewAngle);
    else
        m_camera->setView(viewAngle, m_camera->viewRadius());
}

void CamEditDlg::previewViewRadius(double viewRadius)
{
    if (!m_camera)
        return;
    if (m_camera->viewArea())
        m_camera->setViewRadius(viewRadius);
    else
        m_camera->setView(m_camera->viewAngle(), viewRadius);
}

void CamEditDlg::on_typeAxisTrafficStream_toggled(bool checked)
{
    setOverlayUrlVisible(checked);
}

void CamEditDlg::on_typeCitilog_toggled(bool checked)
{
    setOverlayUrlVisible(checked);
}

void CamEditDlg::setOverlayUrlVisible(bool visible)
{
    // Hiding keeps the text: a traffic-stream camera turned into plain video
    // keeps its detector address.
    const QLayout *row = m_ui->horizontalLayout_11;
    for (int i = 0; i < row->count(); ++i) {
        if (QWidget *widget = row->itemAt(i)->widget())
            widget->setVisible(visible);
    }
}

CameraType CamEditDlg::checkedType() const
{
    if (m_ui->typeLpr->isChecked())
        return CameraType::PlateReader;
    if (m_ui->typeVideoDt->isChecked())
        return CameraType::VehicleDetector;
    if (m_ui->typeAxisTrafficStream->isChecked())
        return CameraType::TrafficStreamVideo;
    if (m_ui->typeCitilog->isChecked())
        return CameraType::CitiLogVideo;
    return CameraType::Video;
}
