#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace ordovan::formats {

// Runs work that trusts a file it should not (a library without defences against damaged
// input) in a child process: a damaged file may then make the work loop, crash or allocate
// without end, and the program only sees an Error. The child's address space may grow by at
// most memoryLimit bytes; it writes its results to the pipe, which reach onData in the
// parent as they come. The child is stopped when it falls silent for idleTimeoutMs or when
// onData throws. POSIX only (fork, pipe, poll).
class ChildPipe
{
public:
    explicit ChildPipe(int fd) : m_fd(fd) {}
    ~ChildPipe();
    void write(const QByteArray &bytes);
    void writeByte(char c) { m_buffer.append(c); }
    void writeUInt32(quint32 v);
    void writeText(const QByteArray &utf8); // its length, then the bytes
    void flush();

private:
    int m_fd;
    QByteArray m_buffer;
};

struct ChildLimits
{
    qint64 memoryLimit = 1024LL * 1024 * 1024;
    int idleTimeoutMs = 30000;
};

// The parent's side of the pipe: the bytes as they come, taken apart message by message.
class PipeMessages
{
public:
    void append(const char *data, qint64 size) { m_bytes.append(data, size); }
    qint64 available() const { return m_bytes.size() - m_pos; }
    char peek() const { return m_bytes[m_pos]; }
    char at(qint64 offset) const { return m_bytes[m_pos + offset]; }
    quint32 uint32At(qint64 offset) const
    {
        quint32 v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | quint8(m_bytes[m_pos + offset + i]);
        return v;
    }
    // The length of the text at offset (with its length field), or -1 when not all there.
    qint64 textSize(qint64 offset) const
    {
        if (available() < offset + 4)
            return -1;
        const qint64 size = 4 + qint64(uint32At(offset));
        return available() < offset + size ? -1 : size;
    }
    QString textAt(qint64 offset) const
    {
        return QString::fromUtf8(m_bytes.constData() + m_pos + offset + 4,
                                 qsizetype(uint32At(offset)));
    }
    void consume(qint64 n)
    {
        m_pos += n;
        if (m_pos > 1024 * 1024 || m_pos == m_bytes.size()) {
            m_bytes.remove(0, m_pos);
            m_pos = 0;
        }
    }

private:
    QByteArray m_bytes;
    qint64 m_pos = 0;
};

// Throws Error (with failure as its message) when the child does not end normally after
// the work, or when onData throws (rethrown after the child is stopped).
void runInChild(const std::function<void(ChildPipe &)> &work,
                const std::function<void(const char *data, qint64 size)> &onData,
                const ChildLimits &limits, const QString &failure);

} // namespace ordovan::formats
