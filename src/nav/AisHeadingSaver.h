#pragma once

#include <QTimer>

#include <cstdint>
#include <optional>

namespace korvane {

class SettingsStore;

// Keeps USE_SHIP_AIS_ANG following the AIS heading taken, by the serial
// receiver and the web lookups alike. Every write syncs the store to disk,
// which can take milliseconds, so the write waits until the event loop is
// free again: a drive command handed to the link leaves first, and a read
// holding several reports costs one write. The same value is not written
// twice.
class AisHeadingSaver {
public:
    explicit AisHeadingSaver(SettingsStore &settings);
    ~AisHeadingSaver(); // a heading still waiting is written

    void save(std::int32_t heading);
    // Writes a waiting heading now.
    void flush();

private:
    SettingsStore &m_settings;
    QTimer m_timer;
    std::optional<std::int32_t> m_pending;
};

} // namespace korvane
