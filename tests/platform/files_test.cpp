#include "base/error.h"
#include "platform/files.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ordovan;

namespace {

// Runs the writer in a child process whose files may not grow beyond limit bytes, as on a
// full disk. Returns 0 when the writer threw our Error, 1 when it claimed success.
int writeWithLimit(rlim_t limit, const std::function<void()> &writer)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        try {
            writer();
        } catch (const Error &) {
            _exit(0);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(AtomicFiles, AFullDiskNeverReplacesAFileWithAShortOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Ordovan.reg"));
    const QByteArray old(3000, 'o');
    test::writeFile(path, old);

    // Small enough to stay in the write buffer until the end, and larger than the limit.
    const QByteArray small(5000, 's');
    EXPECT_EQ(writeWithLimit(2048, [&] { platform::writeFileAtomically(path, small); }), 0);
    EXPECT_EQ(test::readFile(path), old);

    const QByteArray big(200000, 'b');
    EXPECT_EQ(writeWithLimit(100000, [&] { platform::writeFileAtomically(path, big); }), 0);
    EXPECT_EQ(test::readFile(path), old);

    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file is left behind";

    platform::writeFileAtomically(path, small);
    EXPECT_EQ(test::readFile(path), small);
}
