// The manual's reference chapter explains every message and log line. These tests take the
// texts from the program's own constants where they are public, so a message added or
// reworded without the manual following fails here.
#include "app/backup.h"
#include "app/batchrun.h"
#include "app/commandline.h"
#include "app/mandanteditor.h"
#include "app/tabularsource.h"
#include "app/wizard.h"
#include "formats/tabularerrors.h"
#include "sepa/record.h"

#include "testutil.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString manual()
{
    static const QString text =
        QString::fromUtf8(test::readFile(QStringLiteral(ORDOVAN_MANUAL_SOURCE)));
    return text;
}

// The parts of a text around the placeholder PLATZHALTER, each as the manual must hold it.
// Log texts begin with the blank after the timestamp; the manual shows them without it.
QStringList fixedParts(const QString &text)
{
    QStringList parts;
    for (const QString &part : text.split(QStringLiteral("PLATZHALTER"))) {
        const QString trimmed = part.trimmed();
        if (trimmed.size() > 3)
            parts << trimmed;
    }
    return parts;
}

void expectExplained(const QString &text)
{
    for (const QString &part : fixedParts(text))
        EXPECT_TRUE(manual().contains(part))
            << "the manual does not explain: " << part.toStdString();
}

const QString kName = QStringLiteral("PLATZHALTER");

} // namespace

TEST(ManualMessages, SepaRecordLogLines)
{
    namespace t = sepa::text;
    for (const QString &text :
         {t::kNoAccountHolder, t::kBadBic, t::kBadIban, t::kIbanOutsideSepa, t::kBicRequired,
          t::kAddressRequired, t::kBadAmount, t::kNoMandate, t::kBadMandate, t::kBadMandateDate,
          t::kBadSequenceType, t::kNameCut, t::kPurposeCut, t::kMandateAdjusted})
        expectExplained(QStringLiteral(" SEPA-Datei Datensatz ID <n>") + text);
}

TEST(ManualMessages, OrderingPartyMessages)
{
    namespace t = sepa::text;
    for (const QString &text : {t::kPartyName, t::kPartyBic, t::kPartyIban,
                                t::kPartyCreditorIdMissing, t::kPartyCreditorIdInvalid})
        expectExplained(text);
}

TEST(ManualMessages, BatchRunStatusTextsAndQuestions)
{
    namespace t = app::batchtexts;
    for (const QString &text : {t::starting, t::sourceNotFound, t::sourceUnreadable,
                                t::importFailed, t::finished, t::noSource, t::repeatRefused})
        expectExplained(text);
    QString question = t::alreadyProcessed(QDate(2026, 12, 1), kName);
    question.replace(QStringLiteral("01.12.2026"), QStringLiteral("TT.MM.JJJJ"));
    expectExplained(question);
}

TEST(ManualMessages, WorkbookAndDatabaseLogLines)
{
    namespace t = app::tabular_log;
    for (const QString &text : {t::kExcelStart, t::kExcelEnd, t::kExcelNotFound, t::kExcelReadError,
                                t::kExcelOpenError, t::kAccessStart, t::kAccessEnd,
                                t::kAccessNotFound, t::kAccessReadError, t::kAccessOpenError})
        expectExplained(text);
}

TEST(ManualMessages, ReasonsASourceWasRefused)
{
    namespace t = formats::tabular_errors;
    for (const QString &text :
         {t::cannotOpen(kName), t::notAWorkbook(kName), t::notADatabase(kName), t::encrypted(kName),
          t::damaged(kName), t::notFound(kName), t::unreadable(kName), t::unsupportedXlsb(),
          t::noSuchTable(kName), t::tooManyCells(1), t::tooManyRows(1), t::tooMuchText(),
          t::partTooLarge(kName), t::fileTooLarge(kName)}) {
        QString general = text;
        general.replace(QStringLiteral("1 "), QStringLiteral("PLATZHALTER "));
        expectExplained(general);
    }
}

TEST(ManualMessages, BackupAndEditorMessages)
{
    namespace b = app::backuptext;
    for (const QString &text : {b::kConfirmRestore, b::missing(kName), b::unreadable(kName),
                                b::damaged(kName), b::noFolder(kName)})
        expectExplained(text);
    expectExplained(app::mandanteditortext::kDeleteQuestion);
    expectExplained(app::mandanteditortext::kSaveChangesQuestion);
}

TEST(ManualMessages, WizardMessages)
{
    namespace t = app::wizardtext;
    for (const QString &text : {t::kExcelNotFound, t::kAccessNotFound, t::kSourceNotFound,
                                t::kExcelReadError, t::kAccessReadError, t::kSourceReadError})
        expectExplained(text);
}

TEST(ManualMessages, CommandLineErrors)
{
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--format=1999")},
          QStringList{QStringLiteral("--execution-date=morgen")},
          QStringList{QStringLiteral("--gibtsnicht")},
          QStringList{QStringLiteral("start"), QStringLiteral("gs"), QStringLiteral("1"),
                      QStringLiteral("zuviel")}}) {
        QString error = app::parseCommandLine(arguments).error;
        ASSERT_FALSE(error.isEmpty());
        for (const QString &value :
             {QStringLiteral("1999"), QStringLiteral("morgen"), QStringLiteral("--gibtsnicht")})
            error.replace(value, kName);
        expectExplained(error);
    }
}

TEST(ManualMessages, ExitStatusesOfTheHelp)
{
    // Every exit status --help lists has its row in the manual's table.
    const QString help = app::helpText();
    const qsizetype from = help.indexOf(QStringLiteral("Rückgabewerte:"));
    ASSERT_GE(from, 0);
    for (const QString &line : help.mid(from).split(u'\n').mid(1)) {
        const QString code = line.trimmed().section(u' ', 0, 0);
        if (code.isEmpty())
            continue;
        EXPECT_TRUE(manual().contains(QStringLiteral("\n| ") + code + QStringLiteral(" | ")))
            << "exit status " << code.toStdString();
    }
}
