#pragma once

#include "ui/Form.h"

class QTextBrowser;
class QUrl;

// The window that shows whois answers. It has no handlers of its own: only the whois window
// writes into it, and the links it shows are the whois window's to follow. There is at most
// one, and it outlives the whois window.
class Result final : public Form
{
    Q_OBJECT
public:
    // The one instance, or null when there is none.
    static Result *instance();
    // The one instance, made visible; created first when there is none.
    static Result *showInstance();

    // Everything the box shows goes in as plain text, so nothing an answer holds acts as markup.
    void clear();
    void appendText(const QString &text);
    // A line that asks to be followed, as href, when clicked.
    void appendLink(const QString &caption, const QUrl &href);

    QTextBrowser *const RichTextBox1;

private:
    Result();
};
