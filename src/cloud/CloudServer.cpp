#include "cloud/CloudServer.h"

#include "model/SettingKeys.h"
#include "text/HostPort.h"
#include "platform/SettingsStore.h"

namespace korvane {

namespace {

QString storedOr(const SettingsStore &settings, const QString &key, const QString &fallback)
{
    const QString value = settings.read(key).trimmed();
    return value.isEmpty() ? fallback : value;
}

} // namespace

CloudServerSettings CloudServerSettings::read(const SettingsStore &settings)
{
    CloudServerSettings s;
    s.name = storedOr(settings, cloudserver::CLOUD_SERVER_NAME, cloudserver::kDefaultName);
    s.address = storedOr(settings, cloudserver::CLOUD_SERVER_IP, cloudserver::kDefaultAddress);
    s.storedHost = settings.read(keys::CLOUD_HOST);
    return s;
}

CloudEndpoint chooseCloudEndpoint(bool ipMode, const CloudServerSettings &settings)
{
    CloudEndpoint e;
    e.hostHeader = settings.name;
    if (ipMode)
        e.target = settings.storedHost.isEmpty() ? settings.address : settings.storedHost;
    else
        e.target = settings.name;
    QString host;
    std::int32_t port = 0;
    if (SplitAndValidateHostPort(e.target, host, port)) {
        e.host = host;
        e.port = port;
    } else {
        e.host = e.target;
    }
    return e;
}

} // namespace korvane
