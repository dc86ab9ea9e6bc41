#pragma once

#include <QFont>

namespace korvane {

// Fonts of the window. Every operator text is Chinese, so CJK families come
// first and Latin fallbacks after them; the terminal keeps columns aligned.
QFont stationFont();
QFont terminalFont();

} // namespace korvane
