#pragma once

#include <string>

// A spool file is a header of "name=value" lines (values percent-encoded where they hold '%'
// or a control character), an empty line, and the message's bytes as they arrived:
//   from=SENDER
//   to=RECIPIENT
//   time=2026-12-07T12:09:49Z
//
//   TEXT
// Its name, NANOSECONDS-PID.msg with the nanoseconds zero-padded, sorts in the order of
// arrival; it appears whole or not at all (written under a hidden name, then renamed).

// Percent-encodes '%' and the bytes below 0x20 and 0x7f.
std::string spoolHeaderValue(const std::string &value);

// Stores the message read from file in spool and removes file. Returns why it failed, or "".
std::string deliverMessage(const std::string &spool, const std::string &sender, const std::string &recipient,
                           const std::string &file);
