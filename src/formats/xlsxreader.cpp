// The .xlsx reader: a zip container of XML parts. The workbook part lists the sheets by the
// names users see and points at each sheet's part through its relationships; the shared
// strings and the cell formats (to tell dates from numbers) are parts of their own. Opening
// reads only the small parts; the sheet, its strings and formats are read when the rows are
// first asked for, streamed through the XML reader within the limits.
#include "tabularreaders.h"

#include "base/error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularvalues.h"
#include "xmlpump.h"
#include "zipreader.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <vector>

namespace ordovan::formats {

namespace {

namespace tv = tabular_values;

constexpr qint64 kSmallPartLimit = 64LL * 1024 * 1024;
constexpr int kMaxCellChars = 32767; // what a spreadsheet cell holds at most
constexpr double kDate1904Offset = 1462;

// "_x000D_" and friends: characters the XML cannot carry, escaped by the writer.
QString unescapeOoxml(QString text)
{
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

void appendCapped(QString &to, QStringView text)
{
    if (to.size() < kMaxCellChars)
        to += text.left(kMaxCellChars - to.size());
}

// A part name relative to the folder of the part that refers to it.
QString resolvePart(const QString &folder, const QString &target)
{
    if (target.startsWith(u'/'))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(folder + target);
}

bool isMainNamespace(QStringView uri)
{
    return uri.isEmpty() || uri == u"http://schemas.openxmlformats.org/spreadsheetml/2006/main" ||
           uri == u"http://purl.oclc.org/ooxml/spreadsheetml/main";
}

QString folderOfPart(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsPartOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

struct Relationship
{
    QString type; // the last segment of the type URI: "worksheet", "sharedStrings", ...
    QString target;
};

QHash<QString, Relationship> readRelationships(const ZipArchive &zip, const QString &relsPart)
{
    QHash<QString, Relationship> rels;
    if (!zip.contains(relsPart))
        return rels;
    QXmlStreamReader xml(zip.read(relsPart, kSmallPartLimit));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const auto attrs = xml.attributes();
        QString type = attrs.value(QLatin1String("Type")).toString();
        type = type.mid(type.lastIndexOf(u'/') + 1);
        rels.insert(attrs.value(QLatin1String("Id")).toString(),
                    {type, attrs.value(QLatin1String("Target")).toString()});
    }
    if (xml.hasError())
        throw Error(tabular_errors::damaged(zip.path()), xml.errorString());
    return rels;
}

// Cell reference "AB12" -> column 27 (0-based), row 11 (0-based); -1 where absent.
void parseCellReference(QStringView ref, qint64 &column, qint64 &row)
{
    qint64 c = 0, r = 0;
    qsizetype i = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch >= u'A' && ch <= u'Z')
            c = c * 26 + (ch - u'A' + 1);
        else if (ch >= u'a' && ch <= u'z')
            c = c * 26 + (ch - u'a' + 1);
        else
            break;
    }
    const qsizetype digitsStart = i;
    for (; i < ref.size() && i - digitsStart < 10; ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch < u'0' || ch > u'9')
            break;
        r = r * 10 + (ch - u'0');
    }
    column = c > 0 ? c - 1 : -1;
    row = r > 0 && i == ref.size() ? r - 1 : -1;
}

qint64 parseIndex(QStringView text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : -1;
}

class XlsxConnection : public TabularConnection
{
public:
    XlsxConnection(std::shared_ptr<ZipArchive> zip, const TabularLimits &limits)
        : m_zip(std::move(zip)), m_limits(limits)
    {
        readWorkbook();
    }

    QStringList tableNames(bool) const override { return m_names; }

    std::unique_ptr<TabularRowSet> openTable(const QString &name) override
    {
        const int index = tv::findTableName(m_names, name);
        if (index < 0)
            throw Error(tabular_errors::noSuchTable(name));
        if (!m_zip->contains(m_sheetParts[index]))
            throw Error(tabular_errors::damaged(m_zip->path()),
                        QStringLiteral("%1 fehlt").arg(m_sheetParts[index]));
        return std::make_unique<DeferredRowSet>(
            [zip = m_zip, limits = m_limits, part = m_sheetParts[index],
             strings = m_sharedStringsPart, styles = m_stylesPart, date1904 = m_date1904] {
                SheetReader reader(*zip, limits, date1904);
                reader.readStyles(styles);
                reader.readSharedStrings(strings);
                return reader.readSheet(part);
            });
    }

private:
    void readWorkbook();

