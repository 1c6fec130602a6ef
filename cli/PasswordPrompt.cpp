#include "cli/PasswordPrompt.h"

#include "cli/OutputText.h"

#ifdef _WIN32
#include <conio.h>

#include "platform/Windows.h"
#else
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#endif

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "access/PasswordStore.h"
#include "fleet/ClockRows.h"
#include "settings/Messages.h"

namespace horavane::cli {
namespace {

// A password is one short line; reading stops here, so that /dev/zero or a huge file named by
// mistake ends at once instead of filling the memory.
constexpr std::size_t kLongestPasswordLine = 4096;

// The first line only, byte by byte: a pipe or a process substitution (`<(secret-tool ...)`) may
// hold more than the line, or never end.
std::optional<std::string> ReadPasswordFileLine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    char c = 0;
    while (file && line.size() <= kLongestPasswordLine && file.get(c) && c != '\n') line += c;
    // A read error, such as a folder named as the file, is not a wrong password.
    if (!file.is_open() || file.bad()) {
        PrintError("cannot read the password file " + Untrusted{path});
        return std::nullopt;
    }
    if (line.size() > kLongestPasswordLine) {
        PrintError("the password file " + Untrusted{path} + " has no line end within its first " +
                   Message::Own(std::to_string(kLongestPasswordLine)) +
                   " bytes; it must hold the password on its first line");
        return std::nullopt;
    }
    return WithoutLineEnd(line);
}

// Applies the line-editing keys the prompt understands. false once Ctrl-C has been typed.
bool TakeKey(std::string& line, char c) {
    if (c == '\x03') return false;  // Ctrl-C
    if (c == '\x7f' || c == '\b') {
        if (!line.empty()) line.pop_back();
    } else if (c == '\x15') {  // Ctrl-U
        line.clear();
    } else {
        line += c;
    }
    return true;
}

std::optional<std::string> Interrupted() {
    std::cerr << "horavanectl: interrupted\n";
    return std::nullopt;
}

#ifdef _WIN32

// The console's own unechoed key reader; Ctrl-C arrives as a key. _getch reads the console whatever
// stdin is, and a program without one (started detached, or by a service) would read nothing.
std::optional<std::string> AskOnTerminal() {
    const HANDLE console =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        std::cerr << "horavanectl: no terminal to ask for the password; name a file that holds it with "
                     "--password-file FILE\n";
        return std::nullopt;
    }
    CloseHandle(console);
    std::cerr << "Password: " << std::flush;
    std::string line;
    for (int c = _getch(); c != '\r' && c != '\n' && c != EOF; c = _getch()) {
        if (!TakeKey(line, static_cast<char>(c))) return Interrupted();
    }
    std::cerr << "\n";
    return line;
}

#else

// While the prompt has the echo off, a SIGTERM or SIGHUP (a `timeout`, a closed window) must not
// leave the operator's terminal without echo: the handler puts the saved settings back and then
// lets the signal end the program as it would have.
int g_promptTty = -1;
termios g_savedTerminal{};

extern "C" void RestoreTerminalAndDie(int signal) {
    if (g_promptTty >= 0) ::tcsetattr(g_promptTty, TCSAFLUSH, &g_savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

class EchoRestorer {
  public:
    EchoRestorer(int tty, const termios& saved) {
        g_promptTty = tty;
        g_savedTerminal = saved;
        for (int sig : {SIGTERM, SIGHUP}) previous_[Index(sig)] = ::signal(sig, RestoreTerminalAndDie);
    }
    ~EchoRestorer() {
        for (int sig : {SIGTERM, SIGHUP}) ::signal(sig, previous_[Index(sig)]);
        ::tcsetattr(g_promptTty, TCSAFLUSH, &g_savedTerminal);
        g_promptTty = -1;
    }
    EchoRestorer(const EchoRestorer&) = delete;
    EchoRestorer& operator=(const EchoRestorer&) = delete;

  private:
    static std::size_t Index(int sig) { return sig == SIGTERM ? 0 : 1; }
    void (*previous_[2])(int) = {SIG_DFL, SIG_DFL};
};

// Prompts on the controlling terminal with echo switched off, whatever stdin and stdout are.
std::optional<std::string> AskOnTerminal() {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        std::cerr << "horavanectl: no terminal to ask for the password; name a file that holds it with "
                     "--password-file FILE\n";
        return std::nullopt;
    }
    termios saved{};
    const bool canHide = ::tcgetattr(tty, &saved) == 0;
    std::optional<EchoRestorer> restorer;
    if (canHide) {
        restorer.emplace(tty, saved);
        // Key by key without echo; Ctrl-C arrives as a key instead of a signal, so the echo is always
        // switched back on.
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO | ISIG | ICANON);
        silent.c_cc[VMIN] = 1;
        silent.c_cc[VTIME] = 0;
        ::tcsetattr(tty, TCSAFLUSH, &silent);
    }
    static constexpr char kPrompt[] = "Password: ";
    [[maybe_unused]] const auto promptWritten = ::write(tty, kPrompt, sizeof kPrompt - 1);
    std::string line;
    char c = 0;
    bool interrupted = false;
    while (::read(tty, &c, 1) == 1 && c != '\n' && c != '\r') {
        if (!TakeKey(line, c)) {
            interrupted = true;
            break;
        }
    }
    restorer.reset();
    [[maybe_unused]] const auto newlineWritten = ::write(tty, "\n", 1);
    ::close(tty);
    if (interrupted) return Interrupted();
    return WithoutLineEnd(line);
}

#endif

}  // namespace

void AddPasswordOptions(CLI::App& command, PasswordArgs& args) {
    command.add_option("--password-file", args.passwordFile,
                       "file whose first line is the password (otherwise it is asked on the terminal)");
}

namespace {
std::filesystem::path& ChosenStore() {
    static std::filesystem::path store;
    return store;
}
}  // namespace

void UsePasswordStore(std::filesystem::path file) {
    ChosenStore() = std::move(file);
}

// The store is read first: with the gate closed there is no point in asking for the password.
bool CheckOperatorPassword(const PasswordArgs& args) {
    PasswordDigest stored = InitialDigest();
    const PasswordStore store(ChosenStore().empty() ? DefaultPasswordFilePath() : ChosenStore());
    if (store.ReadPasswordFile(stored) == PasswordFileState::kUnreadable) {
        PrintError(Untrusted{UnreadablePasswordFileMessage(store.path())});
        return false;
    }
    const auto typed = args.passwordFile.empty() ? AskOnTerminal() : ReadPasswordFileLine(args.passwordFile);
    if (!typed) return false;
    if (!PasswordMatches(*typed, stored)) {
        std::cerr << msg::kPasswordWrong << "\n";
        return false;
    }
    return true;
}

}  // namespace horavane::cli
