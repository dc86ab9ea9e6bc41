#pragma once

// A history file holding a year, as a station at sea would have written it:
// a minute row for every minute of 365 days, the per-second rows of the last
// 72 hours, and some 300,000 events (a comparison every five minutes, the
// sweeps and link losses of a drop every other day, drives, logins, refused
// cloud reports, alarms). Made for the benchmark, the screenshot of the
// week and for trying the window by hand:
//
//     build/bench/history_year --make FILE
//
// The figures move as a ship's would: the heading turns slowly and passes
// north, the antenna follows, the signal breathes with the distance and
// drops to −120 in each drop.

#include "history/EventWords.h"
#include "history/HistorySchema.h"
#include "history/MinuteFold.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <stdexcept>

namespace korvane::test {

struct HistoryYear {
    qint64 now = 0; // the end, ms since the epoch
    int days = 365;
    int rawHours = 72;
    int events = 300'000;
    quint32 seed = 11;

    struct Counts {
        qint64 minutes = 0;
        qint64 seconds = 0;
        qint64 events = 0;
    };

    static constexpr qint64 kMinuteMs = 60'000;
    static constexpr qint64 kDayMs = 86'400'000;
    // A drop of the far end every other day, 12 minutes long.
    static constexpr qint64 kDropEveryMs = 2 * kDayMs;
    static constexpr qint64 kDropMs = 12 * kMinuteMs;