    // Reads one sheet with the strings and formats it refers to.
    class SheetReader
    {
    public:
        SheetReader(const ZipArchive &zip, const TabularLimits &limits, bool date1904)
            : m_zip(zip), m_limits(limits), m_date1904(date1904)
        {}
        void readStyles(const QString &part);
        void readSharedStrings(const QString &part);
        std::unique_ptr<BufferedRowSet> readSheet(const QString &part);

    private:
        QString cellText(QStringView type, qint64 style, const QString &value,
                         QString &inlineText) const;

        const ZipArchive &m_zip;
        TabularLimits m_limits;
        bool m_date1904;
        std::vector<bool> m_dateStyles;
        std::vector<QString> m_strings;
    };

    std::shared_ptr<ZipArchive> m_zip;
    TabularLimits m_limits;
    QStringList m_names;
    QStringList m_sheetParts;
    QString m_sharedStringsPart;
    QString m_stylesPart;
    bool m_date1904 = false;
};

void XlsxConnection::readWorkbook()
{
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    for (const Relationship &rel : readRelationships(*m_zip, QStringLiteral("_rels/.rels"))) {
        if (rel.type == u"officeDocument")
            workbookPart = resolvePart(QString(), rel.target);
    }
    // The binary workbook (.xlsb) is packaged like an .xlsx, with parts of records, not XML.
    if (workbookPart.endsWith(QStringLiteral(".bin"), Qt::CaseInsensitive) ||
        (!m_zip->contains(workbookPart) && m_zip->contains(QStringLiteral("xl/workbook.bin"))))
        throw Error(tabular_errors::unsupportedXlsb(), workbookPart);
    if (!m_zip->contains(workbookPart))
        throw Error(tabular_errors::notAWorkbook(m_zip->path()));
    const QString folder = folderOfPart(workbookPart);
    const auto rels = readRelationships(*m_zip, relsPartOf(workbookPart));
    for (const Relationship &rel : rels) {
        if (rel.type == u"sharedStrings")
            m_sharedStringsPart = resolvePart(folder, rel.target);
        else if (rel.type == u"styles")
            m_stylesPart = resolvePart(folder, rel.target);
    }

    QXmlStreamReader xml(m_zip->read(workbookPart, kSmallPartLimit));
    int position = 0;
    bool root = true;
    int extensions = 0; // depth inside extLst: later versions' additions, never the main ones
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"extLst")
            --extensions;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (root && xml.name() != u"workbook")
            throw Error(tabular_errors::notAWorkbook(m_zip->path()), xml.name().toString());
        root = false;
        if (xml.name() == u"extLst")
            ++extensions;
        if (extensions > 0)
            continue;
        const auto attrs = xml.attributes();
        if (xml.name() == u"workbookPr" && isMainNamespace(xml.namespaceUri())) {
            // Excel for Mac's x14:workbookPr leaves out date1904: only this one decides.
            const auto value = attrs.value(QLatin1String("date1904"));
            m_date1904 = value == u"1" || value == u"true";
        } else if (xml.name() == u"sheet") {
            ++position;
            QString id;
            for (const auto &attr : attrs) {
                if (attr.name() == u"id" && !attr.namespaceUri().isEmpty())
                    id = attr.value().toString();
            }
            const QString name = attrs.value(QLatin1String("name")).toString();
            QString part;
            const auto rel = rels.constFind(id);
            if (rel != rels.cend()) {
                // Chart, dialog and macro sheets hold no cells.
                if (rel->type != u"worksheet")
                    continue;
                part = resolvePart(folder, rel->target);
            } else {
                part = folder + QStringLiteral("worksheets/sheet%1.xml").arg(position);
            }
            if (name.isEmpty())
                continue;
            m_names << name;
            m_sheetParts << part;
        }
    }
    if (xml.hasError())
        throw Error(tabular_errors::damaged(m_zip->path()), xml.errorString());
    if (root)
        throw Error(tabular_errors::notAWorkbook(m_zip->path()));
}

