// SEPA benchmark tool. Prints the milliseconds of the measured part on standard output.
//
//   sepa_tool build <count> <out.xml> [2009|2019]
//       builds and saves a direct debit (CORE) of <count> transactions with the document
//       builder; the inputs are generated beforehand and not measured.
//   sepa_tool run <count> <out.xml> [2009|2019]
//       the whole file creation (createSepaFile: checks, log lines, document, save) over
//       <count> records in ClientDataSetAZV; filling the table is not measured.
#include "app/context.h"
#include "app/operations.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "sepa/document.h"
#include "sepa/record.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace ordovan;

namespace {

struct Input
{
    QString name, purpose, iban, bic, mandate;
    sepa::Amount amount;
};

// The same inputs as bench/sepa_npm.mjs generates: transaction i.
Input input(int i)
{
    Input in;
    in.name = QStringLiteral("Mitglied Nummer %1 Mustermann").arg(i);
    in.purpose = QStringLiteral("Beitrag 2023 Mitglied %1 Rechnung %2").arg(i).arg(100000 + i);
    const QString bban = QString::number(370400440000000000LL + i);
    int r = 0;
    for (QChar c : bban + QStringLiteral("131400"))
        r = (r * 10 + c.digitValue()) % 97;
    in.iban = QStringLiteral("DE%1").arg(98 - r, 2, 10, QChar(u'0')) + bban;
    in.bic = QStringLiteral("COBADEFFXXX");
    in.mandate = QStringLiteral("MANDAT-%1").arg(i);
    in.amount = sepa::Amount(1000 + i % 100000) * 100;
    return in;
}

int build(int count, const QString &path, sepa::Generation g)
{
    std::vector<Input> inputs;
    inputs.reserve(size_t(count));
    sepa::Amount total = 0;
    for (int i = 0; i < count; ++i) {
        inputs.push_back(input(i));
        total += inputs.back().amount;
    }
    const QDate today = QDate::currentDate();

    QElapsedTimer timer;
    timer.start();
    sepa::DocumentBuilder doc(g);
    sepa::DocumentHeader h;
    h.messageId = h.paymentInfoId = QStringLiteral("08-12-22-14:05:09");
    h.partyName = QStringLiteral("Verein fuer Benchmarks e.V.");
    h.creationTime = QDateTime::currentDateTime();
    h.executionDate = today.addDays(5);
    h.count = count;
    h.total = total;
    h.partyIban = QStringLiteral("DE87123456781234567890");
    h.partyBic = QStringLiteral("DEUTDEFF");
    h.localInstrument = QStringLiteral("CORE");
    doc.addDirectDebitHeader(h);
    sepa::Transaction tx;
    tx.creditorId = QStringLiteral("DE98ZZZ09999999999");
    tx.signatureDate = today;
    for (const Input &in : inputs) {
        tx.name = in.name;
        tx.purpose = in.purpose;
        tx.amount = in.amount;
        tx.iban = in.iban;
        tx.mandateId = in.mandate;
        tx.bic = in.bic;
        doc.addDirectDebitTransaction(tx);
    }
    const qint64 built = timer.elapsed();
    doc.save(path);
    const qint64 elapsed = timer.elapsed();
    std::fprintf(stderr, "build %lld ms, save %lld ms\n", static_cast<long long>(built),
                 static_cast<long long>(elapsed - built));
    std::printf("%lld\n", static_cast<long long>(elapsed));
    return 0;
}

int run(int count, const QString &path, sepa::Generation g)
{
    QTemporaryDir dir;
    platform::SettingsStore settings(dir.filePath(QStringLiteral("Ordovan.reg")));
    platform::UnattendedDialogs dialogs;
    platform::SystemClock clock;
    app::Services services;
    services.dialogs = &dialogs;
    services.clock = &clock;
    services.unattended = true;
    app::Context ctx(dir.path() + u'/', settings, services);
    app::MainState &s = ctx.state;
    s.main.LKontoinhaber = QStringLiteral("Verein für Benchmarks e.V.");
    s.main.LIBAN = QStringLiteral("DE87123456781234567890");
    s.main.LBIC = QStringLiteral("DEUTDEFF");
    s.main.LDebtorID = QStringLiteral("DE98ZZZ09999999999");
    s.main.DTPAusf = QDateTime::currentDateTime().addDays(5);
    s.main.EZieldatei = path;
    s.main.RGZahlungsart = app::LastschriftCore;
    s.main.SEPAFormat = g;

    store::Table &t = ctx.data.ClientDataSetAZV;
    t.createEmpty(store::sepaPaymentFields());
    t.afterInsert = nullptr; // numbered here, not through the settings file
    const int id = t.field(u"ID"), name = t.field(u"Name1"), iban = t.field(u"IBAN"),
              bic = t.field(u"BLZ"), mandate = t.field(u"NotitzIntern"),
              purpose = t.field(u"Verwendungszweck"), amount = t.field(u"Betrag");
    for (int i = 0; i < count; ++i) {
        const Input in = input(i);
        t.insert();
        t.setValue(id, i + 1);
        t.setValue(name, in.name);
        t.setValue(iban, in.iban);
        t.setValue(bic, in.bic);
        t.setValue(mandate, in.mandate);
        t.setValue(purpose, in.purpose);
        t.setValue(amount, double(in.amount) / 10000.0);
        t.post();
    }

    QElapsedTimer timer;
    timer.start();
    app::createSepaFile(ctx, true, QStringLiteral("CORE"), false);
    std::printf("%lld\n", static_cast<long long>(timer.elapsed()));
    if (s.run.RunRecordCount != QString::number(count)) {
        std::fprintf(stderr, "unexpected count %s\n", qPrintable(s.run.RunRecordCount));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: sepa_tool build|run <count> <out.xml> [2009|2019]\n");
        return 64;
    }
    const int count = args[2].toInt();
    const sepa::Generation g =
        args.value(4) == u"2019" ? sepa::Generation::V2019 : sepa::Generation::V2009;
    try {
        if (args[1] == u"build")
            return build(count, args[3], g);
        if (args[1] == u"run")
            return run(count, args[3], g);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 64;
}
