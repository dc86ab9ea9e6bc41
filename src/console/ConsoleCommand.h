#pragma once

#include <QString>
#include <QStringList>

namespace korvane {

// Enter in the command box and the send button know different commands and
// word some notices differently.
enum class ConsolePath { Enter, Button };

// One command from the console, from the key press or click to its end.
// Several handlers may take part (on Enter some families let the text go
// on); only the event line composed last is logged.
struct ConsoleCommand {
    ConsolePath path = ConsolePath::Enter;
    QString eventLine;
    QStringList handled; // the handlers that ran, in order

    bool onEnter() const { return path == ConsolePath::Enter; }
};

} // namespace korvane
