#include "appfixture.h"

#include "store/schema.h"

#include <QDir>

namespace ordovan::test {

AppFixture::AppFixture() : clock(QDateTime(QDate(2022, 12, 8), QTime(14, 5, 9, 42)))
{
    QDir().mkpath(dataDir());
    settings = std::make_unique<platform::SettingsStore>(settingsPath());
    app::Services services{&dialogs, &desktop, &clock, &tabular, nullptr, true};
    ctx = std::make_unique<app::Context>(dataDir(), *settings, services);
}

AppFixture::~AppFixture() = default;

QString AppFixture::dataDir() const
{
    return dir.filePath(QStringLiteral("data/Ordovan 2022/"));
}

QString AppFixture::settingsPath() const
{
    return dir.filePath(QStringLiteral("config/Brunnhold Software/Ordovan.reg"));
}

void AppFixture::addMandanten(const QList<int> &ids)
{
    store::Table &t = ctx->data.ClientDataSet3;
    if (!t.isOpen())
        t.createEmpty(store::mandantFields());
    for (int id : ids) {
        t.insert();
        t.setValue(u"ID", id);
        t.setValue(u"Name", QStringLiteral("Mandant %1").arg(id));
        t.post();
    }
}

} // namespace ordovan::test
