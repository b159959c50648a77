#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace ordovan::platform {

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

// Throws Error (with failure as its message) when the child does not end normally after
// the work, or when onData throws (rethrown after the child is stopped).
void runInChild(const std::function<void(ChildPipe &)> &work,
                const std::function<void(const char *data, qint64 size)> &onData,
                const ChildLimits &limits, const QString &failure);

} // namespace ordovan::platform
