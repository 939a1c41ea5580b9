#pragma once

#include "Host.h"
#include "HostConfig.h"
#include "core/CommandRunner.h"

#include <QHash>
#include <QStringList>

class RunGuard;

// Runs command lines with /bin/sh: standard output to the runner's file, standard error
// discarded, standard input from /dev/null, in a process group of their own.
class ShellInterpreter final : public Interpreter
{
public:
    ShellInterpreter(HostConfig config, const HostFacts &facts, RunGuard &guard)
        : m_config(std::move(config)), m_facts(facts), m_guard(guard)
    {
    }

    QString tempDirectory() const override;
    Outcome run(const QString &command, int windowStyle, QFile &output) override;
    QString decode(const QByteArray &output) const override;
    // Punches a hole into the file, where its file system can.
    void discard(QFile &output, qint64 from, qint64 to) const override;
    // Plain words between single blanks as they are; anything else in single quotes, so that
    // no character acts as shell syntax.
    QString literal(const QString &text) const override;

    static QString shell() { return QStringLiteral("/bin/sh"); }

    // Removes the output files that Parlo processes which no longer run left in TEMP (named files,
    // where the file system has no unnamed ones): regular files of this user, named
    // OUT<process id>-XXXXXX.tmp, and nothing else. Returns how many it removed.
    int removeLeftOutput() const;

private:
    HostConfig m_config;
    // The environment of the commands run with a window style, made once each.
    QHash<int, QStringList> m_environments;
    const HostFacts &m_facts;
    RunGuard &m_guard;
};
