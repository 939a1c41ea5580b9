// P7: a list send to 1,000 names, from the menu choice until its handler returns, against
// 1,000 bare posix_spawn calls of the same program with the same arguments.
#include "Bench.h"
#include "Fakes.h"
#include "LinuxLauncher.h"
#include "parlo.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr int names = 1000;

// Loopback addresses where nothing listens: every send ends at once, refused.
QString nameOf(int i)
{
    return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

bool writeList(const QString &path)
{
    QByteArray text;
    for (int i = 0; i < names; ++i)
        text += nameOf(i).toLatin1() + "\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// How many processes run this program.
int running(const QString &program)
{
    int count = 0;
    for (QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot); it.hasNext();) {
        if (QFileInfo(it.next() + QStringLiteral("/exe")).symLinkTarget() == program)
            ++count;
    }
    return count;
}

// Waits (at most 60 s) until the sends of the last round have ended, so that rounds do not
// compete with each other's children.
void drain(const QString &program)
{
    for (int i = 0; i < 600 && running(program) > 0; ++i)
        QThread::msleep(100);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    if (!writeList(QDir(temp.path()).filePath(QStringLiteral("list1.txt"))))
        bench::fail("P7", QStringLiteral("cannot write the list"));
    const QString net = QFileInfo(QStringLiteral(PARLO_BENCH_COMPAT_DIR "/net")).canonicalFilePath();
    if (net.isEmpty())
        bench::fail("P7", QStringLiteral("compat/net has not been built"));
    FakeHost fake(temp.path());
    LinuxLauncher launcher(HostConfig{QStringLiteral(PARLO_BENCH_COMPAT_DIR), temp.path()});
    parlo window(Host{fake.runner, launcher, fake.messages, fake.facts, fake.paths});
    window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->setPlainText(QStringLiteral("hello"));
    QAction *list1 = window.findChild<QAction *>(QStringLiteral("mlist1"));

    const auto parlo = [&] {
        drain(net);
        return bench::timeMs([&] { list1->trigger(); });
    };
    const auto baseline = [&] {
        drain(net);
        std::vector<pid_t> children;
        const double ms = bench::timeMs([&] {
            for (int i = 0; i < names; ++i)
                children.push_back(bench::spawn({net.toStdString(), "send", nameOf(i).toStdString(), "hello"}));
        });
        for (const pid_t child : children)
            ::waitpid(child, nullptr, 0);
        return ms;
    };
    const bench::Pair pair = bench::compare(5, parlo, baseline);
    drain(net);
    const bool quiet = fake.messages.boxes.isEmpty();
    return bench::report({"P7", pair.parlo, pair.baseline, 1.20, quiet ? "" : "a message box showed", quiet});
}