void XlsxConnection::SheetReader::readStyles(const QString &part)
{
    if (part.isEmpty() || !m_zip.contains(part))
        return;
    QHash<qint64, bool> customDates;
    QXmlStreamReader xml(m_zip.read(part, kSmallPartLimit));
    bool inCellXfs = false, inNumFmts = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (token == QXmlStreamReader::EndElement && xml.name() == u"numFmts")
            inNumFmts = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto attrs = xml.attributes();
        if (xml.name() == u"numFmts") {
            inNumFmts = true;
        } else if (inNumFmts && xml.name() == u"numFmt") {
            // Conditional formats (dxf) carry numFmt elements too, with numbers of their own.
            customDates.insert(parseIndex(attrs.value(QLatin1String("numFmtId"))),
                               isDateFormatCode(attrs.value(QLatin1String("formatCode"))));
        } else if (xml.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && xml.name() == u"xf") {
            const qint64 id = parseIndex(attrs.value(QLatin1String("numFmtId")));
            const auto custom = customDates.constFind(id);
            m_dateStyles.push_back(custom != customDates.cend() ? *custom
                                                                : isBuiltInDateFormat(int(id)));
            if (qint64(m_dateStyles.size()) > m_limits.maxCells)
                throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
        }
    }
    if (xml.hasError())
        throw Error(tabular_errors::damaged(m_zip.path()), xml.errorString());
}

void XlsxConnection::SheetReader::readSharedStrings(const QString &part)
{
    if (part.isEmpty() || !m_zip.contains(part))
        return;
    auto stream = m_zip.open(part, m_limits.maxPartBytes);
    XmlPump pump(*stream, m_zip.path());
    auto &xml = pump.reader();
    QString current;
    bool inItem = false, inText = false;
    int phonetic = 0;
    qint64 chars = 0;
    for (;;) {
        const auto token = pump.next();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            if (name == u"si") {
                inItem = true;
                current.clear();
            } else if (name == u"rPh") {
                ++phonetic; // reading aids, not part of the text
            } else if (name == u"t" && inItem && phonetic == 0) {
                inText = true;
            }
        } else if (token == QXmlStreamReader::Characters) {
            if (inText)
                appendCapped(current, xml.text());
        } else if (token == QXmlStreamReader::EndElement) {
            const auto name = xml.name();
            if (name == u"t") {
                inText = false;
            } else if (name == u"rPh") {
                --phonetic;
            } else if (name == u"si") {
                inItem = false;
                chars += current.size();
                if (chars > m_limits.maxTextChars)
                    throw Error(tabular_errors::tooMuchText());
                m_strings.push_back(unescapeOoxml(current));
                if (qint64(m_strings.size()) > m_limits.maxCells)
                    throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
            }
        }
    }
}

QString XlsxConnection::SheetReader::cellText(QStringView type, qint64 style, const QString &value,
                                              QString &inlineText) const
{
    if (type == u"s") {
        const QString reference = value.trimmed();
        if (reference.isEmpty())
            return {};
        // A reference to a text the workbook does not hold: damaged, not an empty cell.
        const qint64 index = parseIndex(reference);
        if (index < 0 || index >= qint64(m_strings.size()))
            throw Error(tabular_errors::damaged(m_zip.path()),
                        QStringLiteral("Text Nr. %1 fehlt").arg(reference));
        return m_strings[size_t(index)];
    }
    if (type == u"inlineStr")
        return unescapeOoxml(std::move(inlineText));
    if (type == u"str" || type == u"e")
        return unescapeOoxml(value);
    if (type == u"b") {
        const QString flag = value.trimmed();
        return flag.isEmpty() ? QString() : tv::booleanText(flag == u"1" || flag == u"true");
    }
    if (type == u"d")
        return tv::isoDateTimeText(value);
    if (value.isEmpty())
        return {};
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
    if (style >= 0 && style < qint64(m_dateStyles.size()) && m_dateStyles[size_t(style)])
        return tv::serialDateTimeText(number + (m_date1904 ? kDate1904Offset : 0));
    return tv::numberText(number);
}

