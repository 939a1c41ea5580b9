// P7: a list send to 1,000 names, from the menu choice until its handler returns, against
// 1,000 bare posix_spawn calls of the same program with the same arguments.
#include "Bench.h"
#include "Fakes.h"
#include "main/parlo.h"
#include "platform/LinuxLauncher.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace {

constexpr int names = 1000;

QString nameOf(int i)
{
    return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

bool writeList(const QString &path)
{
    return bench::writeLines(path, names, [](int i) -> QByteArray { return nameOf(i).toLatin1(); });
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    QTemporaryDir temp;
    if (!writeList(QDir(temp.path()).filePath(QStringLiteral("list1.txt"))))
        bench::fail("P7", QStringLiteral("cannot write the list"));
    // The program the list send starts is /bin/true under the name net: the handler finds and
    // starts it as it would the real one, while 1,000 children cost the machine next to nothing
    // and send nothing anywhere.
    const QString compat = temp.filePath(QStringLiteral("compat"));
    const QString net = QFileInfo(QStringLiteral("/bin/true")).canonicalFilePath();
    if (!QDir().mkpath(compat) || !QFile::link(net, compat + QStringLiteral("/net")))
        bench::fail("P7", QStringLiteral("cannot make %1/net").arg(compat));
    FakeHost fake(temp.path());
    LinuxLauncher launcher(HostConfig{compat, temp.path()});
    parlo window(Host{fake.runner, launcher, fake.messages, fake.facts, fake.paths});
    window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->setPlainText(QStringLiteral("hello"));
    QAction *list1 = window.findChild<QAction *>(QStringLiteral("mlist1"));

    const auto parlo = [&] { return bench::timeMs([&] { list1->trigger(); }); };
    const auto baseline = [&] {
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
    const bool quiet = fake.messages.boxes.isEmpty();
    return bench::report({"P7", pair.parlo, pair.baseline, 1.05, quiet ? "" : "a message box showed", quiet});
}
