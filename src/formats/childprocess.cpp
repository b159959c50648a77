#include "childprocess.h"

#include "base/error.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ordovan::formats {

namespace {

// The address space the process has now, from /proc (0 when unknown).
rlim_t currentAddressSpace()
{
    FILE *f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    unsigned long pages = 0;
    const int n = std::fscanf(f, "%lu", &pages);
    std::fclose(f);
    return n == 1 ? rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) : 0;
}

[[noreturn]] void childMain(int fd, const std::function<void(ChildPipe &)> &work,
                            const ChildLimits &limits)
{
    // Quiet: libraries that complain on standard error should not reach the user.
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
    }
    const rlim_t base = currentAddressSpace();
    if (base > 0) {
        const rlimit cap{base + rlim_t(limits.memoryLimit), base + rlim_t(limits.memoryLimit)};
        ::setrlimit(RLIMIT_AS, &cap);
    }
    int status = 0;
    try {
        ChildPipe pipe(fd);
        work(pipe);
        pipe.flush();
    } catch (...) {
        status = 1;
    }
    ::_exit(status); // no destructors or exit handlers of the parent's objects
}

void stop(pid_t pid)
{
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

ChildPipe::~ChildPipe()
{
    ::close(m_fd);
}

void ChildPipe::write(const QByteArray &bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() >= 64 * 1024)
        flush();
}

void ChildPipe::writeUInt32(quint32 v)
{
    for (int i = 0; i < 4; ++i)
        m_buffer.append(char((v >> (8 * i)) & 0xff));
}

void ChildPipe::writeText(const QByteArray &utf8)
{
    writeUInt32(quint32(utf8.size()));
    write(utf8);
}

void ChildPipe::flush()
{
    const char *p = m_buffer.constData();
    qint64 left = m_buffer.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(2); // the parent is gone or stopped listening
        p += n;
        left -= n;
    }
    m_buffer.clear();
}

void runInChild(const std::function<void(ChildPipe &)> &work,
                const std::function<void(const char *, qint64)> &onData, const ChildLimits &limits,
                const QString &failure)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Error(failure, QStringLiteral("Keine Verbindung zum Leseprozess"));
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Error(failure, QStringLiteral("Der Leseprozess startet nicht"));
    }
    if (pid == 0) {
        ::close(fds[0]);
        childMain(fds[1], work, limits);
    }
    ::close(fds[1]);
    struct Reader
    {
        int fd;
        ~Reader() { ::close(fd); }
    } reader{fds[0]};

    char buffer[64 * 1024];
    for (;;) {
        pollfd p{reader.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, limits.idleTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            stop(pid);
            throw Error(failure, QStringLiteral("keine Antwort"));
        }
        const ssize_t n = ::read(reader.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            stop(pid);
            throw Error(failure, QStringLiteral("Lesefehler in der Verbindung zum Leseprozess"));
        }
        if (n == 0)
            break;
        try {
            onData(buffer, n);
        } catch (...) {
            stop(pid);
            throw;
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throw Error(failure,
                        QStringLiteral("Das Ende des Leseprozesses ist nicht feststellbar"));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Error(failure, QStringLiteral("Status %1").arg(status));
}

} // namespace ordovan::formats
