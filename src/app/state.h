#pragma once

#include "import/sourcegrid.h"
#include "processinglog.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace ordovan::app {

// The main window's values, as a plain object. The windows only show it and copy edits back;
// the batch run, the command line and the tests read and write it directly. Members carry
// the names of the controls they stand for.

enum class Separator
{
    Tab,
    Semicolon,
    Comma
};
enum class Qualifier
{
    Double,
    Single,
    None
};
enum class WindowState
{
    Normal,
    Maximized,
    Minimized
};

// Payment types of RGZahlungsart.
enum PaymentType : int
{
    NoPaymentType = -1,
    LastschriftCore = 0,
    LastschriftCor1 = 1,
    LastschriftB2b = 2,
    Gutschrift = 3,
};
QString paymentTypeCaption(int choice); // "Lastschrift CORE" ... "Gutschrift"; empty for none

// A check box with its text field ("Konstante Felder").
struct ConstantField
{
    bool checked = false;
    QString text;
};

// The column mapping: per record field the index of the source field, -1 when unassigned.
struct ColumnMapping
{
    int NameX = -1;
    int NameX2 = -1;
    int Blz1 = -1;
    int Kto1 = -1;
    int Betrag = -1;
    std::array<int, 14> Verw = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int Name2X = -1;
    int StrasseX = -1;
    int OrtLandX = -1;
    int NotitzInternX = -1;
    int AnsprechpartnerX = -1;
    int IBANx = -1;
    int BICx = -1;
    int LaendercodeX = -1;
    int WaehrungX = -1;
    int DatumX = -1;

    void clear() { *this = ColumnMapping(); }
};

// The mapping grid SGDatenbank: three columns, row 0 the titles.
struct MappingGrid
{
    int rowCount = 19;
    QList<std::array<QString, 3>> rows = QList<std::array<QString, 3>>(27);
    int selectedRow = 1;

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
};

// Width of a grid column nobody has resized, in pixels.
inline constexpr int defaultColumnWidth = 64;

// One grid column: its caption and width (-1: default width).
struct GridColumn
{
    QString caption;
    int width = -1;
};

struct MainState
{
    // --- Hauptseite: Mandant ---
    QString CBMandantenText;
    QStringList CBMandantenItems;
    QString LKontoinhaber;
    QString linhaberstrasse;
    QString lort;
    QString LKontonummer;
    QString LBankleitzahl;
    QString LIBAN;
    QString LBIC;
    QString LDebtorID;
    bool Label9Visible = false; // "Bitte hier einen Mandanten anlegen --^"

    // --- Zahlungsart and options ---
    int RGZahlungsart = NoPaymentType;
    bool CBBegleit = false;
    bool CBBuchungs = false;
    bool CBLogspeichern = false;
    bool CB8Verw = false;
    bool CBIBANonly = false;
    // SEPA format generation of the current Mandant: 0 the 2009 messages, 1 the 2019 ones.
    int SEPAFormat = 0;
    // A generation chosen on the command line (--format) for this run only; -1 when none.
    int SEPAFormatOverride = -1;

    // --- Daten der DTAUS-Diskette ---
    QDateTime DTPErstell;
    QDateTime DTPAusf;
    bool CBDatumueberschreiben = false;

    // --- Files ---
    QString EQuelldatei;
    QString EZieldatei;

    // --- Konstante Felder: Betrag and Verw 1 .. Verw 14 ---
    ConstantField Betragkonst;
    std::array<ConstantField, 14> Verwkonst;

    // --- Ergebnis ---
    QString LLastGut;
    QString LSatzzahl;
    QString LSumme;
    QString LKontonr;
    QString LBLZ;

    // --- Status bar, second panel ---
    QString statusText;

    // --- Einstellungen der Quelldatei ---
    Separator separator = Separator::Tab;
    Qualifier qualifier = Qualifier::None;
    bool CBTitelzeile = true;
    int RGBetrag = -1; // -1 none selected, 0 "11,58", 1 "1158"
    QString CBTabellenText;
    QStringList CBTabellenItems;
    import::SourceGrid SGDatei;
    MappingGrid SGDatenbank;
    ColumnMapping mapping;

    // --- Log-Datei ---
    ProcessingLog MLog;

    // --- Window ---
    WindowState windowState = WindowState::Normal;
    int height = 600;
    int width = 700;
    int pageIndex = 0;                // 0 Hauptseite ... 4 SEPA/DTAUS-Historie
    int mainGridHeight = 49;          // DBGrid1, DBGrid6
    int bookingGridHeight = 264;      // DBGrid3, DBGrid7
    int historyGridHeight = 148;      // DBGrid5, DBGrid8
    QList<GridColumn> DBGrid1Columns; // "BreiteA"
    QList<GridColumn> DBGrid3Columns; // "BreiteC"
    QList<GridColumn> DBGrid4Columns; // "BreiteB"
    QList<GridColumn> DBGrid6Columns; // "BreiteE"

    // --- Run state ---
    bool StartupDone = false;
    bool FirstStart = false;
    int RunStatus = 0;
    // Why the source reader set RunStatus 2 or 5, in German (the file missing, damaged,
    // encrypted, of a kind not supported): the run's log keeps the specified lines only.
    QString RunSourceError;
    qint32 RunFirstID = 0;
    qint32 RunLastID = 0;
    QString RunRecordCount;
    QString RunTotal;
    // Whether the last file creation left a SEPA file at the target path.
    bool sepaFileWritten = false;
    // The new-records filter texts of the two payment tables.
    QString newRecordsFilter1;
    QString newRecordsFilterAZV;

    // The effective SEPA generation of this run.
    int sepaFormat() const { return SEPAFormatOverride >= 0 ? SEPAFormatOverride : SEPAFormat; }
};

} // namespace ordovan::app
