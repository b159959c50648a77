#pragma once

#include "platform/settingsstore.h"
#include "store/table.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace ordovan::test {

// A prepared installation in a temporary folder: a data folder with the working tables and
// one Mandant, a settings file in the registry export form, a folder "Bank" for sources and
// SEPA files, and the program run on it through its command line.
class Installation
{
public:
    struct Mandant
    {
        int id = 1;
        QString name = QStringLiteral("Müller Getränke GmbH");
        QString iban = QStringLiteral("DE89370400440532013000");
        QString bic = QStringLiteral("COBADEFFXXX");
        QString creditorId = QStringLiteral("DE98ZZZ09999999999");
    };

    struct Result
    {
        int exitCode = -1;
        QString standardError;
    };

    Installation();

    QString dataDir() const;
    QString settingsPath() const;
    QString bank() const; // ".../Bank/"
    QString logDir() const { return dataDir() + QStringLiteral("Log/"); }

    // Creates the six working table files with the Mandanten in mandant.xml.
    void createTables(const QList<Mandant> &mandanten);
    void createTables() { createTables({Mandant()}); }
    // Stores the Mandant's settings: source and target in "Bank", semicolon separated,
    // double quotes, a title row, amounts as "11,58", the payment type, and the mapping
    // Name 0, IBAN 1, BIC 2, Betrag 3, Verw1 4, Mandatsreferenz 5. Also the global Mandant.
    void configure(int mandant, int paymentType,
                   const QString &source = QStringLiteral("quelle.csv"),
                   const QString &target = QStringLiteral("sepa.xml"));
    platform::SettingsStore &settings() { return *m_settings; }

    // Writes the source in Windows-1252 with CR LF: the title row, then the records, each a
    // list of fields joined by ";" and quoted.
    void writeSource(const QList<QStringList> &records,
                     const QString &name = QStringLiteral("quelle.csv"));
    static QStringList record(const QString &name, const QString &iban, const QString &bic,
                              const QString &amount, const QString &purpose,
                              const QString &mandate = QStringLiteral("M-1"));

    // Runs the program with --unattended and the words; fileSizeLimitKb > 0 limits the size
    // of every file it writes (a nearly full disk).
    Result run(const QStringList &words, int fileSizeLimitKb = 0);

    // Reads a table file of the data folder into a fresh table.
    std::unique_ptr<store::Table> table(const QString &fileName) const;
    QStringList logFiles() const;
    QStringList bankFiles() const;

private:
    QTemporaryDir m_root;
    std::unique_ptr<platform::SettingsStore> m_settings;
};

// The values of one field over the visible rows of a table.
QStringList column(store::Table &table, const QString &field);

} // namespace ordovan::test
