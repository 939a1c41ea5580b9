#include "Notepad.h"

#include "platform/FixedPaths.h"
#include "platform/LocaleText.h"
#include "ui/OnScreen.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVBoxLayout>

namespace {

const QByteArray utf8Bom("\xEF\xBB\xBF");

// The bytes of the editor's text in the locale's encoding; false when a character cannot be
// stored in it.
QByteArray encodeText(QString text, bool crlf, bool *ok)
{
    if (crlf)
        text.replace(u'\n', QStringLiteral("\r\n"));
    QStringEncoder encoder(LocaleText::encodingName().constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    *ok = !encoder.hasError();
    return bytes;
}

} // namespace

QString notepadPath(const QStringList &words, const FixedPaths &paths)
{
    const QString path = words.join(u' ');
    // c:\NAME, also c:/NAME and c:NAME: a shell eats the backslash of a line typed unquoted.
    if (path.size() > 2 && (path[0] == u'c' || path[0] == u'C') && path[1] == u':') {
        QString name = path.mid(2);
        while (name.startsWith(u'\\') || name.startsWith(u'/'))
            name.remove(0, 1);
        if (!name.isEmpty())
            return paths.map(QStringLiteral("c:\\") + name);
    }
    return path;
}

bool isHelpRequest(const QString &word)
{
    return word == u"/?" || word == u"-?" || word == u"--help";
}

QString notepadUsage()
{
    return QStringLiteral("\n"
                          "Opens a text file in Parlo's editor.\n"
                          "\n"
                          "NOTEPAD.EXE [file]\n"
                          "\n"
                          "  file          The file to open, created empty when missing. c:\\NAME is the\n"
                          "                file NAME in Parlo's data folder. Without a file, the editor\n"
                          "                starts with an untitled document.\n"
                          "\n");
}

Notepad::Notepad(const QString &path, QWidget *parent)
    : QMainWindow(parent), m_path(path), m_notice(new QLabel(this)), m_editor(new QPlainTextEdit(this)),
      m_save(new QAction(tr("&Save"), this))
{
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    m_notice->setFrameShape(QFrame::StyledPanel);
    m_notice->setMargin(6);
    m_notice->hide();

    m_editor->setObjectName(QStringLiteral("editor"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_notice);
    layout->addWidget(m_editor);
    setCentralWidget(central);
    addFileMenu();
    useDialogs();

    resize(640, 480);
    keepOnScreen(this);
    load();
    setWindowTitle(documentName() + QStringLiteral(" - Notepad"));
}

void Notepad::addFileMenu()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setShortcut(QKeySequence::Save);
    file->addAction(m_save);
    file->addSeparator();
    QAction *exit = file->addAction(tr("E&xit"));
    exit->setObjectName(QStringLiteral("exit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(m_save, &QAction::triggered, this, &Notepad::save);
    connect(exit, &QAction::triggered, this, &Notepad::close);
}

void Notepad::useDialogs()
{
    m_askToSave = [this](const QString &name) {
        QMessageBox box(QMessageBox::Warning, tr("Notepad"), tr("Do you want to save the changes to %1?").arg(name),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.setInformativeText(tr("Your changes will be lost if you close without saving."));
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    m_askFileName = [this] {
        return QFileDialog::getSaveFileName(this, tr("Save As"), QString(), tr("Text files (*.txt);;All files (*)"));
    };
    m_showError = [this](const QString &text) { QMessageBox::warning(this, tr("Notepad"), text); };
}

void Notepad::setAskToSave(std::function<QMessageBox::StandardButton(const QString &)> ask)
{
    m_askToSave = std::move(ask);
}

void Notepad::setAskFileName(std::function<QString()> ask)
{
    m_askFileName = std::move(ask);
}

void Notepad::setShowError(std::function<void(const QString &)> show)
{
    m_showError = std::move(show);
}

void Notepad::showWithStyle(int style)
{
    if (style == 6)
        setAttribute(Qt::WA_ShowWithoutActivating);
    if (style == 2 || style == 6) {
        showMinimized();
    } else {
        show();
        raise();
        activateWindow();
    }
}

bool Notepad::isReadOnly() const
{
    return m_editor->isReadOnly();
}

QString Notepad::documentName() const
{
    return m_path.isEmpty() ? tr("Untitled") : QFileInfo(m_path).fileName();
}

void Notepad::showNotice(const QString &notice)
{
    m_notice->setText(notice);
    m_notice->show();
}

void Notepad::openReadOnly(const QString &notice)
{
    m_editor->setReadOnly(true);
    m_save->setEnabled(false);
    showNotice(notice);
}

QString Notepad::editorText() const
{
    // The document's raw text, with only its block and line separators turned back into line
    // ends (plain-text export would also turn no-break spaces into blanks).
    QString text = m_editor->document()->toRawText();
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text;
}

void Notepad::load()
{
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            showNotice(tr("%1 could not be created: %2. Saving will try again.").arg(m_path, file.errorString()));
        return;
    }
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        openReadOnly(tr("%1 could not be read: %2. It is open read-only, so that saving cannot overwrite it.")
                         .arg(m_path, file.errorString()));
        return;
    }

    const QByteArray encoding = LocaleText::encodingName();
    if (encoding == "UTF-8" && bytes.startsWith(utf8Bom)) {
        m_bom = utf8Bom;
        bytes.remove(0, utf8Bom.size());
    }
    const qsizetype lineEnd = bytes.indexOf('\n');
    m_crlf = lineEnd < 0 || (lineEnd > 0 && bytes[lineEnd - 1] == '\r');

    QStringDecoder decoder(encoding.constData(), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    const bool undecodable = decoder.hasError();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_editor->setPlainText(text);
    m_editor->document()->setModified(false);

    // Whatever the editor would write back must be the file as it is; otherwise saving would
    // change bytes the user never touched.
    bool encodable = false;
    const QByteArray written = encodeText(editorText(), m_crlf, &encodable);
    if (undecodable) {
        openReadOnly(tr("This file holds bytes that are not text in the encoding %1. It is open read-only, so "
                        "that saving cannot change them.")
                         .arg(QString::fromLatin1(encoding)));
    } else if (!encodable || written != bytes) {
        openReadOnly(tr("This file mixes line ends or holds characters this editor would change. It is open "
                        "read-only, so that saving cannot alter it."));
    }
}

bool Notepad::save()
{
    if (isReadOnly())
        return false;
    if (m_path.isEmpty()) {
        const QString path = m_askFileName();
        if (path.isEmpty())
            return false;
        m_path = path;
        setWindowTitle(documentName() + QStringLiteral(" - Notepad"));
    }

    bool encodable = false;
    const QByteArray bytes = m_bom + encodeText(editorText(), m_crlf, &encodable);
    if (!encodable) {
        m_showError(tr("%1 was not saved: the text holds characters that the encoding %2 cannot store.")
                        .arg(m_path, QString::fromLatin1(LocaleText::encodingName())));
        return false;
    }
    // Always a new copy beside the file that then takes its place, never a write in place: a full
    // disk or a crash halfway must leave the old contents whole.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (file.error() == QFileDevice::OpenError)
            m_showError(tr("%1 was not saved and is as it was: saving writes a new copy beside it, and no file can "
                           "be made in %2 (%3).")
                            .arg(m_path, QFileInfo(m_path).absolutePath(), file.errorString()));
        else
            m_showError(tr("%1 could not be saved: %2").arg(m_path, file.errorString()));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        m_showError(tr("%1 was not saved and is as it was: %2").arg(m_path, file.errorString()));
        return false;
    }
    m_editor->document()->setModified(false);
    return true;
}

void Notepad::closeEvent(QCloseEvent *event)
{
    if (!m_editor->document()->isModified()) {
        event->accept();
        return;
    }
    switch (m_askToSave(documentName())) {
    case QMessageBox::Save:
        if (save())
            event->accept();
        else
            event->ignore();
        break;
    case QMessageBox::Discard:
        event->accept();
        break;
    default:
        event->ignore();
        break;
    }
}
