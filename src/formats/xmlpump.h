#pragma once

#include "base/error.h"
#include "tabularerrors.h"
#include "zipreader.h"

#include <QXmlStreamReader>

namespace ordovan::formats {

// Feeds a zip part to the XML stream reader piece by piece, so a sheet of any size is parsed
// in a small, fixed amount of memory. next() hands out the tokens and throws Error when the
// XML is broken or the part cannot be read. Text may come in several Characters tokens.
class XmlPump
{
public:
    XmlPump(ZipArchive::Stream &stream, const QString &path) : m_stream(stream), m_path(path)
    {
        // Workbook parts never need entity expansion beyond the predefined ones.
        m_reader.setNamespaceProcessing(true);
    }

    QXmlStreamReader::TokenType next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType token = m_reader.readNext();
            if (token == QXmlStreamReader::StartElement) {
                ++m_depth;
                m_started = true;
            } else if (token == QXmlStreamReader::EndElement) {
                --m_depth;
            }
            if (token != QXmlStreamReader::Invalid)
                return token;
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError &&
                !m_stream.atEnd()) {
                const QByteArray chunk = m_stream.readChunk();
                if (!chunk.isEmpty()) {
                    m_reader.addData(chunk);
                    continue;
                }
            }
            // Fed piece by piece, the reader cannot know that nothing follows the root.
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError &&
                m_stream.atEnd() && m_started && m_depth == 0)
                return QXmlStreamReader::EndDocument;
            throw Error(tabular_errors::damaged(m_path), m_reader.errorString());
        }
    }

    QXmlStreamReader &reader() { return m_reader; }

private:
    ZipArchive::Stream &m_stream;
    QString m_path;
    QXmlStreamReader m_reader;
    int m_depth = 0;
    bool m_started = false;
};

} // namespace ordovan::formats
