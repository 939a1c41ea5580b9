#pragma once

// What the end-to-end receive tests share: the texts a message must carry unchanged, a main
// window that sends over the real shell and Parlo's net program, and smbd's message command.

#include "Fakes.h"
#include "main/parlo.h"
#include "platform/LinuxFacts.h"
#include "platform/RunningCommand.h"
#include "platform/ShellInterpreter.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

// Code page 850 letters, shell syntax and a second line, each as a row tag and the text.
inline const QList<std::pair<const char *, QString>> sentTexts = {
    {"code page 850", QStringLiteral("Grüße, ½ Stück für Æsop ±5 ÿ")},
    {"shell syntax and lines", QStringLiteral("it's $(id) & `id`;\n  second \"line\" %f %s <b>")},
};

// smbd's message command, quoted as parlo-receive-setup writes it: the built parlo-deliver stores
// each message in spool. smbd escapes shell syntax outside quotes, so the "&" arrives as a word
// of its own, which parlo-deliver accepts.
inline QString deliverCommand(const QString &spool)
{
    return QStringLiteral("'" PARLO_TEST_DELIVER "' '--spool=%1' '%m' '%L' '%s' &").arg(spool);
}

// A main window whose commands run through the real /bin/sh and the built console programs.
struct SendingParlo
{
    explicit SendingParlo(const QString &dataDirectory)
        : fake(dataDirectory), interpreter({QStringLiteral(PARLO_TEST_COMPAT_DIR), dataDirectory}, facts, guard),
          runner(interpreter), window(Host{runner, fake.launcher, fake.messages, fake.facts, fake.paths})
    {
    }

    // Types the address, sends the text and gives back the report the window shows instead.
    QString send(const QString &address, const QString &text)
    {
        window.findChild<QLineEdit *>(QStringLiteral("txtno"))->clear();
        QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("txtno")), address);
        window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->setPlainText(text);
        window.findChild<QAbstractButton *>(QStringLiteral("cmdSend"))->click();
        return window.findChild<QPlainTextEdit *>(QStringLiteral("txtmsg"))->toPlainText();
    }

    FakeHost fake;
    LinuxFacts facts;
    QuietGuard guard;
    ShellInterpreter interpreter;
    Runner runner;
    parlo window;
};
