// parlo-deliver [--spool=DIR] SENDER RECIPIENT FILE: Samba's message command. Copies the text
// of FILE, unchanged, into a new file of the spool folder with the sender, the recipient and
// the time of arrival, and then removes FILE. A message it cannot store makes it exit non-zero
// and stays in FILE; one over the size bounds is refused and removed.
// Installed, it belongs to the spool's owner and is set-user-ID, executable only by the group of
// Samba's guest account (parlo-receive-setup sets this up): so smbd can store messages, and no
// other local user can, nor make one appear from anyone.
#include "SpoolWriter.h"

#include <cstdio>
#include <string_view>

#include <unistd.h>

#ifdef PARLO_SANITIZE
// Run set-user-ID, the process is not dumpable, so LeakSanitizer cannot read it through /proc (nor its
// environment, where the option would otherwise go) and would fail every exit.
extern "C" const char *__asan_default_options()
{
    return ::getuid() != ::geteuid() ? "detect_leaks=0" : "";
}
#endif

int main(int argc, char *argv[])
{
    std::string spool = "/var/spool/parlo";
    int first = 1;
    constexpr std::string_view option = "--spool=";
    if (argc > 1 && std::string_view(argv[1]).starts_with(option)) {
        spool = argv[1] + option.size();
        first = 2;
    }
    // smbd escapes shell syntax in its message command: a trailing "&" arrives as an argument.
    if (argc - first == 4 && std::string_view(argv[argc - 1]) == "&")
        --argc;
    if (argc - first != 3) {
        std::fputs("usage: parlo-deliver [--spool=DIR] SENDER RECIPIENT FILE\n", stderr);
        return 2;
    }
    const std::string error = deliverMessage(spool, argv[first], argv[first + 1], argv[first + 2]);
    if (!error.empty()) {
        std::fprintf(stderr, "parlo-deliver: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
