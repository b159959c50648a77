#pragma once

#include "import/sourcegrid.h"
#include "processinglog.h"
#include "sepa/generation.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace ordovan::app {

// The main window's values, as a plain object grouped by the window's pages. The windows
// only show it and copy edits back; the batch run, the command line and the tests read and
// write it directly. Members carry the names of the controls they stand for.

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

// The tabs of the main window, in their order.
enum class Page
{
    Main = 0,           // "Hauptseite"
    SourceSettings = 1, // "Einstellungen der Quelldatei"
    Log = 2,            // "Log-Datei"
    BookingHistory = 3, // "Buchungs-Historie"
    SepaHistory = 4,    // "SEPA/DTAUS-Historie"
};

// How amounts stand in the source (RGBetrag, stored as Betragformat).
enum class AmountNotation
{
    None = -1,   // no choice made
    Decimal = 0, // "11,58"
    Cents = 1,   // "1158": the last two digits are the cents
};

// The outcome of the steps of a batch run so far (RunStatus); the values are the ones the
// program has always used.
enum class RunStatus
{
    Ok = 0,
    SourceNotFound = 2,   // the source file could not be found
    ImportFailed = 3,     // at least one record failed to import
    SourceUnreadable = 5, // the source file could not be read
};

// An execution date given on the command line: a date, or a number of TARGET2 business days
// after the day of the run.
struct ExecutionDateChoice
{
    QDate date;
    int businessDaysAhead = -1;

    bool isSet() const { return date.isValid() || businessDaysAhead >= 0; }
    QDate resolve(const QDate &today) const;
};

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
    // Added after the others, so that every stored mapping keeps its meaning.
    int MandatsdatumX = -1;
    int SequenztypX = -1;

    void clear() { *this = ColumnMapping(); }
};

// The mapping grid SGDatenbank: three columns, row 0 the titles.
struct MappingGrid
{
    int rowCount = 21;
    QList<std::array<QString, 3>> rows = QList<std::array<QString, 3>>(27);
    int selectedRow = 1;

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
};

// Width of a grid column nobody has resized, in pixels: wide enough for its caption and for
// what it typically holds (an IBAN, a date, an amount).
int defaultColumnWidth(const QString &caption);

// One grid column: its caption and width (-1: default width).
struct GridColumn
{
    QString caption;
    int width = -1;
};

// The page "Hauptseite": the Mandant, the payment type and options, the dates, the files, the
// constant fields and the result, and the status bar below it.
struct MainPage
{
    // --- Mandant ---
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
    // SEPA format generation of the current Mandant; none stored: the generation the banks
    // take on the day of the run.
    std::optional<sepa::Generation> SEPAFormat;

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
};

// The page "Einstellungen der Quelldatei": how the source is read and the column mapping.
struct SourcePage
{
    Separator separator = Separator::Tab;
    Qualifier qualifier = Qualifier::None;
    bool CBTitelzeile = true;
    AmountNotation RGBetrag = AmountNotation::None;
    QString CBTabellenText;
    QStringList CBTabellenItems;
    import::SourceGrid SGDatei;
    MappingGrid SGDatenbank;
    ColumnMapping mapping;
};

// The page "Log-Datei".
struct LogPage
{
    ProcessingLog MLog;
};

// The window's size and state, the page shown, the grid heights and column widths.
struct WindowGeometry
{
    WindowState windowState = WindowState::Normal;
    int height = 600;
    int width = 700;
    Page page = Page::Main;
    int mainGridHeight = 49;          // DBGrid1, DBGrid6
    int bookingGridHeight = 264;      // DBGrid3, DBGrid7
    int historyGridHeight = 148;      // DBGrid5, DBGrid8
    QList<GridColumn> DBGrid1Columns; // "BreiteA"
    QList<GridColumn> DBGrid3Columns; // "BreiteC"
    QList<GridColumn> DBGrid4Columns; // "BreiteB"
    QList<GridColumn> DBGrid6Columns; // "BreiteE"
};

// The folder a backup goes to, or is read back from, until the user picks one: the home folder.
QString defaultBackupFolder();

// The window "Datenbank sichern": its two folders, kept between openings.
struct BackupWindowState
{
    QString backupFolder = defaultBackupFolder();
    QString restoreFolder = defaultBackupFolder();
};

// Choices of the command line that hold for this program run only.
struct CommandLineChoices
{
    // The SEPA generation (--format), over the Mandant's.
    std::optional<sepa::Generation> SEPAFormatOverride;
    // The execution date (--execution-date), replacing today's.
    ExecutionDateChoice executionDateOverride;
    // --allow-repeat: a source already turned into a file is processed again without asking.
    bool allowRepeat = false;
    // --backup=FOLDER, --restore=FOLDER: the administrator's backup and restore, no window.
    QString backupFolder;
    QString restoreFolder;
};

// What the start-up and the batch runs leave for the steps after them.
struct RunState
{
    bool StartupDone = false;
    bool FirstStart = false;
    RunStatus runStatus = RunStatus::Ok;
    // Why the source reader set RunStatus 2 or 5, in German (the file missing, damaged,
    // encrypted, of a kind not supported): the run's log keeps the specified lines only.
    QString RunSourceError;
    qint32 RunFirstID = 0;
    qint32 RunLastID = 0;
    QString RunRecordCount;
    QString RunTotal;
    // The due date the last file creation wrote: the execution date, moved to a day the
    // banks accept. Invalid until a file creation set it in this run.
    QDate RunDueDate;
    // Records of this run whose mapped mandate date or sequence type could not be read: the
    // import stores nothing for them, the file creation refuses them.
    QSet<qint32> RunUnreadableMandateDates;
    QSet<qint32> RunUnreadableSequenceTypes;
    // The SHA-256 of the run's source, kept in the history row of a run that left a file.
    QString RunSourceFingerprint;
    // Whether the last file creation left a SEPA file at the target path.
    bool sepaFileWritten = false;
    // The new-records filter texts of the two payment tables.
    QString newRecordsFilter1;
    QString newRecordsFilterAZV;
};

struct MainState
{
    MainPage main;
    SourcePage source;
    LogPage log;
    WindowGeometry window;
    CommandLineChoices commandLine;
    RunState run;
    BackupWindowState backup;

    // The SEPA generation of a run on the given day: the command line's, else the Mandant's,
    // else the one German banks take on that day (2019 from 14.11.2026 on).
    sepa::Generation sepaGeneration(const QDate &today) const;
};

} // namespace ordovan::app
