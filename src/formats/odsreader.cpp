// The .ods reader (OpenDocument spreadsheet, LibreOffice's own format): one XML part,
// content.xml, holds every sheet as a table:table element. Cells carry their value in
// attributes by type (office:value, office:date-value, ...) and their text in paragraphs.
// Runs of equal rows or cells are stored once with a repeat count; the office suite pads
// every sheet to its full size that way, so empty runs only move the position and a run
// with content is expanded within the limits.
#include "tabularreaders.h"

#include "base/error.h"
#include "sheetbuffer.h"
#include "tabularerrors.h"
#include "tabularvalues.h"
#include "xmlpump.h"
#include "zipreader.h"

#include <vector>

namespace ordovan::formats {

namespace {

namespace tv = tabular_values;

const QString kOfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kTextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
constexpr int kMaxCellChars = 32767;
constexpr qint64 kSmallPartLimit = 1024 * 1024;

qint64 repeatCount(QStringView text)
{
    if (text.isEmpty())
        return 1;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok && n > 0 ? n : 1;
}

// The state of one cell while its element is open.
struct CellState
{
    qint64 repeat = 1;
    QString valueType;
    QString value;
    QString text;
    int paragraphs = 0;
    int paragraphDepth = 0;
    int annotationDepth = 0;
    bool held = false; // a value type or a formula: a cell the file holds, even if empty

    void appendText(QStringView t)
    {
        if (text.size() < kMaxCellChars)
            text += t.left(kMaxCellChars - text.size());
    }

    QString result() const
    {
        if (valueType == u"float" || valueType == u"percentage" || valueType == u"currency") {
            bool ok = false;
            const double v = value.toDouble(&ok);
            return ok ? tv::numberText(v) : text;
        }
        if (valueType == u"date")
            return tv::isoDateTimeText(value);
        if (valueType == u"time")
            return tv::isoDurationText(value);
        if (valueType == u"boolean" && !value.isEmpty())
            return tv::booleanText(value == u"true" || value == u"1");
        if (valueType == u"string" && !value.isEmpty())
            return value;
        return text;
    }
};

// Walks content.xml. With wanted < 0 it only gathers the sheet names; otherwise it reads
// the sheet of that position into the builder and stops at its end.
class ContentReader
{
public:
    ContentReader(const ZipArchive &zip, const TabularLimits &limits) : m_zip(zip), m_limits(limits)
    {}

    QStringList names()
    {
        run(-1, nullptr);
        return m_names;
    }

    void readSheet(int wanted, SheetBuilder &builder) { run(wanted, &builder); }

private:
    void run(int wanted, SheetBuilder *builder);
    void startElement(QXmlStreamReader &xml);
    void endElement(QXmlStreamReader &xml);

