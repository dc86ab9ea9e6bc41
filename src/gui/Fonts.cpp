#include "gui/Fonts.h"

#include <QStringList>

namespace korvane {

namespace {
constexpr int kPointSize = 9;
}

QFont stationFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("PingFang SC"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(kPointSize);
    return font;
}

QFont terminalFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("NSimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(kPointSize);
    return font;
}

} // namespace korvane
