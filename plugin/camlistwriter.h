#ifndef CAMLISTWRITER_H
#define CAMLISTWRITER_H

#include "items/camlist.h"

#include <QByteArray>

/*
 * Writes a camera list as the XML of a list file: UTF-8 without a
 * declaration, root VarkaNetwork, indented by 4 with LF line ends. Numbers
 * are written in the C locale, positions with 8 significant digits and
 * angles and radii with 6; no direction is written as "nan".
 */
class CamListWriter
{
public:
    static QByteArray write(const CamList &list);
};

#endif // CAMLISTWRITER_H
