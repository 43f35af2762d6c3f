#include "overlays/detectortransport.h"

DetectorTransport::DetectorTransport(QObject *parent)
    : QObject(parent)
{ }
