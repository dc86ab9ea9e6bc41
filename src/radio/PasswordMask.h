#pragma once

#include <QString>

#include <initializer_list>

namespace korvane {

// Text from the radio on its way to the log or the terminal: a radio that
// echoes what it was sent must not put the password there.
inline QString withoutPassword(const QString &text, std::initializer_list<QString> passwords)
{
    QString out = text;
    for (const QString &password : passwords) {
        if (!password.isEmpty())
            out.replace(password, QStringLiteral("******"));
    }
    return out;
}

} // namespace korvane
