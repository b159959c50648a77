#pragma once

// Internal to the table file reader: the parser of a whole table file. The plain way
// (tablefilereader.cpp) reads it front to back; a large file's rows may instead go to worker
// threads (tablefileparallel.cpp).

#include "tablefilerows.h"

#include <QByteArrayView>
#include <QFile>

#include <expat.h>

namespace ordovan::store::tablefile {

inline constexpr int kChunk = 1 << 20;
inline constexpr int kMaxChunk = 1 << 27;         // twice that after transcoding still fits an int
inline constexpr size_t kRun = 4 << 20;           // bytes of rows per worker job
inline constexpr qint64 kParallelFrom = 16 << 20; // rows worth the threads
inline const QString kNoMemory = QStringLiteral("Nicht genügend Arbeitsspeicher.");

class Parser
{
public:
    explicit Parser(bool utf8) : m_latin1(!utf8), m_rows(m_fields, !utf8)
    {
        // Windows-1252 files reach expat as UTF-8 too (latin1ToUtf8): expat's UTF-8 path is
        // its fastest.
        m_parser = XML_ParserCreate("UTF-8");
        if (!m_parser)
            throw std::bad_alloc();
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &Parser::onStart, &Parser::onEnd);
        XML_SetCharacterDataHandler(m_parser, &Parser::onText);
        XML_SetStartDoctypeDeclHandler(m_parser, &Parser::onDoctype);
    }
    ~Parser() { XML_ParserFree(m_parser); }
    Parser(const Parser &) = delete;
    Parser &operator=(const Parser &) = delete;

    // Reads the file on from its head; an empty text on success, else what went wrong.
    QString parse(QFile &file, QByteArrayView head);
    // The same with worker threads for the rows; nothing when the file needs the plain way.
    std::optional<QString> parseInParallel(QFile &file, QByteArrayView head, int workers);
    void finishInto(Table &table);

private:
    enum class Node
    {
        Packet,
        Metadata,
        Fields,
        Field,
        Params,
        RowData,
        Row,
        Other
    };

    static void XMLCALL onStart(void *self, const XML_Char *name, const XML_Char **atts);
    static void XMLCALL onEnd(void *self, const XML_Char *name);
    static void XMLCALL onText(void *self, const XML_Char *, int);
    static void XMLCALL onDoctype(void *self, const XML_Char *, const XML_Char *, const XML_Char *,
                                  int);

    void start(const char *name, const char **atts);
    void field(const char **atts);
    void params(const char **atts);
    bool parseChangeLog(const char *text);
    void fail(const QString &why);
    QString text(const char *utf8) const;

    bool feed(const char *data, size_t size, bool last);
    QString readOn(QFile &file);
    QString complaint() const;
    QString finish() const;
    std::optional<QString> readRuns(QFile &file, std::string_view start, int workers);

    XML_Parser m_parser = nullptr;
    const bool m_latin1;
    QString m_failure;
    quint64 m_events = 0;
    std::vector<Node> m_stack;
    bool m_sawPacket = false;
    bool m_sawRowData = false;

    FileFields m_fields;
    RowBuilder m_rows;
    std::vector<RowVersion> m_versions;
    std::vector<quint32> m_changeLog;
    QList<std::pair<QString, QString>> m_params;
};

} // namespace ordovan::store::tablefile
