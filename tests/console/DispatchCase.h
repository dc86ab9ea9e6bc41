#pragma once

#include "ConsoleFixture.h"

#include <gtest/gtest.h>

#include <ostream>

namespace korvane::test {

// One text fed to the console and everything it must leave behind.
struct DispatchCase {
    QString text;
    QStringList handled;                   // handlers that ran, in order
    QString notice;                        // Label_NOTE afterwards
    QList<QPair<QString, QString>> stored; // keys written; every other console key stays unwritten
    QByteArray wire;                       // bytes the board received
    QString event;                         // the logged event line's message; empty: none
    QStringList boxes = {};                // titles of the boxes shown
    std::function<void(Station &)> prepare = {};
};

inline void PrintTo(const DispatchCase &c, std::ostream *os)
{
    *os << '"' << c.text.toStdString() << '"';
}

inline std::string caseName(const ::testing::TestParamInfo<DispatchCase> &info)
{
    std::string name = std::to_string(info.index) + "_";
    for (const QChar ch : info.param.text)
        name += (ch.isLetterOrNumber() && ch.unicode() < 0x80) ? static_cast<char>(ch.unicode()) : '_';
    return name;
}

inline void runCase(const DispatchCase &c, ConsolePath path)
{
    ConsoleFixture f;
    Station &s = f.start();
    if (c.prepare)
        c.prepare(s);
    if (path == ConsolePath::Enter)
        f.enter(c.text);
    else
        f.button(c.text);
    EXPECT_EQ(s.console.lastHandled(), c.handled);
    EXPECT_EQ(s.display.Label_NOTE.text(), c.notice);
    for (const QString &key : consoleKeys()) {
        QString expected;
        for (const auto &[k, v] : c.stored) {
            if (k == key)
                expected = v;
        }
        EXPECT_EQ(f.settings.read(key), expected) << qPrintable(key);
    }
    EXPECT_EQ(f.boardBytes(), c.wire);
    EXPECT_EQ(f.logLines(), c.event.isEmpty() ? QStringList() : QStringList{ConsoleFixture::eventLine(c.event)});
    EXPECT_EQ(f.dialogs.titles, c.boxes);
}

} // namespace korvane::test
