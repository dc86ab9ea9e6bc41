#pragma once

#include <QDateTime>

namespace korvane {

// Wall-clock time for texts and file names. Waits never use it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace korvane
