#pragma once

#include <QByteArray>
#include <QString>

namespace korvane {

// UTF-8 bytes to text; invalid sequences become U+FFFD, empty stays empty.
QString Utf8ToUnicode(const QByteArray &bytes);

} // namespace korvane
