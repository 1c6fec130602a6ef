#pragma once

namespace horavane::cli {

// What horavanectl returns; scripts and monitoring systems rely on these numbers.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,         // bad arguments or input file
    kExitRefused = 2,       // a settings check refused the write; nothing was sent
    kExitNoReply = 3,       // the clock did not answer
    kExitChecksum = 4,      // "Error CheckSum": six replies in a row failed the checksum
    kExitNotVerified = 5,   // the clock does not show what was written
    kExitMonitorAlarm = 6,  // monitor: a clock is silent or not synchronised
    kExitPassword = 7,      // password wrong or not available
    kExitJournal = 8,       // the journal of writes could not be written; nothing was sent
    kExitPortHeld = 9,      // the clock port is held by another program after --lock-wait; nothing sent
    kExitOutput = 10,       // monitor --output: the file could not be written
    kExitNotAFile = 11,     // monitor --output: FILE is no regular file (nor a link to one); nothing changed
    kExitDrift = 12,        // plan, align: some clock holds otherwise than its desired settings
    kExitCannotTell = 13,   // plan, align: some clock silent or failing the checksum (wins over 12)
};

// `check` speaks the monitoring plugins' language instead.
enum CheckCode : int {
    kCheckOk = 0,
    kCheckWarning = 1,
    kCheckCritical = 2,
    kCheckUnknown = 3,  // bad usage, no network, the clock port held by another program
};

inline constexpr const char* kExitCodeHelp =
    "Exit codes:\n"
    "  0  ok\n"
    "  1  bad usage (arguments, addresses, settings file)\n"
    "  2  a settings check refused the write; nothing was sent\n"
    "  3  no reply from the clock\n"
    "  4  \"Error CheckSum\": the clock's replies kept failing the checksum\n"
    "  5  verification failed: the clock does not show what was written\n"
    "  6  monitor: some clock silent or not synchronised\n"
    "  7  password refused or not available\n"
    "  8  the journal of writes could not be written or read; nothing was sent\n"
    "  9  the clock port is held by another program after --lock-wait; nothing was sent\n"
    "  10 monitor --output: the file could not be written\n"
    "  11 monitor --output: FILE is a folder, device, FIFO or socket, or a link to none of a regular\n"
    "     file; nothing was sent and FILE was left as it is\n"
    "  12 plan, align: drift found: some clock holds otherwise than its desired settings\n"
    "  13 plan, align: could not tell: some clock silent or failing the checksum (wins over 12)\n"
    "(check has its own: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN)";

}  // namespace horavane::cli
