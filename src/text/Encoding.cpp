#include "text/Encoding.h"

#include <QStringDecoder>

namespace korvane {

QString Utf8ToUnicode(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace korvane