    qint64 start() const { return (now - qint64(days) * kDayMs) / kMinuteMs * kMinuteMs; }
    qint64 rawStart() const { return (now - qint64(rawHours) * 3600'000) / 1000 * 1000; }
    // Whether `t` lies in a drop, and when that drop began.
    bool inDrop(qint64 t, qint64 *began = nullptr) const
    {
        const qint64 offset = (t - start()) % kDropEveryMs - 17 * 3600'000LL;
        if (began)
            *began = t - offset;
        return offset >= 0 && offset < kDropMs;
    }

    // The figures of one instant, whatever the resolution.
    struct Figures {
        double signal, noise, rx, tx, capDown, capUp, ping, angle, heading, speed, lat, lon, distance;
        int radio, board, cloud;
    };
    Figures at(qint64 t, double jitter) const
    {
        const double hours = double(t - start()) / 3600'000.0;
        const double heading = std::fmod(360 + 200 * std::sin(hours / 40) + 20 * hours, 360.0);
        const bool drop = inDrop(t);
        const double distance = 14 + 6 * std::sin(hours / 7);
        Figures f{};
        f.signal = drop ? -120 : std::round(-52 - distance + 3 * std::sin(hours * 3) + jitter);
        f.noise = -96 + std::round(jitter / 3);
        f.capDown = drop ? 0 : 420 + 40 * std::sin(hours);
        f.capUp = drop ? 0 : 400 + 30 * std::cos(hours);
        f.rx = drop ? 0 : std::round((8 + 6 * std::sin(hours * 5) + jitter) * 100) / 100;
        f.tx = drop ? 0 : std::round((3 + 2 * std::cos(hours * 4)) * 100) / 100;
        f.ping = 3 + std::abs(jitter);
        f.heading = std::round(heading * 10) / 10;
        f.angle = std::round(std::fmod(heading + 90 + 360, 360.0) * 10) / 10;
        f.speed = 18 + 4 * std::sin(hours / 5);
        f.lat = 31.2 + 2 * std::sin(hours / 300);
        f.lon = 121.4 + 3 * std::cos(hours / 300);
        f.distance = std::round(distance * 100) / 100;
        f.radio = drop ? 0 : 1;
        f.board = 1;
        // A refused cloud report now and then: 20 minutes every 3 days.
        f.cloud = (t - start()) % (3 * kDayMs) < 20 * kMinuteMs ? 0 : 1;
        return f;
    }

    static void exec(QSqlQuery &q, const QString &sql)
    {
        if (!q.exec(sql))
            throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
    }

    Counts make(const QString &path) const
    {
        QFile::remove(path);
        for (const char *side : {"-wal", "-shm"})
            QFile::remove(path + QLatin1String(side));
        const QString name = QStringLiteral("korvane-history-year");
        Counts counts;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            if (!db.open())
                throw std::runtime_error(db.lastError().text().toStdString());
            QSqlQuery q(db);
            exec(q, QStringLiteral("PRAGMA journal_mode=OFF"));
            exec(q, QStringLiteral("PRAGMA synchronous=OFF"));
            for (const char *create : history::kCreateSchema)
                exec(q, QString::fromLatin1(create));
            db.transaction();
            counts.minutes = writeMinutes(db);
            counts.seconds = writeSeconds(db);
            QSqlError error;
            if (!history::foldMinutes(db, rawStart(), now + kMinuteMs, &error))
                throw std::runtime_error(error.text().toStdString());
            counts.events = writeEvents(db);
            db.commit();
            exec(q, QStringLiteral("PRAGMA user_version=%1").arg(history::kSchemaVersion));
            exec(q, QStringLiteral("PRAGMA journal_mode=WAL"));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return counts;
    }

private:
    qint64 writeMinutes(QSqlDatabase &db) const
    {
        QStringList columns{QStringLiteral("t"), QStringLiteral("n")};
        for (const QString &c : history::kFigureColumns)
            columns << c + QStringLiteral("_min") << c + QStringLiteral("_mean") << c + QStringLiteral("_max");
        columns << history::kStateColumns;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO minutes (%1) VALUES (%2)")
                      .arg(columns.join(QLatin1Char(',')), QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
        QRandomGenerator random(seed);
        qint64 rows = 0;
        for (qint64 t = start(); t < rawStart() / kMinuteMs * kMinuteMs; t += kMinuteMs, ++rows) {
            const Figures lo = at(t, -2 - random.bounded(3));
            const Figures mid = at(t + 30'000, 0);
            const Figures hi = at(t + 59'000, 2 + random.bounded(3));
            const double values[][3] = {
                {std::min(lo.signal, hi.signal), mid.signal, std::max(lo.signal, hi.signal)},
                {lo.noise, mid.noise, hi.noise},
                {0, 1, 3},
                {lo.capDown, mid.capDown, hi.capDown},
                {lo.capUp, mid.capUp, hi.capUp},
                {std::min(lo.rx, hi.rx), mid.rx, std::max(lo.rx, hi.rx)},
                {std::min(lo.tx, hi.tx), mid.tx, std::max(lo.tx, hi.tx)},
                {2.0 + random.bounded(2), 4.0 + random.bounded(2), 6.0 + random.bounded(random.bounded(20) == 0 ? 60 : 8)},
                {4, 5, 6},
                {std::min(lo.angle, hi.angle), mid.angle, std::max(lo.angle, hi.angle)},
                {-1, 0, 1},
                {std::min(lo.heading, hi.heading), mid.heading, std::max(lo.heading, hi.heading)},
                {lo.speed, mid.speed, hi.speed},
                {lo.lat, mid.lat, hi.lat},
                {lo.lon, mid.lon, hi.lon},
                {lo.lat + 0.1, mid.lat + 0.1, hi.lat + 0.1},
                {lo.lon + 0.1, mid.lon + 0.1, hi.lon + 0.1},
                {std::min(lo.distance, hi.distance), mid.distance, std::max(lo.distance, hi.distance)},
            };
            int i = 0;
            q.bindValue(i++, t);
            q.bindValue(i++, 60);
            for (const auto &v : values)
                for (double x : v)
                    q.bindValue(i++, x);
            q.bindValue(i++, double(lo.board));
            q.bindValue(i++, double(std::min(lo.radio, hi.radio)));
            q.bindValue(i++, double(std::min(lo.cloud, hi.cloud)));
            if (!q.exec())
                throw std::runtime_error(q.lastError().text().toStdString());
        }
        return rows;
    }

    qint64 writeSeconds(QSqlDatabase &db) const
    {
        QStringList columns{QStringLiteral("t")};
        columns << history::kFigureColumns << history::kStateColumns << QStringLiteral("radio_family");
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO samples (%1) VALUES (%2)")
                      .arg(columns.join(QLatin1Char(',')), QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
        QRandomGenerator random(seed + 1);
        qint64 rows = 0;
        for (qint64 t = rawStart(); t < now; t += 1000, ++rows) {
            const Figures f = at(t, random.bounded(5) - 2);
            const double values[] = {f.signal, f.noise, 1,        f.capDown, f.capUp, f.rx,  f.tx,
                                     f.ping,   5,       f.angle,  0,         f.heading, f.speed, f.lat,
                                     f.lon,    f.lat + 0.1, f.lon + 0.1, f.distance};
            int i = 0;
            q.bindValue(i++, t);
            for (double v : values)
                q.bindValue(i++, v);
            q.bindValue(i++, f.board);
            q.bindValue(i++, f.radio);
            q.bindValue(i++, f.cloud);
            q.bindValue(i++, 1);
            if (!q.exec())
                throw std::runtime_error(q.lastError().text().toStdString());
        }
        return rows;
    }

    qint64 writeEvents(QSqlDatabase &db) const
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO events (t, kind, text, words) VALUES (?, ?, ?, ?)"));
        QRandomGenerator random(seed + 2);
        const auto stamp = [](qint64 t) { return QDateTime::fromMSecsSinceEpoch(t).toString(QStringLiteral("HH:mm:ss")); };
        const auto head = [&](qint64 t) { return stamp(t) + QStringLiteral(" 主机类型(1)事件："); };
        qint64 rows = 0;
        const auto put = [&](qint64 t, const QString &kind, const QString &text, const QString &words = {}) {
            q.bindValue(0, t);
            q.bindValue(1, kind);
            q.bindValue(2, text);
            q.bindValue(3, words.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(words));
            if (!q.exec())
                throw std::runtime_error(q.lastError().text().toStdString());
            ++rows;
        };
        const qint64 step = qint64(days) * kDayMs / std::max(1, events);
        for (qint64 t = start(); t < now && rows < events; t += step) {
            qint64 began = 0;
            const bool drop = inDrop(t, &began);
            const quint32 pick = random.bounded(1000);
            const QString date = QDateTime::fromMSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (drop && t - began < step) {
                put(t, history::kind::LinkLost, head(t) + QStringLiteral("信号丢失（信号低于-110 dBm）"));
                put(t + 2000, history::kind::LinkLost, head(t + 2000) + QStringLiteral("微波连接中断（连接已断开）"));
            } else if (drop) {
                put(t, history::kind::Sweep, date + QStringLiteral("信号丢失系统自动搜索和扫描中......"));
            } else if (inDrop(t - step, &began)) {
                put(t, history::kind::Login, head(t) + QStringLiteral("微波登录成功！"));
                put(t + 1000, history::kind::LinkBack, head(t + 1000) + QStringLiteral("微波恢复，中断12分"));
                put(t + 2000, history::kind::LinkBack, head(t + 2000) + QStringLiteral("信号恢复，中断12分"));
            } else if (pick < 350) {
                const int m = -58 - int(random.bounded(6));
                put(t, history::kind::Comparison,
                    date + QStringLiteral("信号最强(M)：%1 信号(L)：%2 信号(R)：%3 注：-120表示无信号").arg(m).arg(m - 3).arg(m - 2));
            } else if (pick < 380) {
                const int side = int(random.bounded(12)) * 30;
                put(t, history::kind::Drive, head(t) + QStringLiteral("手动驱动：[P0H%1V0]").arg(side - 90),
                    QStringLiteral("手动驱动：") + history::sideOfBow(side));
            } else if (pick < 395) {
                put(t, history::kind::CloudFailure, head(t) + QStringLiteral("云平台连接错误: Connection refused"));
            } else if (pick < 398) {
                put(t, history::kind::Alarm, QStringLiteral("告警：罗盘数据长时间未变化"));
            } else if (pick < 420) {
                put(t, history::kind::Operator, head(t) + QStringLiteral("p"));
            } else {
                put(t, history::kind::Other, head(t) + QStringLiteral("微波设备信息：AF5XHD 已连接"));
            }
        }
        return rows;
    }
};

} // namespace korvane::test
