#ifndef CAMEDITDLG_H
#define CAMEDITDLG_H

#include "items/cameratype.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>

class CamGraphicsItem;

namespace Ui {
class CamEditDlg;
}

/*
 * Edits one camera of the map. The rotation angle, view angle and view
 * radius act on the camera while the dialog is open, so that the operator
 * sees the icon and sector move (a camera without a sector gets one); OK
 * writes the other fields, Cancel puts every value back. Moving the camera
 * into the group of its new type is left to the caller.
 */
class CamEditDlg : public QDialog
{
    Q_OBJECT

public:
    CamEditDlg(QWidget *parent, CamGraphicsItem *cam);
    ~CamEditDlg() override;

    void accept() override;
    void reject() override;

private slots:
    void on_typeAxisTrafficStream_toggled(bool checked);
    void on_typeCitilog_toggled(bool checked);

private:
    void setOverlayUrlVisible(bool visible);
    void previewViewAngle(double viewAngle);
    void previewViewRadius(double viewRadius);
    CameraType checkedType() const;

    std::unique_ptr<Ui::CamEditDlg> m_ui;
    // The host may delete the camera while the dialog runs.
    QPointer<CamGraphicsItem> m_camera;
    QString m_savedName;
    QString m_savedUrl;
    QString m_savedImageUrlTemplate;
    QString m_savedOverlayUrl;
    int m_savedImageUpdatePeriod = 0;
    double m_savedAngle = 0.0;
    double m_savedViewRadius = 0.0;
    double m_savedViewAngle = 0.0;
    bool m_savedUseTcpRtsp = false;
    bool m_savedHasView = false;
    CameraType m_savedType = CameraType::Video;
    int m_originalType = cameraTypeCode(CameraType::Video);
};

#endif // CAMEDITDLG_H
