#include "app/mandanteditor.h"
#include "app/settingsnames.h"
#include "appfixture.h"
#include "platform/error.h"
#include "store/recordnumbers.h"
#include "store/schema.h"
#include "store/tablefile.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;
using State = store::Table::State;

namespace {

class MandantEditorTest : public ::testing::Test, public test::AppFixture
{
protected:
    store::Table &m = ctx->data.ClientDataSet3;

    // The Mandanten as mandant.xml holds them: ID -> Name.
    QMap<int, QString> onDisk()
    {
        store::Table t(QStringLiteral("check"));
        store::readTableFile(t, m.filePath());
        QMap<int, QString> rows;
        for (t.first(); !t.eof() && t.hasCurrentRow(); t.next())
            rows.insert(*t.integer(u"ID"), t.text(u"Name"));
        return rows;
    }
    int currentId() const { return m.integer(u"ID").value_or(-1); }
    QString lastText() const
    {
        return dialogs.shown().isEmpty() ? QString() : dialogs.shown().last().text;
    }
};

} // namespace

TEST_F(MandantEditorTest, TypingEditsTheShownMandantAndSavingWritesTheFile)
{
    addMandanten({1, 2});
    m.locate(u"ID", 1);
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Müller & Söhne"));
    app::setMandantField(*ctx, QStringLiteral("BLZ1"), QStringLiteral("37040044"));
    app::setMandantField(*ctx, QStringLiteral("Straße"), QStringLiteral("Hauptstraße 1"));
    EXPECT_EQ(m.state(), State::Edit);
    EXPECT_TRUE(app::mandantEditorControls(*ctx).canSave);
    EXPECT_FALSE(QFileInfo::exists(m.filePath())) << "nothing written while typing";

    app::saveMandant(*ctx);
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_FALSE(app::mandantEditorControls(*ctx).canSave);
    EXPECT_EQ(currentId(), 1);
    EXPECT_EQ(m.integer(u"BLZ1"), 37040044);
    EXPECT_EQ(m.text(u"Straße"), QStringLiteral("Hauptstraße 1"));
    EXPECT_EQ(onDisk().value(1), QStringLiteral("Müller & Söhne"));

    // An emptied bank code is no code at all; saving twice changes nothing.
    app::setMandantField(*ctx, QStringLiteral("BLZ1"), QString());
    app::saveMandant(*ctx);
    EXPECT_TRUE(m.isNull(m.field(u"BLZ1")));
    app::saveMandant(*ctx);
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(MandantEditorTest, TypingIntoAnEmptyTableStartsANewMandant)
{
    m.createEmpty(store::mandantFields());
    settings->writeInteger(u"", store::RecordNumbers::kMandant, 41);
    EXPECT_FALSE(app::mandantEditorControls(*ctx).canDelete);
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Neu GmbH"));
    EXPECT_EQ(m.state(), State::Insert);
    EXPECT_EQ(currentId(), 42);
    EXPECT_EQ(m.integer(u"Aktives Konto"), 1);
    app::saveMandant(*ctx);
    EXPECT_EQ(onDisk(), (QMap<int, QString>{{42, QStringLiteral("Neu GmbH")}}));
}

TEST_F(MandantEditorTest, TextTheFieldCannotHoldIsRefusedWithItsReason)
{
    addMandanten({1});
    m.locate(u"ID", 1);
    struct Case
    {
        const char *field;
        QString text;
        QString message;
    } cases[] = {
        {"Name", QString(51, u'x'),
         QStringLiteral("Im Feld „Name“ sind höchstens 50 Zeichen möglich.")},
        {"PLZ", QStringLiteral("12345678901"),
         QStringLiteral("Im Feld „PLZ“ sind höchstens 10 Zeichen möglich.")},
        {"IBAN2", QString(35, u'1'),
         QStringLiteral("Im Feld „IBAN 2“ sind höchstens 34 Zeichen möglich.")},
        {"Ort", QStringLiteral("Łódź"),
         QStringLiteral("Das Zeichen „Ł“ kann im Feld „Ort“ nicht gespeichert werden.")},
        {"GlID", QStringLiteral("DE98ZZZ\U0001F600"),
         QStringLiteral("Das Zeichen „\U0001F600“ kann im Feld „Gläubiger-ID“ nicht gespeichert "
                        "werden.")},
        {"BLZ1", QStringLiteral("3704OO44"),
         QStringLiteral("Im Feld „BLZ 1“ sind nur bis zu 8 Ziffern möglich.")},
        {"BLZ3", QStringLiteral("370400440"),
         QStringLiteral("Im Feld „BLZ 3“ sind nur bis zu 8 Ziffern möglich.")},
        {"BLZ2", QStringLiteral("-5"),
         QStringLiteral("Im Feld „BLZ 2“ sind nur bis zu 8 Ziffern möglich.")},
    };
    for (const Case &c : cases) {
        try {
            app::setMandantField(*ctx, QString::fromLatin1(c.field), c.text);
            ADD_FAILURE() << c.field << " took " << c.text.toStdString();
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(m.state(), State::Browse) << "a refused text starts no edit: " << c.field;
    }
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Mandant 1"));

    // What fits is taken whole: 50 characters, "?" itself, the euro sign of the code page.
    app::setMandantField(*ctx, QStringLiteral("Name"), QString(49, u'a') + u'€');
    app::setMandantField(*ctx, QStringLiteral("Ort"), QStringLiteral("Wo?"));
    app::saveMandant(*ctx);
    EXPECT_EQ(m.text(u"Name"), QString(49, u'a') + u'€');
    EXPECT_EQ(m.text(u"Ort"), QStringLiteral("Wo?"));
}

TEST_F(MandantEditorTest, NewMandantGetsTheNextNumberAndAccountOne)
{
    addMandanten({3, 9});
    m.locate(u"ID", 9);
    m.remove();
    m.locate(u"ID", 3);
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Geändert"));

    app::startNewMandant(*ctx);
    EXPECT_EQ(m.state(), State::Insert);
    EXPECT_EQ(currentId(), 10) << "never the number of a deleted Mandant";
    EXPECT_EQ(m.integer(u"Aktives Konto"), 1);
    EXPECT_TRUE(m.text(u"Name").isEmpty());
    EXPECT_EQ(onDisk().value(3), QStringLiteral("Geändert")) << "the pending change was saved";

    app::setActiveAccount(*ctx, 3);
    app::saveMandant(*ctx);
    EXPECT_EQ(m.integer(u"Aktives Konto"), 3);
    EXPECT_EQ(onDisk().keys(), (QList<int>{3, 10}));
}

TEST_F(MandantEditorTest, ChoosingTheActiveAccount)
{
    addMandanten({1});
    m.locate(u"ID", 1);
    m.edit();
    m.setValue(u"Aktives Konto", 2);
    m.post();

    app::setActiveAccount(*ctx, 2);
    EXPECT_EQ(m.state(), State::Browse) << "the account it has already is no change";
    app::setActiveAccount(*ctx, 1);
    EXPECT_EQ(m.state(), State::Edit);
    EXPECT_EQ(m.integer(u"Aktives Konto"), 1);
    app::setActiveAccount(*ctx, 3);
    app::saveMandant(*ctx);
    EXPECT_EQ(m.integer(u"Aktives Konto"), 3);
}

TEST_F(MandantEditorTest, DeletingAsksFirstAndKeepsTheSettings)
{
    addMandanten({1, 2, 3});
    settings->writeString(u"2", app::names::Zieldatei, QStringLiteral("/tmp/zwei.xml"));
    m.locate(u"ID", 2);

    dialogs.pushButton(platform::No);
    EXPECT_FALSE(app::deleteMandant(*ctx));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Bestätigen"));
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("Möchten Sie diesen Mandanten wirklich löschen?"));
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::Yes | platform::No);
    EXPECT_EQ(m.recordCount(), 3);

    dialogs.pushButton(platform::Yes);
    EXPECT_TRUE(app::deleteMandant(*ctx));
    EXPECT_EQ(m.recordCount(), 2);
    EXPECT_EQ(currentId(), 3) << "the following Mandant is shown";
    EXPECT_EQ(onDisk().keys(), (QList<int>{1, 3}));
    EXPECT_EQ(settings->readString(u"2", app::names::Zieldatei), QStringLiteral("/tmp/zwei.xml"));

    // A new Mandant not yet saved is simply dropped.
    app::startNewMandant(*ctx);
    dialogs.pushButton(platform::Yes);
    EXPECT_TRUE(app::deleteMandant(*ctx));
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.recordCount(), 2);

    // Nothing to delete: nothing asked.
    for (int id : {1, 3}) {
        m.locate(u"ID", id);
        dialogs.pushButton(platform::Yes);
        app::deleteMandant(*ctx);
    }
    dialogs.clear();
    EXPECT_FALSE(app::deleteMandant(*ctx));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_TRUE(onDisk().isEmpty());
}

