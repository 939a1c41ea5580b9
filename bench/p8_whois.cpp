// P8: a whois query to a server on 127.0.0.1, from the click until the result window shows the
// whole answer, against `whois -h 127.0.0.1 -p PORT` with its output in a file.
#include "Bench.h"
#include "Fakes.h"
#include "whois/Result.h"
#include "whois/WhoisWindows.h"

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

// Follows the question's echo: each answer is told from the one before.
const QByteArray answer = "   Registry Domain ID: 2336799_DOMAIN_COM-VRSN\r\n"
                          "   Updated Date: 2024-08-14T07:01:34Z\r\n"
                          "   Creation Date: 1995-08-14T04:00:00Z\r\n"
                          "   Name Server: A.IANA-SERVERS.NET\r\n"
                          "   Name Server: B.IANA-SERVERS.NET\r\n"
                          ">>> Last update of whois database: 2025-01-01T00:00:00Z <<<\r\n";

// A whois server on its own thread: answers every question (up to its line end) and closes.
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
            while (!question.contains('\n') && ::poll(&reading, 1, 2000) > 0) {
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                question.append(buffer, n);
            }
            const QByteArray reply = "   Domain Name: " + question.trimmed() + "\r\n" + answer;
            if (question.contains('\n') && ::write(client, reply.constData(), std::size_t(reply.size())) > 0)
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
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    QTemporaryDir temp;
    Server server;
    if (server.port == 0)
        bench::fail("P8", QStringLiteral("cannot listen on 127.0.0.1"));
    QFile list(temp.filePath(QStringLiteral("whois.txt")));
    if (!list.open(QIODevice::WriteOnly) || list.write("127.0.0.1\r\n") != 11)
        bench::fail("P8", QStringLiteral("cannot write the server list"));
    list.close();
    FakeHost fake(temp.path());
    fake.facts.whois.port = server.port;
    const std::unique_ptr<QWidget> window(whoisWindowMakers().value(QStringLiteral("whois"))(fake.host()));
    window->show();
    window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("127.0.0.1"));
    auto *question = window->findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *ask = window->findChild<QAbstractButton *>(QStringLiteral("Command1"));
    QTimer wake; // bounds every wait for events below
    wake.start(50);
    const QString last = QStringLiteral(">>> Last update of whois database");
    int round = 0;

    bool complete = true;
    const auto parlo = [&] {
        const QString domain = QStringLiteral("example%1.com").arg(++round);
        question->setText(domain);
        const auto done = [&] { return shown().contains(domain) && shown().contains(last); };
        return bench::timeMs([&] {
            ask->click();
            QElapsedTimer waited;
            waited.start();
            while (!done() && waited.elapsed() < 5000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            complete = complete && done();
        });
    };
    const std::string scratch = temp.filePath(QStringLiteral("whois.out")).toStdString();
    const std::vector<std::string> command{"/usr/bin/whois", "-h", "127.0.0.1", "-p", std::to_string(server.port),
                                           "example.com"};
    const auto baseline = [&] {
        return bench::timeMs(
            [&] { complete = complete && bench::capture(command, scratch).contains(">>> Last update"); });
    };
    const bench::Pair pair = bench::compare(9, parlo, baseline);
    const std::string also = !complete                       ? "an answer was not shown whole"
                             : fake.messages.boxes.isEmpty() ? ""
                                                             : qPrintable(fake.messages.boxes.first().text);
    return bench::report({"P8", pair.parlo, pair.baseline, 1.10, also, also.empty()});
}
