#include "nav/AisHeadingSaver.h"

#include "model/SettingKeys.h"
#include "platform/SettingsStore.h"

namespace korvane {

AisHeadingSaver::AisHeadingSaver(SettingsStore &settings)
    : m_settings(settings)
{
    // A zero timer runs after the socket notifiers of the same turn of the
    // event loop, so the link's write goes before the disk's sync.
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { flush(); });
}

AisHeadingSaver::~AisHeadingSaver()
{
    flush();
}

void AisHeadingSaver::save(std::int32_t heading)
{
    m_pending = heading;
    if (!m_timer.isActive())
        m_timer.start();
}

void AisHeadingSaver::flush()
{
    m_timer.stop();
    if (!m_pending)
        return;
    const QString value = QString::number(*m_pending);
    m_pending.reset();
    if (m_settings.read(keys::USE_SHIP_AIS_ANG) != value)
        m_settings.write(keys::USE_SHIP_AIS_ANG, value);
}

} // namespace korvane
