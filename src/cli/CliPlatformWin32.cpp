// vendra-run on Windows: the console's input waited for together with a wake event, then read a
// line at a time as the console edits and echoes it; Ctrl-C, Ctrl-Break and closing the console
// through a console control handler.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "cli/CliPlatform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace vendra {

namespace {

// A console read that Ctrl-C ends returns nothing; the control handler, on its own thread, wakes
// the input a moment later. Nothing within this time: the console really gave nothing.
constexpr DWORD kCtrlGraceMs = 1000;
// How often, 2 ms apart, Wake() tries to end a read that is just starting.
constexpr int kCancelTries = 50;
// Closing the console ends the process when the handler returns: until then (or until the system's
// own limit, 5 s for a closed console) the run is stopped and vendra-run ends by itself.
constexpr DWORD kCloseGraceMs = 10000;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

// True when the console holds a key press that types something. The records before it that type
// nothing (focus, mouse, key releases, arrows) are dropped, so the wait does not wake for them
// again; the typing itself is left to the console's line editing.
bool KeyTyped(HANDLE in) {
    INPUT_RECORD records[16];
    for (;;) {
        DWORD n = 0;
        if (!::PeekConsoleInputW(in, records, 16, &n) || n == 0) return false;
        DWORD typing = 0;
        while (typing < n && !(records[typing].EventType == KEY_EVENT &&
                               records[typing].Event.KeyEvent.bKeyDown &&
                               records[typing].Event.KeyEvent.uChar.UnicodeChar != 0))
            ++typing;
        DWORD dropped = 0;
        if (typing > 0 && !::ReadConsoleInputW(in, records, typing, &dropped)) return false;
        if (typing < n) return true;
        // None of them typed: they are gone; look at what came meanwhile.
    }
}

}  // namespace

bool StdinIsTerminal() {
    return IsConsole(::GetStdHandle(STD_INPUT_HANDLE));
}

bool StderrShowsProgress() {
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(err, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
           ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

struct TerminalInput::Impl {
    HANDLE in = INVALID_HANDLE_VALUE;
    bool console = false;
    HANDLE wake = nullptr;  // manual reset: once set, it stays set
    std::string read;       // the bytes of the last read not yet taken
    size_t taken = 0;
    std::mutex mutex;         // guards reader
    HANDLE reader = nullptr;  // the thread in ReadFile, for CancelSynchronousIo

    bool Woken() const { return ::WaitForSingleObject(wake, 0) == WAIT_OBJECT_0; }
};

TerminalInput::TerminalInput(int fd) : impl_(std::make_unique<Impl>()) {
    if (fd >= 0) impl_->in = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    impl_->console = IsConsole(impl_->in);
    impl_->wake = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TerminalInput::~TerminalInput() {
    if (impl_->wake) ::CloseHandle(impl_->wake);
}

TerminalInput::Got TerminalInput::Next(char& c) {
    Impl& d = *impl_;
    if (d.Woken()) return Got::Woken;
    if (d.taken < d.read.size()) {
        c = d.read[d.taken++];
        return Got::Byte;
    }
    if (d.in == INVALID_HANDLE_VALUE || d.in == nullptr || !d.wake) return Got::End;
    for (;;) {
        if (d.console) {
            // Nothing is read before a key is typed, so that waking needs no cancelling here.
            const HANDLE waits[2] = {d.wake, d.in};
            const DWORD r = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (r == WAIT_OBJECT_0) return Got::Woken;
            if (r != WAIT_OBJECT_0 + 1) return Got::End;
            if (!KeyTyped(d.in)) continue;
        }
        {
            std::lock_guard<std::mutex> lock(d.mutex);
            if (d.Woken()) return Got::Woken;
            if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(),
                                   ::GetCurrentProcess(), &d.reader, THREAD_TERMINATE, FALSE, 0))
                d.reader = nullptr;
        }
        char bytes[256];
        DWORD got = 0;
        const BOOL ok = ::ReadFile(d.in, bytes, sizeof bytes, &got, nullptr);
        {
            std::lock_guard<std::mutex> lock(d.mutex);
            if (d.reader) ::CloseHandle(d.reader);
            d.reader = nullptr;
        }
        if (d.Woken()) return Got::Woken;
        if (ok && got > 0) {
            d.read.assign(bytes, got);
            d.taken = 1;
            c = d.read[0];
            return Got::Byte;
        }
        if (d.console && ::WaitForSingleObject(d.wake, kCtrlGraceMs) == WAIT_OBJECT_0)
            return Got::Woken;
        return Got::End;
    }
}

void TerminalInput::Wake() {
    Impl& d = *impl_;
    if (!d.wake) return;
    ::SetEvent(d.wake);
    // A read under way is cancelled; one that is only starting may miss the first try.
    for (int i = 0; i < kCancelTries; ++i) {
        {
            std::lock_guard<std::mutex> lock(d.mutex);
            if (!d.reader || ::CancelSynchronousIo(d.reader)) return;
        }
        ::Sleep(2);
    }
}

namespace {

std::atomic<int> g_request{0};  // the strongest StopRequest not yet taken
HANDLE g_arrived = nullptr;     // set when a request arrives (auto reset)

BOOL WINAPI OnConsoleControl(DWORD type) {
    const int request =
        static_cast<int>(type == CTRL_C_EVENT ? StopRequest::Abort : StopRequest::AbortNow);
    int before = g_request.load();
    while (before < request && !g_request.compare_exchange_weak(before, request)) {
    }
    ::SetEvent(g_arrived);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        ::Sleep(kCloseGraceMs);  // vendra-run's own end ends this thread too
    return TRUE;
}

}  // namespace

StopRequests::StopRequests() {
    g_arrived = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopRequests::~StopRequests() {
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    // g_arrived stays: a handler still running may set it.
}

StopRequest StopRequests::Take(uint32_t ms) {
    if (const int request = g_request.exchange(0)) return static_cast<StopRequest>(request);
    if (g_arrived) ::WaitForSingleObject(g_arrived, ms);
    return static_cast<StopRequest>(g_request.exchange(0));
}

const RunPlatformHelp& PlatformHelp() {
    static const RunPlatformHelp help = {
        "port number instead of Config.cfg's: the device COM<N>",

        "Ctrl-C, Ctrl-Break and closing the console act as the Abort button: a running delay\n"
        "ends at once, the stop frame \"GG!\" is sent and the run ends after its current\n"
        "command. vendra-run says whether the stop frame went out (while the line is lost it\n"
        "cannot).\n"
        "\n"
        "Exit status: 0 the program ended (end_program or its last line); 1 a board error, a\n"
        "time-out rule or a lost line stopped it; 2 Ctrl-C, Ctrl-Break or closing the console\n"
        "stopped it; 3 usage, file or port error, a program not loaded whole or with no line,\n"
        "or a question nobody could answer.\n",

        "Example, with the boards on COM5:\n"
        "  vendra-run --port 5 --json examples\\three_motors.def\n",
    };
    return help;
}

}  // namespace vendra
