#pragma once

#include <cstddef>
#include <string>

// A spool file is a header of "name=value" lines (values percent-encoded where they hold '%'
// or a control character), an empty line, and the message's bytes as they arrived:
//   from=SENDER
//   to=RECIPIENT
//   time=2026-12-07T12:09:49Z
//
//   TEXT
// Its name, NANOSECONDS-PID.msg with the nanoseconds zero-padded, sorts in the order of
// arrival; it appears whole or not at all (written under a hidden name, then renamed), with
// mode 0640, owned by whoever delivers (installed, the spool's owner).

// The longest text and name that are stored. A messenger text is at most 1,600 bytes; with
// these bounds a spool file stays well below the 64 KiB that Parlo reads.
inline constexpr std::size_t maxTextBytes = 32 * 1024;
inline constexpr std::size_t maxNameBytes = 256;
// How long a message stays in the spool, seen or not; each delivery removes older ones (at most
// once an hour, when it finds the spool's ".pruned" older than that).
inline constexpr long long keptDays = 30;

// Percent-encodes '%' and the bytes below 0x20 and 0x7f.
std::string spoolHeaderValue(const std::string &value);

// Stores the message read from file in spool and removes file. Returns why it failed, or "".
// A message over the bounds is refused and removed; one that cannot be stored stays in file.
// Installed set-user-ID, the program reads and removes file as the user who started it (smbd's
// guest) and writes the spool as its owner.
std::string deliverMessage(const std::string &spool, const std::string &sender, const std::string &recipient,
                           const std::string &file);