TEST_F(MandantEditorTest, NavigationFollowsTheNumbersAndSavesFirst)
{
    addMandanten({5, 2, 8});
    m.locate(u"ID", 2);
    app::MandantEditorControls c = app::mandantEditorControls(*ctx);
    EXPECT_FALSE(c.canPrevious);
    EXPECT_TRUE(c.canNext);

    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Zwei"));
    app::showNextMandant(*ctx);
    EXPECT_EQ(currentId(), 5);
    EXPECT_EQ(onDisk().value(2), QStringLiteral("Zwei"));
    app::showNextMandant(*ctx);
    EXPECT_EQ(currentId(), 8);
    c = app::mandantEditorControls(*ctx);
    EXPECT_TRUE(c.canPrevious);
    EXPECT_FALSE(c.canNext);
    app::showNextMandant(*ctx);
    EXPECT_EQ(currentId(), 8) << "past the last one nothing moves";

    // A new Mandant is saved as the last one; "previous" then shows the one before it.
    m.locate(u"ID", 2);
    app::startNewMandant(*ctx);
    c = app::mandantEditorControls(*ctx);
    EXPECT_TRUE(c.canPrevious);
    EXPECT_FALSE(c.canNext);
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Neun"));
    app::showPreviousMandant(*ctx);
    EXPECT_EQ(currentId(), 8);
    EXPECT_EQ(onDisk().value(9), QStringLiteral("Neun"));
    app::showPreviousMandant(*ctx);
    app::showPreviousMandant(*ctx);
    app::showPreviousMandant(*ctx);
    EXPECT_EQ(currentId(), 2);
}

