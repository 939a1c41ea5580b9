#pragma once

// The exit statuses of Parlo's `net send`, which tell its outcomes apart. Parlo's list reports
// and history read them; a script may too (the manual page lists them). Any other failure is 2,
// as Windows' net gives for every one.
enum NetStatus : int
{
    netSent = 0,
    netUsage = 1,        // the command line was not understood; the usage text was shown
    netFailed = 2,       // none of the below
    netNameNotFound = 3, // nothing on the network answers to the name
    netUnreachable = 4,  // no answer at the address, or nothing there takes messages
    netRefused = 5,      // the receiver answered and refused the message
    netTooLong = 6,      // the message or the name does not fit
    netBadInput = 7,     // a character of the message or the name cannot be carried
};
