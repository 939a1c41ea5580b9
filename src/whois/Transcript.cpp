#include "Transcript.h"

#include "Result.h"

#include <QTextBrowser>

namespace {

QString duration(qint64 ms)
{
    return ms < 1000 ? QStringLiteral("%1 ms").arg(ms) : QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'f', 1);
}

bool endsLine(const QString &text)
{
    return text.endsWith(u'\n') || text.endsWith(u'\r');
}

} // namespace

Transcript::Transcript(QObject *context, std::function<void(const QUrl &)> follow)
    : m_context(context), m_follow(std::move(follow))
{
    m_flush.setSingleShot(true);
    m_flush.setInterval(100);
    QObject::connect(&m_flush, &QTimer::timeout, context, [this] { flush(); });
}

void Transcript::startChain()
{
    ++m_chain;
    m_pending.clear();
    m_flush.stop();
    m_sections.clear();
    m_offers.clear();
    m_shownIn = nullptr;
}

void Transcript::begin(const QString &source)
{
    Section section;
    section.source = source;
    section.clock.start();
    m_sections.append(section);
    // A followed link shows its header at once; a new chain waits for something to show.
    if (m_sections.size() > 1)
        render();
}

void Transcript::append(const AnswerText::Change &change)
{
    Section &section = m_sections.last();
    if (change.replace)
        section.text = change.text;
    else
        section.text += change.text;
    if (!change.replace && showsChain()) {
        m_pending += change.text;
        if (!m_flush.isActive())
            m_flush.start();
    } else {
        render();
    }
}

void Transcript::end(const QString &notice, const QList<Offer> &offers, const QString &source)
{
    Section &section = m_sections.last();
    section.elapsedMs = section.clock.elapsed();
    section.notice = notice;
    if (!source.isEmpty())
        section.source = source;
    for (const Offer &offer : offers) {
        section.offers.append(m_offers.size());
        m_offers.append(offer);
    }
    // A result window the user closed comes back only for something new to read.
    const bool tail = !section.notice.isEmpty() || !section.offers.isEmpty();
    if (!tail && !showsChain())
        return;
    // Only a header that now tells the time needs the whole chain shown again.
    if (m_sections.size() == 1 && showsChain()) {
        flush();
        renderTail(m_shownIn, section);
        m_shownIn->show();
    } else {
        render();
    }
}

std::optional<Offer> Transcript::offerOf(const QUrl &link) const
{
    const QStringList parts = link.path().split(u'/');
    bool chainNumber = false;
    bool offerNumber = false;
    const int chain = parts.value(0).toInt(&chainNumber);
    const qsizetype offer = parts.value(1).toLongLong(&offerNumber);
    if (link.scheme() != u"ask" || !chainNumber || !offerNumber || chain != m_chain || offer < 0 ||
        offer >= m_offers.size())
        return std::nullopt;
    return m_offers[offer];
}

bool Transcript::showsChain() const
{
    return m_shownIn && m_shownIn == Result::instance();
}

void Transcript::flush()
{
    m_flush.stop();
    if (!m_pending.isEmpty() && showsChain()) {
        m_shownIn->appendText(m_pending);
        m_shownIn->show();
    }
    m_pending.clear();
}

void Transcript::render()
{
    m_pending.clear(); // the sections hold it
    m_flush.stop();
    Result *result = Result::showInstance();
    if (m_linked != result) {
        QObject::connect(result->RichTextBox1, &QTextBrowser::anchorClicked, m_context, m_follow);
        m_linked = result;
    }
    result->clear();
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        renderHeader(result, i);
        result->appendText(m_sections[i].text);
        if (m_sections[i].elapsedMs >= 0)
            renderTail(result, m_sections[i]);
    }
    m_shownIn = result;
}

void Transcript::renderHeader(Result *result, qsizetype index) const
{
    if (index == 0)
        return;
    const Section &section = m_sections[index];
    const Section &before = m_sections[index - 1];
    // A blank line between the sections.
    const bool lineEnded = !before.notice.isEmpty() || !before.offers.isEmpty() || endsLine(before.text);
    QString header = lineEnded ? QStringLiteral("\n") : QStringLiteral("\n\n");
    header += QStringLiteral("From ") + section.source;
    if (section.elapsedMs >= 0)
        header += QStringLiteral(", in ") + duration(section.elapsedMs);
    result->appendText(header + QStringLiteral(":\n"));
}

void Transcript::renderTail(Result *result, const Section &section) const
{
    if (section.notice.isEmpty() && section.offers.isEmpty())
        return;
    QString gap;
    if (!section.text.isEmpty())
        gap = endsLine(section.text) ? QStringLiteral("\n") : QStringLiteral("\n\n");
    if (!section.notice.isEmpty())
        gap += section.notice + u'\n';
    result->appendText(gap);
    for (const qsizetype offer : section.offers)
        result->appendLink(caption(m_offers[offer]), QUrl(QStringLiteral("ask:%1/%2").arg(m_chain).arg(offer)));
}

QString Transcript::caption(const Offer &offer) const
{
    return offer.server ? QStringLiteral("Ask ") + displayName(*offer.server) : QStringLiteral("Ask RDAP");
}