std::unique_ptr<BufferedRowSet> XlsxConnection::SheetReader::readSheet(const QString &part)
{
    auto stream = m_zip.open(part, m_limits.maxPartBytes);
    XmlPump pump(*stream, m_zip.path());
    auto &xml = pump.reader();
    SheetBuilder builder(m_limits);
    qint64 row = -1, column = -1, style = -1;
    QString type, value, inlineText;
    enum
    {
        None,
        Value,
        Inline
    } capture = None;
    bool inInline = false;
    bool held = false; // the cell has a value, a text or a formula, even an empty one
    int phonetic = 0;
    for (;;) {
        const auto token = pump.next();
        if (token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            if (name == u"c") {
                const auto attrs = xml.attributes();
                qint64 refColumn = -1, refRow = -1;
                parseCellReference(attrs.value(QLatin1String("r")), refColumn, refRow);
                column = refColumn >= 0 ? refColumn : column + 1;
                if (refRow >= 0)
                    row = refRow;
                type = attrs.value(QLatin1String("t")).toString();
                const auto s = attrs.value(QLatin1String("s"));
                style = s.isEmpty() ? 0 : parseIndex(s);
                value.clear();
                inlineText.clear();
                held = false;
            } else if (name == u"v") {
                capture = Value;
                held = true;
            } else if (name == u"f") {
                held = true;
            } else if (name == u"is") {
                inInline = true;
                held = true;
            } else if (name == u"rPh") {
                ++phonetic;
            } else if (name == u"t" && inInline && phonetic == 0) {
                capture = Inline;
            } else if (name == u"row") {
                const qint64 r = parseIndex(xml.attributes().value(QLatin1String("r")));
                row = r > 0 ? r - 1 : row + 1;
                column = -1;
            }
        } else if (token == QXmlStreamReader::Characters) {
            if (capture == Value)
                appendCapped(value, xml.text());
            else if (capture == Inline)
                appendCapped(inlineText, xml.text());
        } else if (token == QXmlStreamReader::EndElement) {
            const auto name = xml.name();
            if (name == u"v" || name == u"t") {
                capture = None;
            } else if (name == u"is") {
                inInline = false;
            } else if (name == u"rPh") {
                --phonetic;
            } else if (name == u"c") {
                QString text = cellText(type, style, value, inlineText);
                if (text.isEmpty() && held)
                    builder.touch(column);
                else
                    builder.add(std::max<qint64>(row, 0), column, std::move(text));
            } else if (name == u"sheetData") {
                break; // merged cells, page setup and the rest say nothing about values
            }
        }
    }
    return builder.finish();
}

} // namespace

bool isBuiltInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool isDateFormatCode(QStringView code)
{
    // Some writers store the general format by its localized name.
    if (code.compare(u"General", Qt::CaseInsensitive) == 0 ||
        code.compare(u"Standard", Qt::CaseInsensitive) == 0)
        return false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            if (end < 0)
                return false;
            i = end;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // the next character is literal, a padding or a fill
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i + 1);
            if (end < 0)
                return false;
            // [h], [mm], [ss]: elapsed time; [Red], [$-407], [>100]: no date.
            const QStringView inside = code.mid(i + 1, end - i - 1);
            bool elapsed = !inside.isEmpty();
            for (QChar k : inside)
                elapsed = elapsed && QStringView(u"hHmMsS").contains(k);
            if (elapsed)
                return true;
            i = end;
        } else if (c == u';') {
            return false; // the first section decides
        } else if (QStringView(u"dDmMyYhHsS").contains(c)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<TabularConnection> openXlsxWorkbook(std::shared_ptr<ZipArchive> zip,
                                                    const TabularLimits &limits)
{
    return std::make_unique<XlsxConnection>(std::move(zip), limits);
}

} // namespace ordovan::formats