    const ZipArchive &m_zip;
    TabularLimits m_limits;
    QStringList m_names;
    SheetBuilder *m_builder = nullptr;
    int m_wanted = -1;
    int m_tableDepth = 0;
    int m_tableIndex = -1;
    bool m_active = false;
    bool m_done = false;
    bool m_inCell = false;
    qint64 m_row = 0;
    qint64 m_rowRepeat = 1;
    qint64 m_column = 0;
    std::vector<std::pair<qint64, QString>> m_rowCells;
    CellState m_cell;
};

void ContentReader::run(int wanted, SheetBuilder *builder)
{
    m_wanted = wanted;
    m_builder = builder;
    auto stream = m_zip.open(QStringLiteral("content.xml"), m_limits.maxPartBytes);
    XmlPump pump(*stream, m_zip.path());
    auto &xml = pump.reader();
    while (!m_done) {
        switch (pump.next()) {
        case QXmlStreamReader::EndDocument:
            return;
        case QXmlStreamReader::StartElement:
            startElement(xml);
            break;
        case QXmlStreamReader::EndElement:
            endElement(xml);
            break;
        case QXmlStreamReader::Characters:
            if (m_inCell && m_cell.annotationDepth == 0 && m_cell.paragraphDepth > 0)
                m_cell.appendText(xml.text());
            break;
        default:
            break;
        }
    }
}

void ContentReader::startElement(QXmlStreamReader &xml)
{
    const auto ns = xml.namespaceUri();
    const auto name = xml.name();
    if (ns == kTableNs && name == u"table") {
        if (m_tableDepth++ == 0) {
            ++m_tableIndex;
            if (m_wanted < 0)
                m_names << xml.attributes().value(kTableNs, QLatin1String("name")).toString();
            m_active = m_tableIndex == m_wanted;
        }
        return;
    }
    // Tables inside a cell (rare) belong to that cell, not to the sheet.
    if (!m_active || m_tableDepth != 1)
        return;
    if (ns == kTableNs && name == u"table-row") {
        m_rowRepeat =
            repeatCount(xml.attributes().value(kTableNs, QLatin1String("number-rows-repeated")));
        m_column = 0;
        m_rowCells.clear();
    } else if (ns == kTableNs && (name == u"table-cell" || name == u"covered-table-cell")) {
        const auto attrs = xml.attributes();
        m_cell = CellState();
        m_inCell = true;
        m_cell.repeat =
            repeatCount(attrs.value(kTableNs, QLatin1String("number-columns-repeated")));
        m_cell.valueType = attrs.value(kOfficeNs, QLatin1String("value-type")).toString();
        m_cell.held =
            !m_cell.valueType.isEmpty() || attrs.hasAttribute(kTableNs, QLatin1String("formula"));
        if (m_cell.valueType == u"date")
            m_cell.value = attrs.value(kOfficeNs, QLatin1String("date-value")).toString();
        else if (m_cell.valueType == u"time")
            m_cell.value = attrs.value(kOfficeNs, QLatin1String("time-value")).toString();
        else if (m_cell.valueType == u"boolean")
            m_cell.value = attrs.value(kOfficeNs, QLatin1String("boolean-value")).toString();
        else if (m_cell.valueType == u"string")
            m_cell.value = attrs.value(kOfficeNs, QLatin1String("string-value")).toString();
        else
            m_cell.value = attrs.value(kOfficeNs, QLatin1String("value")).toString();
    } else if (m_inCell) {
        if (ns == kOfficeNs && name == u"annotation") {
            ++m_cell.annotationDepth; // a comment, not the cell's text
        } else if (m_cell.annotationDepth > 0) {
            return;
        } else if (ns == kTextNs && (name == u"p" || name == u"h")) {
            if (m_cell.paragraphDepth == 0 && m_cell.paragraphs++ > 0)
                m_cell.appendText(u"\n");
            ++m_cell.paragraphDepth;
        } else if (ns == kTextNs && name == u"s") {
            const qint64 n = repeatCount(xml.attributes().value(kTextNs, QLatin1String("c")));
            m_cell.appendText(QString(int(std::min<qint64>(n, kMaxCellChars)), u' '));
        } else if (ns == kTextNs && name == u"tab") {
            m_cell.appendText(u"\t");
        } else if (ns == kTextNs && name == u"line-break") {
            m_cell.appendText(u"\n");
        }
    }
}

void ContentReader::endElement(QXmlStreamReader &xml)
{
    const auto ns = xml.namespaceUri();
    const auto name = xml.name();
    if (ns == kTableNs && name == u"table") {
        if (--m_tableDepth == 0 && m_active) {
            m_active = false;
            m_done = true;
        }
        return;
    }
    if (!m_active || m_tableDepth != 1)
        return;
    if (ns == kTableNs && (name == u"table-cell" || name == u"covered-table-cell")) {
        m_inCell = false;
        QString text = m_cell.result();
        if (text.isEmpty() && m_cell.held)
            m_builder->touch(m_column);
        if (!text.isEmpty()) {
            if (m_cell.repeat > m_limits.maxCells ||
                qint64(m_rowCells.size()) + m_cell.repeat > m_limits.maxCells)
                throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
            for (qint64 k = 0; k < m_cell.repeat; ++k)
                m_rowCells.emplace_back(m_column + k, text);
        }
        m_column += m_cell.repeat;
    } else if (ns == kTableNs && name == u"table-row") {
        if (!m_rowCells.empty()) {
            if (m_rowRepeat > m_limits.maxCells)
                throw Error(tabular_errors::tooManyCells(m_limits.maxCells));
            for (qint64 k = 0; k < m_rowRepeat; ++k) {
                for (const auto &[column, text] : m_rowCells)
                    m_builder->add(m_row + k, column, text);
            }
        }
        m_row += m_rowRepeat;
    } else if (m_inCell) {
        if (ns == kOfficeNs && name == u"annotation")
            --m_cell.annotationDepth;
        else if (m_cell.annotationDepth == 0 && ns == kTextNs && (name == u"p" || name == u"h"))
            --m_cell.paragraphDepth;
    }
}

// A document saved with a password keeps its parts encrypted; the manifest says which.
bool contentEncrypted(const ZipArchive &zip)
{
    const QString manifest = QStringLiteral("META-INF/manifest.xml");
    if (!zip.contains(manifest))
        return false;
    const QString ns = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
    QXmlStreamReader xml(zip.read(manifest, kSmallPartLimit));
    bool inContent = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"file-entry")
            inContent = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"file-entry")
            inContent = xml.attributes().value(ns, QLatin1String("full-path")) == u"content.xml";
        else if (inContent && xml.name() == u"encryption-data")
            return true;
    }
    return false;
}

class OdsConnection : public TabularConnection
{
public:
    OdsConnection(std::shared_ptr<ZipArchive> zip, const TabularLimits &limits)
        : m_zip(std::move(zip)), m_limits(limits)
    {
        // Any OpenDocument file has content.xml; only a spreadsheet says so in mimetype.
        if (m_zip->contains(QStringLiteral("mimetype"))) {
            const QByteArray type = m_zip->read(QStringLiteral("mimetype"), kSmallPartLimit);
            if (!type.contains("spreadsheet"))
                throw Error(tabular_errors::notAWorkbook(m_zip->path()), QString::fromLatin1(type));
        }
        if (contentEncrypted(*m_zip))
            throw Error(tabular_errors::encrypted(m_zip->path()));
        // The names are needed at once by every caller, and reading them proves the XML.
        m_names = ContentReader(*m_zip, m_limits).names();
    }

    QStringList tableNames(bool) const override { return m_names; }

    std::unique_ptr<TabularRowSet> openTable(const QString &name) override
    {
        const int index = tv::findTableName(m_names, name);
        if (index < 0)
            throw Error(tabular_errors::noSuchTable(name));
        return std::make_unique<DeferredRowSet>([zip = m_zip, limits = m_limits, index] {
            SheetBuilder builder(limits);
            ContentReader(*zip, limits).readSheet(index, builder);
            return builder.finish();
        });
    }

private:
    std::shared_ptr<ZipArchive> m_zip;
    TabularLimits m_limits;
    QStringList m_names;
};

} // namespace

std::unique_ptr<TabularConnection> openOdsWorkbook(std::shared_ptr<ZipArchive> zip,
                                                   const TabularLimits &limits)
{
    return std::make_unique<OdsConnection>(std::move(zip), limits);
}

} // namespace ordovan::formats
