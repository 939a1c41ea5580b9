#pragma once

#include <QMainWindow>
#include <QMessageBox>

#include <functional>

class FixedPaths;
class QAction;
class QCloseEvent;
class QLabel;
class QPlainTextEdit;

// The file a notepad.exe command line names: its words joined by single blanks (a name may hold
// blanks, as on Windows), a drive path mapped into the data folder. Empty for no words.
QString notepadPath(const QStringList &words, const FixedPaths &paths);

// Whether the one word of a command line asks for the help: /?, -? or --help.
bool isHelpRequest(const QString &word);
QString notepadUsage();

// A small plain-text editor for Parlo's text files. It keeps a file's encoding (the locale's)
// and its line ends; a file it could not write back byte for byte is opened read-only.
class Notepad final : public QMainWindow
{
    Q_OBJECT
public:
    // path: a local file, created empty when missing; empty for an untitled document.
    explicit Notepad(const QString &path, QWidget *parent = nullptr);

    // Seams for the questions the editor asks; the defaults show modal boxes.
    void setAskToSave(std::function<QMessageBox::StandardButton(const QString &name)> ask);
    void setAskFileName(std::function<QString()> ask);
    void setShowError(std::function<void(const QString &text)> show);

    // Shows the window as a window style asks: 2 and 6 minimized, 6 without taking the focus.
    void showWithStyle(int style);

    // Writes the text to the file; false (after telling the user why) when nothing was written.
    bool save();

    const QString &filePath() const { return m_path; }
    bool isReadOnly() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void addFileMenu();
    // Points the seams at modal boxes and the file dialog.
    void useDialogs();
    void load();
    void openReadOnly(const QString &notice);
    void showNotice(const QString &notice);
    QString editorText() const;
    QString documentName() const;

    QString m_path;
    QByteArray m_bom;   // a UTF-8 byte order mark the file began with, written back as it was
    bool m_crlf = true; // line ends CR LF; files without a line end get them too
    QLabel *m_notice;
    QPlainTextEdit *m_editor;
    QAction *m_save;
    std::function<QMessageBox::StandardButton(const QString &)> m_askToSave;
    std::function<QString()> m_askFileName;
    std::function<void(const QString &)> m_showError;
};
