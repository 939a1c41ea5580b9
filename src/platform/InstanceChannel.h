#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QSocketNotifier;
class QTimer;

// What a Parlo started beside the background one asks it to do.
struct InstanceRequest
{
    enum class Kind
    {
        Open,    // show the main window
        History, // show the History window
        Reply,   // show the main window with name in its name box
    };
    Kind kind = Kind::Open;
    QString name;

    friend bool operator==(const InstanceRequest &, const InstanceRequest &) = default;
};

// The background Parlo's end of a Unix socket of the user's own: it takes one short line per
// connection from processes of the same user, answers "ok" and reports the request. A peer
// that sends too much, something else or nothing for two seconds is cut off.
class InstanceListener final : public QObject
{
    Q_OBJECT
public:
    explicit InstanceListener(const QString &socketPath, QObject *parent = nullptr);
    ~InstanceListener() override;

    // Listens, taking over a socket file that no living Parlo answers on; "" on success, else
    // why not (another background Parlo listens there, or the place is not the user's own).
    QString listen();

Q_SIGNALS:
    void requested(const InstanceRequest &request);

private:
    struct Peer;
    void accept();
    void read(int fd);
    void drop(int fd);

    QString m_path;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QHash<int, std::shared_ptr<Peer>> m_peers;
};

// Hands request to the Parlo listening at socketPath and waits up to timeoutMs for its answer;
// true when one took it.
bool askRunningInstance(const QString &socketPath, const InstanceRequest &request, int timeoutMs = 2000);

// The line that carries a request, and back; nothing for a line that is none.
QByteArray requestLine(const InstanceRequest &request);
std::optional<InstanceRequest> parseRequestLine(const QByteArray &line);
