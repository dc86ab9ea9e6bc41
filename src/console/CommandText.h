#pragma once

#include "text/Numbers.h"

#include <QString>

#include <optional>

namespace korvane::console {

// The command text with every occurrence of `prefix` removed.
inline QString remainder(QString text, const QString &prefix)
{
    return text.remove(prefix, Qt::CaseSensitive);
}

// The value of a command text: its leading number, to the nearest integer
// (a half to the even neighbour); empty when it does not fit the width, and
// the step that reads it is then skipped.
template <typename T>
std::optional<T> valueOf(const QString &text)
{
    return textToWidth<T>(text);
}

// The serial-port family's test: "COM" in a text of 4 to 8 characters.
inline bool isSerialPortName(const QString &text)
{
    return text.contains(QLatin1String("COM")) && text.size() >= 4 && text.size() <= 8;
}

} // namespace korvane::console
