#include "ListSender.h"

#include "Messaging.h"
#include "core/WindowStyle.h"

namespace {

// The copies of one list send, filled in as each net ends.
struct Tally
{
    QString list;
    qint64 historyId = 0;
    QList<HistoryRecipient> copies;
    qsizetype waiting = 0;
};

} // namespace

Outcome ListSender::send(int list, const QString &message, const Report &report) const
{
    if (message.isEmpty())
        return Outcome::refusal(nothingToSend());
    const NameFile file = readNameFile(m_paths, listFile(list));
    if (!file.exists)
        return Outcome::refusal(
            {QStringLiteral("First create a file by choosing Edit ListX where x is the list number 1-4")});
    if (!file.error.isEmpty())
        return Outcome::failure(file.error);
    QStringList names;
    for (const QString &name : file.fields) {
        if (name.isEmpty())
            continue; // a blank line or two commas in a row name nobody
        // Every name is checked before the first send: a list goes out whole or not at all.
        if (const QString refusal = sendRefusal(name, message); !refusal.isEmpty())
            return Outcome::refusal({refusal});
        names.append(name);
    }
    auto tally = std::make_shared<Tally>();
    tally->list = QStringLiteral("List%1").arg(list);
    tally->historyId = m_history.recordSent(message, names, tally->list);
    Outcome sent;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const ProgramCall net = listSendCall(names[i], message);
        tally->copies.append({names[i], Delivery::Pending});
        // The nets may outlive the window and this with it; the history is the host's.
        const auto ended = [history = &m_history, tally, i, report](int exitCode) {
            tally->copies[i].delivery = deliveryOf(exitCode);
            history->recordDelivery(tally->historyId, tally->copies[i].name, tally->copies[i].delivery);
            if (--tally->waiting == 0 && report)
                report(listReport(tally->list, tally->copies));
        };
        sent =
            Outcome::ofStart(m_launcher.startFollowed(net.program, net.arguments, WindowStyle::MinimizedFocus, ended));
        if (sent.what == Outcome::What::Failed) {
            // One box for a program that cannot start, not one per name; none of the rest went.
            for (qsizetype j = i; j < names.size(); ++j)
                m_history.recordDelivery(tally->historyId, names[j], Delivery::Failed);
            tally->copies.resize(i);
            break;
        }
        ++tally->waiting;
    }
    return sent;
}

Outcome ListSender::edit(int list) const
{
    return Outcome::ofStart(m_launcher.start(editCommandLine(listFile(list)), WindowStyle::NormalFocus));
}
