#pragma once

#include "app/operations.h"
#include "appfixture.h"
#include "schemacheck.h"
#include "store/schema.h"
#include "testutil.h"

#include <QDir>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

// A file creation run on prepared records: an ordering party on the Mandant labels, the
// records in ClientDataSetAZV and a target file in the temporary folder.
namespace ordovan::test {

struct Rec
{
    QString name1 = QStringLiteral("Müller");
    QString name2 = {};
    QString iban = QStringLiteral("DE87123456781234567890");
    QString bic = QStringLiteral("COBADEFFXXX");
    std::optional<double> amount = 12.5;
    QString purpose = QStringLiteral("Rechnung 1");
    QString mandate = QStringLiteral("MANDAT-1");
    QString street = {};
    QString townCountry = {};
    std::optional<QDate> mandateDate = {};
    QString sequenceType = {};
};

class SepaRunTest : public ::testing::Test, public AppFixture
{
protected:
    SepaRunTest()
    {
        s.main.LKontoinhaber = QStringLiteral("Verein Über & Co");
        s.main.LIBAN = QStringLiteral("DE89370400440532013000");
        s.main.LBIC = QStringLiteral("DEUTDEFF");
        s.main.LDebtorID = QStringLiteral("DE98ZZZ09999999999");
        s.main.DTPAusf = QDateTime(QDate(2022, 12, 12), QTime(9, 0));
        s.main.EZieldatei = target();
        s.main.RGZahlungsart = app::Gutschrift;
        ctx->data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());
        QDir().mkpath(dir.filePath(QStringLiteral("out")));
    }

    QString target() const { return dir.filePath(QStringLiteral("out/sepa.xml")); }

    // Adds a record; its ID comes from the counter (1, 2, 3 ... in a fresh folder).
    qint32 add(const Rec &r)
    {
        store::Table &t = ctx->data.ClientDataSetAZV;
        t.insert();
        t.setValue(u"Name1", r.name1);
        t.setValue(u"Name2", r.name2);
        t.setValue(u"IBAN", r.iban);
        t.setValue(u"BLZ", r.bic);
        if (r.amount)
            t.setValue(u"Betrag", *r.amount);
        t.setValue(u"Verwendungszweck", r.purpose);
        t.setValue(u"NotitzIntern", r.mandate);
        t.setValue(u"Straße", r.street);
        t.setValue(u"OrtLand", r.townCountry);
        if (r.mandateDate)
            t.setValue(u"Mandatsdatum", *r.mandateDate);
        t.setValue(u"Sequenztyp", r.sequenceType);
        const qint32 id = t.integer(t.field(u"ID")).value_or(-1);
        t.post();
        return id;
    }

    QList<qint32> remainingIds()
    {
        QList<qint32> ids;
        store::Table &t = ctx->data.ClientDataSetAZV;
        for (t.first(); !t.eof() && t.hasCurrentRow(); t.next())
            ids << *t.integer(t.field(u"ID"));
        return ids;
    }

    // Log lines without their timestamps.
    QStringList log() const
    {
        QStringList out;
        for (const QString &line : s.log.MLog.lines())
            out << line.mid(line.indexOf(u' ', 11));
        return out;
    }

    void run(bool directDebit = false, const QString &instrument = {}, bool ibanOnly = false)
    {
        app::createSepaFile(*ctx, directDebit, instrument, ibanOnly);
    }

    QByteArray file() const { return readFile(target()); }

    app::MainState &s = ctx->state;
};

} // namespace ordovan::test
