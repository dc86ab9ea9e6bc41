#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace korvane {

// The Chinese code page (GBK, code page 936) on every operating system: the
// cloud server decodes it, NMEA checksums are taken over it, and POINT.INI
// files saved on Chinese Windows are written in it.

// Text to code-page bytes. A character the code page lacks, a lone
// surrogate included, becomes one "?", as Windows converts it.
QByteArray toGbk(QStringView text);

// Code-page bytes to text; invalid or truncated sequences become U+FFFD.
QString fromGbk(const QByteArray &bytes);

} // namespace korvane
