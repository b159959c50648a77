// An .xls source whose amounts, IBANs and purposes are formulas, through the whole program:
// the stored results become the payments; an error in the amount column is no amount.
#include "e2e_support.h"
#include "testutil.h"

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

namespace {

const QString kFormulas = QStringLiteral(ORDOVAN_TEST_DATA "/tabular/formeln.xls");

Installation::Result runOnSheet(Installation &inst, const QString &sheet)
{
    test::writeFile(inst.bank() + QStringLiteral("formeln.xls"), test::readFile(kFormulas));
    inst.createTables();
    inst.configure(1, 3, QStringLiteral("formeln.xls"));
    inst.settings().writeString(u"1", u"Tabellenname", sheet);
    return inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
}

} // namespace

TEST(XlsFormulaRun, FormulaResultsBecomeThePayments)
{
    Installation inst;
    const Installation::Result r = runOnSheet(inst, QStringLiteral("Zahlungen"));
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QByteArray sepa = test::readFile(inst.bank() + QStringLiteral("sepa.xml"));
    // =5.79*2, =SUM(1000,158), =7/100; the second IBAN is ="DE02"&"120300000000202051".
    EXPECT_TRUE(sepa.contains("<NbOfTxs>3</NbOfTxs>")) << sepa.constData();
    EXPECT_TRUE(sepa.contains("<CtrlSum>1169.65</CtrlSum>"));
    EXPECT_TRUE(sepa.contains(">11.58<"));
    EXPECT_TRUE(sepa.contains(">1158.00<"));
    EXPECT_TRUE(sepa.contains(">0.07<"));
    EXPECT_TRUE(sepa.contains("DE02120300000000202051"));
}

TEST(XlsFormulaRun, AnErrorInTheAmountColumnIsNoPaymentOfOneEuro)
{
    Installation inst;
    const Installation::Result r = runOnSheet(inst, QStringLiteral("Fehlerhaft"));
    const QByteArray sepa = test::readFile(inst.bank() + QStringLiteral("sepa.xml"));
    // Only the payment with a real amount goes to the bank, if any file is written at all.
    EXPECT_FALSE(sepa.contains(">1.00<")) << sepa.constData();
    if (!sepa.isEmpty()) {
        EXPECT_TRUE(sepa.contains("<NbOfTxs>1</NbOfTxs>")) << sepa.constData();
        EXPECT_TRUE(sepa.contains("<CtrlSum>0.07</CtrlSum>"));
    }
    const QStringList logs = inst.logFiles();
    ASSERT_EQ(logs.size(), 1);
    const QByteArray log = test::readFile(inst.logDir() + logs.first());
    EXPECT_TRUE(log.contains("#DIV/0!")) << log.constData() << r.exitCode;
}
