#include "Garbage.h"

#include <QRandomGenerator>

#include <array>

namespace korvane::sim {

namespace {
const std::array<QByteArray, 9> kFragments{
    QByteArray("\xC0\x80", 2),         // overlong NUL
    QByteArray("\xFF\xFE", 2),         // bytes UTF-8 never uses
    QByteArray("\xE0\x80\x80", 3),     // overlong three-byte form
    QByteArray("\xBF\x80\xA0", 3),     // continuation bytes with no lead
    QByteArray("\xED\xA0\x80", 3),     // a UTF-16 surrogate encoded as UTF-8
    QByteArray("\r\n"),
    QByteArray("\r"),
    QByteArray("\n\n"),
    QByteArray("\0\0\0\0", 4),
};

// Markers the station looks for; a random prefix of one lands in the stream.
const std::array<const char *, 8> kMarkers{
    "本地纬度:", "经度:", "角度:H", "执行", "目标:", "命令:r", "secretkey", "距离:",
};

void appendPiece(QByteArray &out, QRandomGenerator &random)
{
    switch (random.bounded(5)) {
    case 0: {
        const int n = random.bounded(1, 64);
        for (int i = 0; i < n; ++i)
            out += static_cast<char>(random.bounded(256));
        break;
    }
    case 1:
        out += kFragments[random.bounded(static_cast<int>(kFragments.size()))];
        break;
    case 2: {
        // The lead byte (and maybe one more) of a three-byte character.
        const QByteArray character = QByteArray("中");
        out += character.left(random.bounded(1, 3));
        break;
    }
    case 3: {
        const QByteArray marker(kMarkers[random.bounded(static_cast<int>(kMarkers.size()))]);
        out += marker.left(random.bounded(1, static_cast<int>(marker.size()) + 1));
        break;
    }
    default:
        out += QByteArray("数字") + QByteArray::number(random.bounded(-99999, 99999));
        break;
    }
}
} // namespace

QByteArray garbageBytes(qint64 size)
{
    QRandomGenerator *random = QRandomGenerator::global();
    QByteArray out;
    out.reserve(size + 64);
    while (out.size() < size)
        appendPiece(out, *random);
    out.truncate(size);
    return out;
}

} // namespace korvane::sim
