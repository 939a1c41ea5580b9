// The program's whois window, opened from its main window over the real host, asks a server
// on port 43 by its name, inside network and mount namespaces of the test's own: only a
// loopback interface, and a hosts file that gives the whois servers loopback addresses.
#include "Loopback.h"
#include "TestFiles.h"
#include "WhoisTesting.h"
#include "main/parlo.h"
#include "platform/RealHost.h"
#include "whois/WhoisMakers.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char hosts[] = "127.0.0.1 localhost whois.verisign-grs.com\n127.0.0.2 whois.iana.org\n";

const QByteArray registryAnswer = "   Domain Name: EXAMPLE.COM\r\n"
                                  "   Registrar WHOIS Server: whois.iana.org\r\n"
                                  "   Registrar: RESERVED-Internet Assigned Numbers Authority\r\n";
// It refers back to the registry, which the chain has asked already.
const QByteArray registrarAnswer = "domain:       EXAMPLE.COM\norganisation: Internet Assigned Numbers Authority\n"
                                   "whois:        WHOIS.VERISIGN-GRS.COM:43\n";

// Lays a file of this text over target, seen by this process alone.
QString cover(const char *target, const QByteArray &text)
{
    QTemporaryFile source;
    if (source.open() && source.write(text) == text.size() && source.flush() &&
        ::mount(QFile::encodeName(source.fileName()).constData(), target, nullptr, MS_BIND, nullptr) == 0)
        return {};
    return QLatin1String(target) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// Enters the namespaces; runs before any thread starts, as unshare wants. Empty when done.
QString enterNamespaces()
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root");
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("unshare: ") + QString::fromLocal8Bit(std::strerror(errno));
    for (const auto &[target, text] : {std::pair{"/etc/hosts", hosts},
                                       {"/etc/nsswitch.conf", "hosts: files\n"},
                                       {"/etc/resolv.conf", "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n"}}) {
        if (const QString error = cover(target, text); !error.isEmpty())
            return error;
    }
    return bringLoopbackUp();
}

QString namespaceError;

} // namespace

class tst_WhoisEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registryThenRegistrar()
    {
        if (namespaceError == u"needs root")
            QSKIP("creating network namespaces needs root");
        QVERIFY2(namespaceError.isEmpty(), qPrintable(namespaceError));
        ScriptedServer registry(QStringLiteral("127.0.0.1"), 43);
        ScriptedServer registrar(QStringLiteral("127.0.0.2"), 43);
        QVERIFY(registry.isListening() && registrar.isListening());
        registry.answer = {registryAnswer};
        registrar.answer = {registrarAnswer};
        QTemporaryDir data;
        qputenv("XDG_CACHE_HOME", data.filePath(QStringLiteral("cache")).toLocal8Bit());
        writeFile(data.filePath(QStringLiteral("whois.txt")), "whois.verisign-grs.com\r\nwhois.iana.org\r\n");

        RealHost host(HostConfig{QStringLiteral(PARLO_TEST_COMPAT_DIR), data.path()});
        parlo main(host.host(), whoisModuleMakers(PARLO_WHOIS_MODULE));
        main.show();
        main.findChild<QAction *>(QStringLiteral("mwhois"))->trigger();
        QWidget *window = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            window = top->objectName() == u"whois" ? top : window;
        QVERIFY(window);
        QCOMPARE(window->findChild<QComboBox *>(QStringLiteral("Combo1"))->count(), 2);
        auto *text1 = window->findChild<QLineEdit *>(QStringLiteral("Text1"));
        QTest::keyClicks(text1, QStringLiteral("example.com"));
        QTest::keyClick(text1, Qt::Key_Return);

        const QString first = QString::fromLatin1(registryAnswer).remove(u'\r') + "\nAsk whois.iana.org\n";
        QTRY_COMPARE(shown(), first);
        QCOMPARE(registry.received.value(0), QByteArray("example.com\r\n"));
        if (qEnvironmentVariableIsSet("PARLO_SCREENSHOTS"))
            resultBox()->window()->grab().save(QDir(qEnvironmentVariable("PARLO_SCREENSHOTS")).filePath("whois.png"));
        clickLink(QStringLiteral("Ask whois.iana.org"));
        QTRY_COMPARE(registrar.received.value(0), QByteArray("example.com\r\n"));
        const QString chain = first + "\nFrom whois.iana.org, in … ms:\n" + QString::fromLatin1(registrarAnswer);
        QTRY_VERIFY2(like(shown(), chain), qPrintable(shown()));
        // Each server is asked once in a chain, its port told or not.
        clickLink(QStringLiteral("Ask whois.iana.org"));
        QVERIFY2(like(shown(), chain), qPrintable(shown()));
        QCOMPARE(registry.connections.size() + registrar.connections.size(), 2);
        delete resultBox()->window();
    }
};

int main(int argc, char *argv[])
{
    namespaceError = enterNamespaces();
    QApplication app(argc, argv);
    tst_WhoisEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_whois_e2e.moc"
