#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

// How one new process starts: the one way Parlo starts its children, by posix_spawn, with no
// shell in between unless the program is one. Standard input is always /dev/null.
struct SpawnPlan
{
    enum class Leads
    {
        Group,   // a process group of its own, within Parlo's session
        Session, // a session of its own, parted from Parlo's terminal and groups
    };

    QString program;          // the file to run
    QStringList arguments;    // its argument vector, its name first
    QStringList environment;  // NAME=value
    int outputFd = -1;        // a descriptor of Parlo's as standard output; -1: Parlo's own
    bool quietErrors = false; // standard error to /dev/null instead of Parlo's
    Leads leads = Leads::Group;
};

struct Spawned
{
    pid_t pid = 0;
    int error = 0; // errno when the process could not be made or its program not run

    bool failed() const { return error != 0; }
};

// Starts the process. Every signal has its default action in it, and none is blocked.
Spawned spawnProcess(const SpawnPlan &plan);

// For a child Parlo does not wait for: reaps it once it has ended (from a thread of its own), so
// that it never lingers as Parlo's zombie. ended, when given, is then called in the event loop's
// thread with the child's exit status (-1 when a signal ended it).
void reapWhenDone(pid_t pid, std::function<void(int)> ended = {});

// Starts a detached thread that takes no signal, which stay with the threads that handle them.
void startQuietThread(std::function<void()> work);
