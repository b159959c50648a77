#include "app/mandanteditor.h"
#include "app/settingsnames.h"
#include "appfixture.h"
#include "base/error.h"
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
};

} // namespace

TEST_F(MandantEditorTest, TypingEditsTheRowAndSavingWritesTheFile)
{
    addMandanten({1, 2});
    m.locate(u"ID", 1);
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Müller & Söhne"));
    app::setMandantField(*ctx, QStringLiteral("BLZ1"), QStringLiteral("37040044"));
    EXPECT_EQ(m.state(), State::Edit);
    EXPECT_FALSE(QFileInfo::exists(m.filePath())) << "nothing written while typing";
    app::saveMandant(*ctx);
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.integer(u"BLZ1"), 37040044);
    EXPECT_EQ(onDisk().value(1), QStringLiteral("Müller & Söhne"));

    // An emptied bank code is no code at all.
    app::setMandantField(*ctx, QStringLiteral("BLZ1"), QString());
    app::saveMandant(*ctx);
    EXPECT_TRUE(m.isNull(m.field(u"BLZ1")));
    EXPECT_TRUE(dialogs.shown().isEmpty());

    // Typing into an empty table starts a new Mandant, as "NEU" would.
    m.createEmpty(store::mandantFields());
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Neu GmbH"));
    EXPECT_EQ(m.state(), State::Insert);
    EXPECT_EQ(currentId(), 3);
    EXPECT_EQ(m.integer(u"Aktives Konto"), 1);
}

TEST_F(MandantEditorTest, TextTheFieldCannotHoldIsRefusedWithItsReason)
{
    addMandanten({1});
    m.locate(u"ID", 1);
    const std::pair<const char *, QString> cases[] = {
        {"Name", QString(51, u'x')},          {"IBAN2", QString(35, u'1')},
        {"Ort", QStringLiteral("Łódź")},      {"GlID", QStringLiteral("DE98ZZZ\U0001F600")},
        {"BLZ1", QStringLiteral("3704OO44")}, {"BLZ3", QStringLiteral("370400440")},
        {"BLZ2", QStringLiteral("-5")},
    };
    const QStringList messages = {
        QStringLiteral("Im Feld „Name“ sind höchstens 50 Zeichen möglich."),
        QStringLiteral("Im Feld „IBAN 2“ sind höchstens 34 Zeichen möglich."),
        QStringLiteral("Das Zeichen „Ł“ kann im Feld „Ort“ nicht gespeichert werden."),
        QStringLiteral("Das Zeichen „\U0001F600“ kann im Feld „Gläubiger-ID“ nicht gespeichert "
                       "werden."),
        QStringLiteral("Im Feld „BLZ 1“ sind nur bis zu 8 Ziffern möglich."),
        QStringLiteral("Im Feld „BLZ 3“ sind nur bis zu 8 Ziffern möglich."),
        QStringLiteral("Im Feld „BLZ 2“ sind nur bis zu 8 Ziffern möglich."),
    };
    QStringList refused;
    for (const auto &[field, text] : cases) {
        try {
            app::setMandantField(*ctx, QString::fromLatin1(field), text);
            refused << QStringLiteral("taken: ") + text;
        } catch (const Error &e) {
            refused << e.message();
        }
    }
    EXPECT_EQ(refused, messages);
    EXPECT_EQ(m.state(), State::Browse) << "a refused text starts no edit";

    // What fits is taken whole: 50 characters, "?" itself, the euro sign of the code page.
    app::setMandantField(*ctx, QStringLiteral("Name"), QString(49, u'a') + u'€');
    app::setMandantField(*ctx, QStringLiteral("Ort"), QStringLiteral("Wo?"));
    EXPECT_EQ(m.text(u"Name"), QString(49, u'a') + u'€');
    EXPECT_EQ(m.text(u"Ort"), QStringLiteral("Wo?"));
}

TEST_F(MandantEditorTest, NewMandantSavesThePendingChangeFirst)
{
    addMandanten({3, 9});
    m.locate(u"ID", 9);
    m.remove();
    m.locate(u"ID", 3);
    app::setMandantField(*ctx, QStringLiteral("Name"), QStringLiteral("Geändert"));
    app::startNewMandant(*ctx);
    EXPECT_EQ(m.state(), State::Insert);
    EXPECT_EQ(currentId(), 10) << "never the number of a deleted Mandant";
    EXPECT_EQ(onDisk().value(3), QStringLiteral("Geändert"));

    // It is posted as the last one: "previous" saves it and shows the one before.
    const app::MandantEditorControls c = app::mandantEditorControls(*ctx);
    EXPECT_TRUE(c.canPrevious);
    EXPECT_FALSE(c.canNext);
    app::showPreviousMandant(*ctx);
    EXPECT_EQ(currentId(), 3);
    EXPECT_EQ(onDisk().keys(), (QList<int>{3, 10}));
}

TEST_F(MandantEditorTest, DeletingKeepsTheSettingsAndDropsANewMandant)
{
    addMandanten({1, 2});
    settings->writeString(u"2", u"Zieldatei", QStringLiteral("/tmp/zwei.xml"));
    m.locate(u"ID", 2);
    dialogs.pushButton(platform::Yes);
    EXPECT_TRUE(app::deleteMandant(*ctx));
    EXPECT_EQ(onDisk().keys(), (QList<int>{1}));
    EXPECT_EQ(settings->readString(u"2", u"Zieldatei"), QStringLiteral("/tmp/zwei.xml"));

    app::startNewMandant(*ctx);
    dialogs.pushButton(platform::Yes);
    EXPECT_TRUE(app::deleteMandant(*ctx));
    EXPECT_EQ(m.state(), State::Browse);
    EXPECT_EQ(m.recordCount(), 1);

    // Nothing to delete: nothing asked.
    dialogs.pushButton(platform::Yes);
    app::deleteMandant(*ctx);
    dialogs.clear();
    EXPECT_FALSE(app::deleteMandant(*ctx));
    EXPECT_TRUE(dialogs.shown().isEmpty());
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
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden.\nDie Änderung bleibt "
                             "erhalten und wird beim nächsten Speichern der Tabellen geschrieben.")
                  .arg(m.filePath()));
}
