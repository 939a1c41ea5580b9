#include "HistoryWindow.h"

#include "ui/OnScreen.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(const MessageHistory &history, Reply reply, SendAgain sendAgain, QWidget *parent)
    : QWidget(parent), m_model(history), m_reply(std::move(reply)), m_sendAgain(std::move(sendAgain))
{
    setObjectName(QStringLiteral("History"));
    setWindowTitle(QStringLiteral("Parlo History"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 420);
    keepOnScreen(this);

    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Filter by name or text"));
    txtFilter->setClearButtonEnabled(true);
    grdMessages = new QTableView(this);
    grdMessages->setObjectName(QStringLiteral("grdMessages"));
    grdMessages->setModel(&m_model);
    grdMessages->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdMessages->setSelectionMode(QAbstractItemView::SingleSelection);
    grdMessages->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdMessages->verticalHeader()->hide();
    grdMessages->setWordWrap(false);
    // Widths from the font, not from the rows: a thousand rows measured at every keystroke
    // would slow the filter down.
    const QFontMetrics metrics = grdMessages->fontMetrics();
    const auto width = [&metrics](const QString &sample) { return metrics.horizontalAdvance(sample) + 16; };
    QHeaderView *header = grdMessages->horizontalHeader();
    header->resizeSection(
        HistoryModel::Time,
        width(QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat)));
    header->resizeSection(HistoryModel::From, width(QStringLiteral("WWWWWWWWWW")));
    header->resizeSection(HistoryModel::To, width(QStringLiteral("List1: WWWWWWWW, WWWW")));
    header->resizeSection(HistoryModel::Outcome, width(QStringLiteral("10 of 10 delivered")));
    header->setSectionResizeMode(HistoryModel::Message, QHeaderView::Stretch);
    cmdReply = new QPushButton(QStringLiteral("&Reply"), this);
    cmdReply->setObjectName(QStringLiteral("cmdReply"));
    cmdSendAgain = new QPushButton(QStringLiteral("&Send again"), this);
    cmdSendAgain->setObjectName(QStringLiteral("cmdSendAgain"));
    auto *close = new QPushButton(QStringLiteral("&Close"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdReply);
    buttons->addWidget(cmdSendAgain);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtFilter);
    layout->addWidget(grdMessages);
    layout->addLayout(buttons);

    connect(txtFilter, &QLineEdit::textChanged, this, &HistoryWindow::filter);
    connect(grdMessages->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HistoryWindow::updateButtons);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &HistoryWindow::updateButtons);
    connect(cmdReply, &QPushButton::clicked, this, [this] {
        if (const HistoryEntry *message = selected())
            m_reply(message->direction == Direction::Received ? message->sender : message->recipients.value(0).name);
    });
    connect(cmdSendAgain, &QPushButton::clicked, this, [this] {
        // A list send goes again through its list; a single one to its recipient.
        if (const HistoryEntry *message = selected())
            m_sendAgain(message->list.isEmpty() ? message->recipients.value(0).name : QString(), message->text);
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    filter();
}

void HistoryWindow::filter()
{
    m_model.setFilter(txtFilter->text());
    if (m_model.rowCount() > 0)
        grdMessages->selectRow(0);
}

const HistoryEntry *HistoryWindow::selected() const
{
    return m_model.entry(grdMessages->currentIndex());
}

void HistoryWindow::updateButtons()
{
    const HistoryEntry *message = selected();
    cmdReply->setEnabled(message && (message->direction == Direction::Received || !message->recipients.isEmpty()));
    cmdSendAgain->setEnabled(message && message->direction == Direction::Sent);
}
