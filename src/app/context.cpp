#include "context.h"

#include "platform/clock.h"

namespace ordovan::app {

Context::Context(const QString &dataDir, platform::SettingsStore &settings, Services services)
    : data(dataDir), settings(settings), numbers(settings), services(services)
{
    data.installNumbering(numbers);
    data.setToday([this] { return now().date(); });
}

QDateTime Context::now() const
{
    return services.clock ? services.clock->now() : QDateTime::currentDateTime();
}

void Context::appendLogLine(const QString &text)
{
    state.log.MLog.append(now(), text);
}

void Context::appendLogLine(QStringView text)
{
    state.log.MLog.append(now(), text);
}

} // namespace ordovan::app
