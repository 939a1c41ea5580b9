// P8: a whois query to a server on 127.0.0.1, from the click until the result window shows the
// whole answer, against `whois -h 127.0.0.1 -p PORT` with its output in a file.
#include "Bench.h"
#include "Fakes.h"
#include "Result.h"
#include "WhoisWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

const QByteArray answer = "   Domain Name: EXAMPLE.COM\r\n"
                          "   Registry Domain ID: 2336799_DOMAIN_COM-VRSN\r\n"
                          "   Updated Date: 2024-08-14T07:01:34Z\r\n"
                          "   Creation Date: 1995-08-14T04:00:00Z\r\n"
                          "   Name Server: A.IANA-SERVERS.NET\r\n"
                          "   Name Server: B.IANA-SERVERS.NET\r\n"
                          ">>> Last update of whois database: 2025-01-01T00:00:00Z <<<\r\n";

// A whois server on its own thread: answers every question (up to CR LF) and closes.
class Server
{
public:
    Server()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(m_fd, 16) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~Server()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }

    quint16 port = 0;
    std::atomic<int> answered = 0;

private:
    void serve()
    {
        while (!m_stop) {
            pollfd listening{m_fd, POLLIN, 0};
            if (::poll(&listening, 1, 100) <= 0)
                continue;
            const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            QByteArray question;
            char buffer[512];
            pollfd reading{client, POLLIN, 0};
            while (!question.contains("\r\n") && ::poll(&reading, 1, 2000) > 0) {
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                question.append(buffer, n);
            }
            if (question.contains("\r\n") && ::write(client, answer.constData(), std::size_t(answer.size())) > 0)
                ++answered;
            ::close(client);
        }
    }

    int m_fd = -1;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

QString shown()
{
    return Result::instance() ? Result::instance()->RichTextBox1->toPlainText() : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    Server server;
    if (server.port == 0)
        bench::fail("P8", QStringLiteral("cannot listen on 127.0.0.1"));
    FakeHost fake(temp.path());
    fake.facts.whois.port = server.port;
    const std::unique_ptr<QWidget> window(whoisWindowMakers().value(QStringLiteral("whois"))(fake.host()));
    window->show();
    window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("127.0.0.1"));
    window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("example.com"));
    auto *ask = window->findChild<QAbstractButton *>(QStringLiteral("Command1"));
    QTimer wake; // bounds every wait for events below
    wake.start(50);
    const QString last = QStringLiteral(">>> Last update of whois database");

    bool complete = true;
    const auto parlo = [&] {
        return bench::timeMs([&] {
            ask->click();
            QElapsedTimer waited;
            waited.start();
            while (!shown().contains(last) && waited.elapsed() < 5000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            complete = complete && shown().contains(last);
        });
    };
    const std::string scratch = temp.filePath(QStringLiteral("whois.out")).toStdString();
    const std::vector<std::string> command{"/usr/bin/whois", "-h", "127.0.0.1", "-p", std::to_string(server.port),
                                           "example.com"};
    const auto baseline = [&] {
        return bench::timeMs([&] { complete = complete && bench::capture(command, scratch).contains(">>> Last update"); });
    };
    const bench::Pair pair = bench::compare(9, parlo, baseline);
    return bench::report({"P8", pair.parlo, pair.baseline, 1.10, complete ? "" : "an answer was not shown whole",
                          complete && fake.messages.boxes.isEmpty()});
}
