#pragma once

#include "AnswerText.h"
#include "Query.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class Result;

// One query and the servers asked after it, as the result window shows them: a section per
// server with its answer, why it ended early, and the links it offers. The sections after the
// first are headed by where they come from and, once they end, how long they took. The first
// piece of a new chain replaces what the result window showed; the rest is appended, at most
// every 100 ms (the box lays out the whole line it appends to, which grows with each piece).
class Transcript
{
public:
    // follow is called, in context, with each link of the result window that is clicked.
    Transcript(QObject *context, std::function<void(const QUrl &)> follow);
    Transcript(const Transcript &) = delete;
    Transcript &operator=(const Transcript &) = delete;

    // A new chain: nothing of the last one is shown from now on, and its links lead nowhere.
    void startChain();
    // A section from source (a server's name, or RDAP), under way from now.
    void begin(const QString &source);
    // More of the section's text.
    void append(const AnswerText::Change &change);
    // The section under way has ended, with a notice (or none) and its links; source, when
    // given, names where it came from better than begin() could.
    void end(const QString &notice, const QList<Offer> &offers, const QString &source = {});

    // The offer a link of this chain leads to; nothing for a link of another chain.
    std::optional<Offer> offerOf(const QUrl &link) const;
    // How many sections the chain holds.
    qsizetype size() const { return m_sections.size(); }

private:
    struct Section
    {
        QString source;
        QString text;
        QString notice;
        QList<qsizetype> offers; // into m_offers
        QElapsedTimer clock;
        qint64 elapsedMs = -1; // -1 while under way
    };

    bool showsChain() const;
    void flush();
    void render();
    void renderHeader(Result *result, qsizetype index) const;
    void renderTail(Result *result, const Section &section) const;
    QString caption(const Offer &offer) const;

    QList<Section> m_sections;
    QList<Offer> m_offers;
    int m_chain = 0;
    QObject *m_context;
    std::function<void(const QUrl &)> m_follow;
    QPointer<Result> m_shownIn; // the result window that shows this chain as it stands
    QPointer<Result> m_linked;  // the result window whose links are followed
    QString m_pending;          // appended text not shown yet
    QTimer m_flush;
};
