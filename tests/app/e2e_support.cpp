#include "e2e_support.h"

#include "base/codec.h"
#include "platform/files.h"
#include "store/datamodule.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

namespace ordovan::test {

Installation::Installation()
{
    QDir().mkpath(bank());
    m_settings = std::make_unique<platform::SettingsStore>(settingsPath());
}

QString Installation::dataDir() const
{
    return m_root.filePath(QStringLiteral("data/Ordovan 2022/"));
}

QString Installation::settingsPath() const
{
    return m_root.filePath(QStringLiteral("config/Brunnhold Software/Ordovan.reg"));
}

QString Installation::bank() const
{
    return m_root.filePath(QStringLiteral("Bank/"));
}

void Installation::createTables(const QList<Mandant> &mandanten)
{
    platform::ensureDirectory(dataDir());
    store::DataModule data(dataDir());
    data.createEmptyWorkingTables();
    store::Table &m = data.ClientDataSet3;
    int last = 0;
    for (const Mandant &entry : mandanten) {
        m.insert();
        m.setValue(u"ID", entry.id);
        m.setValue(u"Name", entry.name);
        m.setValue(u"IBAN1", entry.iban);
        m.setValue(u"BIC1", entry.bic);
        m.setValue(u"Kontonummer1", QStringLiteral("532013000"));
        m.setValue(u"BLZ1", 37040044);
        m.setValue(u"GlID", entry.creditorId);
        m.setValue(u"Aktives Konto", 1);
        m.post();
        last = std::max(last, entry.id);
    }
    data.saveTable(m);
    m_settings->writeInteger(u"", u"LastMandantID", last);
}

void Installation::configure(int mandant, int paymentType, const QString &source,
                             const QString &target)
{
    platform::SettingsStore::Batch batch(*m_settings);
    const QString key = QString::number(mandant);
    m_settings->writeInteger(u"", u"Mandant", mandant);
    m_settings->writeString(key, u"Quelldatei", source.isEmpty() ? QString() : bank() + source);
    m_settings->writeString(key, u"Zieldatei", target.isEmpty() ? QString() : bank() + target);
    m_settings->writeString(key, u"Trennzeichen", QStringLiteral("Semikolon"));
    m_settings->writeString(key, u"Textkennzeichner", QStringLiteral("doppelt"));
    m_settings->writeInteger(key, u"Titelzeile", 1);
    m_settings->writeInteger(key, u"Betragformat", 0);
    m_settings->writeInteger(key, u"Zahlungsart", paymentType);
    const std::pair<const char16_t *, int> mapping[] = {{u"NameX", 0}, {u"IBANx", 1},
                                                        {u"BICx", 2},  {u"Betrag", 3},
                                                        {u"Verw1", 4}, {u"NotitzInternX", 5}};
    for (const auto &[name, index] : mapping)
        m_settings->writeInteger(key, name, index);
    batch.commit();
}

QStringList Installation::record(const QString &name, const QString &iban, const QString &bic,
                                 const QString &amount, const QString &purpose,
                                 const QString &mandate)
{
    return {name, iban, bic, amount, purpose, mandate};
}

void Installation::writeSource(const QList<QStringList> &records, const QString &name)
{
    QString text = QStringLiteral("\"Name\";\"IBAN\";\"BIC\";\"Betrag\";\"Zweck\";\"Mandat\"\r\n");
    for (const QStringList &r : records) {
        QStringList quoted;
        for (const QString &field : r)
            quoted << u'"' + field + u'"';
        text += quoted.join(u';') + QStringLiteral("\r\n");
    }
    writeFile(bank() + name, codec::toCp1252(text));
}

Installation::Result Installation::run(const QStringList &words, int fileSizeLimitKb)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Keeps Qt from warning about a missing runtime folder on standard error.
    const QString runtime = m_root.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_root.path());
    QStringList args = {QStringLiteral("--unattended")};
    args << words;
    if (fileSizeLimitKb > 0) {
        // bash counts the limit in kilobytes.
        QStringList shell = {
            QStringLiteral("-c"),
            QStringLiteral("ulimit -f %1; exec \"$0\" \"$@\"").arg(fileSizeLimitKb),
            QStringLiteral(ORDOVAN_BINARY)};
        p.start(QStringLiteral("/bin/bash"), shell + args);
    } else {
        p.start(QStringLiteral(ORDOVAN_BINARY), args);
    }
    p.closeWriteChannel(); // a run from cron has nothing to read
    Result r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        r.standardError = QStringLiteral("timeout");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.standardError = QString::fromUtf8(p.readAllStandardError());
    return r;
}

std::unique_ptr<store::Table> Installation::table(const QString &fileName) const
{
    auto t = std::make_unique<store::Table>(fileName);
    store::readTableFile(*t, dataDir() + fileName);
    return t;
}

QStringList Installation::logFiles() const
{
    return QDir(logDir()).entryList(QDir::Files, QDir::Name);
}

QStringList Installation::bankFiles() const
{
    return QDir(bank()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList column(store::Table &table, const QString &field)
{
    QStringList values;
    for (table.first(); !table.eof(); table.next())
        values << table.text(field);
    return values;
}

} // namespace ordovan::test
