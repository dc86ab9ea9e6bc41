#pragma once

#include "app/SettingKeys.h"
#include "platform/SettingsStore.h"

#include <cstdint>

namespace korvane {

// USE_SHIP_AIS_ANG follows every heading taken. Each write syncs the store
// to disk, which can take milliseconds, so the same value is not written
// again: the stored value is the same either way.
inline void saveAisHeading(SettingsStore &settings, std::int32_t heading)
{
    const QString value = QString::number(heading);
    if (settings.read(keys::USE_SHIP_AIS_ANG) != value)
        settings.write(keys::USE_SHIP_AIS_ANG, value);
}

} // namespace korvane
