// Faults of the AIS receiver's serial line, against the whole station.
#include "e2e/faults/FaultSuite.h"

#include "support/Wait.h"

#include <QFile>
#include <QRegularExpression>

using namespace korvane::test;

namespace {

const QString kDriveShown = QStringLiteral("Text2.append=!AIVDM,");

class FaultsSerial : public FaultSuite {
protected:
    static void SetUpTestSuite() { startStation(); }

    // `count` more sentences of the target drove the antenna.
    bool drives(qsizetype from, int count)
    {
        const QByteArray needle = kDriveShown.toUtf8();
        return waitUntil([&] { return f().station.outputBytes().mid(from).count(needle) >= count; }, linkBackMs());
    }

    QByteArray boardReceived() const
    {
        QFile record(f().path(QStringLiteral("board.bin")));
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    }
};

TEST_F(FaultsSerial, PseudoTerminalDisappearsAndComesBack)
{
    ASSERT_TRUE(drives(since, 2));
    f().cable.stop();
    ASSERT_TRUE(f().cable.start());
    ASSERT_TRUE(f().feed.controlAcknowledged(QStringLiteral("reopen")));
    EXPECT_TRUE(drives(f().mark(), 2)) << "the station opens the port again once it is back";
}

TEST_F(FaultsSerial, CorruptAndSplitSentences)
{
    const qsizetype recordStart = boardReceived().size();
    ASSERT_TRUE(f().feed.controlAcknowledged(QStringLiteral("faults corrupt=3 split=2 join=5 garbage=4 gap=2")));
    EXPECT_TRUE(f().waitForOutput(since, QStringLiteral("aisPorts.tooltip=已丢弃校验错误的AIS语句："), linkBackMs()));
    EXPECT_TRUE(drives(since, 6));
    // The board records a drive a little after the station prints it, and
    // the last line may still be arriving: count complete lines only.
    const auto recordedDrives = [&] {
        QList<QByteArray> lines = boardReceived().mid(recordStart).split('\n');
        lines.removeLast();
        lines.removeIf([](const QByteArray &line) { return !line.startsWith('r'); });
        return lines;
    };
    EXPECT_TRUE(waitUntil([&] { return recordedDrives().size() >= 6; }, linkBackMs()));
    ASSERT_TRUE(f().feed.controlAcknowledged(QStringLiteral("faults corrupt=0 split=0 join=0 garbage=0")));
    // Every drive command that went out was whole.
    const QRegularExpression drive(QStringLiteral("^r-?\\d+\\.\\d\\d$"));
    const QList<QByteArray> recorded = recordedDrives();
    for (const QByteArray &line : recorded)
        EXPECT_TRUE(drive.match(QString::fromLatin1(line.trimmed())).hasMatch()) << line.constData();
    EXPECT_GE(recorded.size(), 6);
}

} // namespace