TEST_F(MandantEditorTest, TheCloseCheckAsksOnlyWithAPendingChange)
{
    addMandanten({1});
    m.locate(u"ID", 1);
    EXPECT_TRUE(app::confirmCloseMandantEditor(*ctx));
    EXPECT_TRUE(dialogs.shown().isEmpty());

    // Abbrechen: the editor stays, with the typed text.
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Halb getippt"));
    dialogs.pushButton(platform::Cancel);
    EXPECT_FALSE(app::confirmCloseMandantEditor(*ctx));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("Änderungen speichern beim aktuellen Datensatz?"));
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Bestätigen"));
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::Yes | platform::No | platform::Cancel);
    EXPECT_EQ(m.state(), State::Edit);
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Halb getippt"));

    // Nein: the change is gone.
    dialogs.pushButton(platform::No);
    EXPECT_TRUE(app::confirmCloseMandantEditor(*ctx));
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Mandant 1"));
    EXPECT_FALSE(QFileInfo::exists(m.filePath()));

    // Ja: saved, in the table and in the file.
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Fertig"));
    dialogs.pushButton(platform::Yes);
    EXPECT_TRUE(app::confirmCloseMandantEditor(*ctx));
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Fertig"));
    EXPECT_EQ(onDisk().value(1), QStringLiteral("Fertig"));

    // Nein on a new Mandant drops it; its number stays used.
    app::startNewMandant(*ctx);
    dialogs.pushButton(platform::No);
    EXPECT_TRUE(app::confirmCloseMandantEditor(*ctx));
    EXPECT_EQ(m.recordCount(), 1);
    EXPECT_EQ(currentId(), 1);
}

TEST_F(MandantEditorTest, AFileThatCannotBeWrittenKeepsTheChange)
{
    addMandanten({1});
    m.locate(u"ID", 1);
    QDir().mkpath(m.filePath()); // mandant.xml is a folder: no file can take its place
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Bleibt"));
    app::saveMandant(*ctx);
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Bleibt"));
    EXPECT_TRUE(m.modified()) << "the next save point tries again";
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(lastText().startsWith(QStringLiteral("Die Datei \"") + m.filePath()));
    EXPECT_TRUE(
        lastText().endsWith(QStringLiteral("Die Änderung bleibt erhalten und wird beim nächsten "
                                           "Speichern der Tabellen geschrieben.")));
}

TEST_F(MandantEditorTest, AClosedTableOffersNothing)
{
    const app::MandantEditorControls c = app::mandantEditorControls(*ctx);
    EXPECT_FALSE(c.editable || c.canSave || c.canDelete || c.canPrevious || c.canNext);
    EXPECT_THROW(app::startNewMandant(*ctx), Error);
    EXPECT_TRUE(app::confirmCloseMandantEditor(*ctx));
}
