#pragma once

#include <QJsonObject>
#include <QString>

namespace korvane {
struct Rgb;
class Station;
} // namespace korvane

namespace korvane::web {

// The live frame the WebSocket sends: what the window shows now, as one
// JSON object. The "question" and "terminal" members depend on the server
// (its open question, each client's place in the terminal) and are not in
// it: the server adds them before it sends.
QJsonObject liveFrame(const Station &station);

// A lamp's or a ring dot's colour as a word: "green", "red", "yellow",
// "black"; any other as "#rrggbb".
QString colourName(const Rgb &colour);

// The caption as the window's title bar shows it: a stale signal is left
// off its end.
QString shownCaption(const Station &station);

} // namespace korvane::web
