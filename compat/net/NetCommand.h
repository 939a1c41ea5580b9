#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What `net` was asked to do, and the texts it prints. Pure functions.

struct NetCommand
{
    enum Kind
    {
        Usage,
        Send,
        View
    };
    Kind kind = Usage;
    QString name;    // Send: the recipient, as given
    QString message; // Send: the words after the recipient, joined by single blanks
};

// The arguments after the program name. "send" and "view" are taken in any case; anything else,
// and `send` without both a recipient and a message, is Usage.
NetCommand parseArguments(const QStringList &arguments);

// A message ready for the wire, or the sentence that says why it cannot be sent.
struct PreparedText
{
    QByteArray bytes; // code page 850, CR LF line ends
    QString refusal;  // empty when bytes holds the message
};

// Line ends of every kind become CR LF; then the text must fit code page 850 and one message.
PreparedText prepareMessage(const QString &message);

// Why a recipient cannot be called by its NetBIOS name as given, as a sentence; empty when it can.
// An address is always taken; a name's computer part (up to its first dot) must fit the 15
// characters of a NetBIOS name and code page 850, since cutting or replacing would call another.
QString recipientRefusal(const QString &name);

QString usageText();
QString successText(const QString &name);
QString failureText(const QString &name, const QString &reason);
// The computers as `net view` lists them, sorted; the empty-list sentence when there are none.
QString viewText(QStringList computers);
