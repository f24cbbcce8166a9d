#include "cli/CliOperator.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace vendra {

namespace {

struct Button {
    int id;
    const char* word;
};

// The buttons of each box type (the low nibble of the flags), in the box's order.
std::vector<Button> ButtonsOf(unsigned flags) {
    switch (flags & 0xF) {
        case mb::OkCancel:
            return {{mb::IdOk, "ok"}, {mb::IdCancel, "cancel"}};
        case mb::AbortRetryIgnore:
            return {{mb::IdAbort, "abort"}, {mb::IdRetry, "retry"}, {mb::IdIgnore, "ignore"}};
        case mb::YesNoCancel:
            return {{mb::IdYes, "yes"}, {mb::IdNo, "no"}, {mb::IdCancel, "cancel"}};
        case mb::YesNo:
            return {{mb::IdYes, "yes"}, {mb::IdNo, "no"}};
        case mb::RetryCancel:
            return {{mb::IdRetry, "retry"}, {mb::IdCancel, "cancel"}};
        default:
            return {{mb::IdOk, "ok"}};
    }
}

std::string Lower(const std::string& text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A message as one block: the title, then the text's lines indented.
std::string Block(const std::string& title, const std::string& text) {
    std::string out = title + ":";
    size_t start = 0;
    for (;;) {
        const size_t nl = text.find('\n', start);
        out += (start == 0 ? " " : "\n    ") + text.substr(start, nl - start);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return out;
}

// A rejected answer as a message names it: quoted, cut short, unprintable bytes as \xHH, so that
// an answers file of binary junk makes one short line, not a flood of bytes on the terminal.
std::string QuotedAnswer(const std::string& answer) {
    constexpr size_t kShown = 40;
    std::string out = "\"";
    for (size_t i = 0; i < answer.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(answer[i]);
        if (c < 0x20 || c >= 0x7F || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (answer.size() <= kShown) return out + "\"";
    return out + "...\" (" + std::to_string(answer.size()) + " bytes)";
}

}  // namespace

int ButtonForAnswer(const std::string& answer, unsigned flags) {
    const std::string a = Lower(answer);
    if (a.empty()) return 0;
    for (const Button& b : ButtonsOf(flags))
        if (a == b.word || (a.size() == 1 && a[0] == b.word[0])) return b.id;
    return 0;
}

std::string ButtonWords(unsigned flags) {
    std::string words;
    for (const Button& b : ButtonsOf(flags))
        words += (words.empty() ? "" : "/") + std::string(b.word);
    return words;
}

int DecliningButton(unsigned flags) {
    const std::vector<Button> buttons = ButtonsOf(flags);
    for (int wanted : {mb::IdCancel, mb::IdNo, mb::IdAbort})
        for (const Button& b : buttons)
            if (b.id == wanted) return wanted;
    return mb::IdOk;
}

std::optional<uint32_t> ValueForAnswer(const std::string& answer) {
    if (answer.empty() || answer.size() > 10) return std::nullopt;
    uint64_t value = 0;
    for (char c : answer) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<uint32_t>(value);
}

CliOperator::CliOperator(Setup setup, std::ostream& err)
    : answers_(std::move(setup.answers)),
      hasInput_(setup.inputFd >= 0),
      input_(setup.inputFd),
      resumeAfterReconnect_(setup.resumeAfterReconnect),
      allowRepeat_(setup.allowRepeat),
      err_(err) {}

CliOperator::~CliOperator() = default;

void CliOperator::WriteLocked(const std::string& text) {
    // A progress line on the terminal is cleared first, then drawn again below the message.
    if (!progress_.empty()) err_ << "\r\033[K";
    err_ << text;
    if (!progress_.empty()) err_ << progress_;
    err_.flush();
}

void CliOperator::Say(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteLocked("vendra-run: " + text + "\n");
}

void CliOperator::Progress(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    // A question waiting for typing keeps its line: the progress line would wipe it.
    if (typing_ || text == progress_) return;
    err_ << "\r\033[K" << text;
    err_.flush();
    progress_ = text;
}

void CliOperator::Interrupt() {
    interrupted_ = true;
    input_.Wake();
}

std::string CliOperator::Unanswered() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unanswered_;
}

std::optional<std::string> CliOperator::ReadTerminalLine(const std::string& prompt,
                                                         bool& interrupted) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!progress_.empty()) err_ << "\r\033[K";
        progress_.clear();
        typing_ = true;
        err_ << prompt;
        err_.flush();
    }
    std::optional<std::string> answer;
    std::string line;
    for (bool done = false; !done;) {
        char c = 0;
        const TerminalInput::Got got = input_.Next(c);
        if (interrupted_.load() || got == TerminalInput::Got::Woken) {
            interrupted = true;
            done = true;
        } else if (got == TerminalInput::Got::End) {
            done = true;  // nobody to ask any more
        } else if (c == '\n') {
            answer = line;
            done = true;
        } else if (c != '\r') {
            line += c;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    typing_ = false;
    return answer;
}

std::optional<std::string> CliOperator::NextAnswer(const std::string& prompt, bool& interrupted,
                                                   bool& typed) {
    interrupted = false;
    typed = false;
    if (interrupted_.load()) {
        interrupted = true;
        return std::nullopt;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!answers_.empty()) {
            std::string answer = answers_.front();
            answers_.pop_front();
            answersUsed_.fetch_add(1);
            return answer;
        }
    }
    if (!hasInput_) return std::nullopt;
    typed = true;
    return ReadTerminalLine(prompt, interrupted);
}

void CliOperator::NoAnswer(const std::string& question, const std::string& why) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (unanswered_.empty()) unanswered_ = question;
        WriteLocked("vendra-run: " + why + ": the run is stopped\n");
    }
    if (stopHook_) stopHook_();
}

int CliOperator::ShowMessageBox(const std::string& text, const std::string& title, unsigned flags) {
    // A report (OK only) needs nobody; any other box of the system is declined here, since the
    // answers given are the program's.
    const int answer = (flags & 0xF) == mb::Ok ? mb::IdOk : DecliningButton(flags);
    std::string line = Block(title, text);
    if ((flags & 0xF) != mb::Ok) line += " [" + ButtonWords(flags) + ": declined]";
    Say(line);
    return answer;
}

int CliOperator::ShowProgramBox(const std::string& text, const std::string& title, unsigned flags) {
    std::lock_guard<std::mutex> ask(askMutex_);
    const std::string question = Block(title, text);
    const std::string choices = ButtonWords(flags);
    for (;;) {
        bool interrupted = false, typed = false;
        std::optional<std::string> answer =
            NextAnswer(question + "\n[" + choices + "]? ", interrupted, typed);
        if (interrupted) return DecliningButton(flags);
        if (!answer) {
            NoAnswer(question, "no answer for \"" + text + "\" (" + choices +
                                   "; give --answer or --answers, or run on a terminal)");
            return DecliningButton(flags);
        }
        const int button = ButtonForAnswer(*answer, flags);
        if (button != 0) {
            Say(question + " -> " + Lower(*answer));
            return button;
        }
        if (typed) continue;  // a slip at the keyboard: ask again
        NoAnswer(question, "the answer " + QuotedAnswer(*answer) + " is not one of " + choices +
                               " for \"" + text + "\"");
        return DecliningButton(flags);
    }
}

bool CliOperator::AskUserValue(const std::string& text, uint32_t& value) {
    std::lock_guard<std::mutex> ask(askMutex_);
    const std::string question = "User Value Input: " + text;
    for (;;) {
        bool interrupted = false, typed = false;
        std::optional<std::string> answer =
            NextAnswer(question + " [a number, or cancel]? ", interrupted, typed);
        if (interrupted) return false;
        if (!answer) {
            NoAnswer(question, "no answer for the value \"" + text +
                                   "\" (give --answer or --answers, or run on a terminal)");
            return false;
        }
        if (ButtonForAnswer(*answer, mb::OkCancel) == mb::IdCancel) {
            Say(question + " -> cancel");
            return false;
        }
        if (std::optional<uint32_t> v = ValueForAnswer(*answer)) {
            Say(question + " -> " + std::to_string(*v));
            value = *v;
            return true;
        }
        if (typed) continue;
        NoAnswer(question, "the answer " + QuotedAnswer(*answer) +
                               " is no number from 0 to 4294967295 for \"" + text + "\"");
        return false;
    }
}

bool CliOperator::AskBoardType(uint8_t&) {
    return false;
}

bool CliOperator::AskBoardAddress(uint8_t&) {
    return false;
}

bool CliOperator::AskResumeAfterLineLoss(const std::string& text, bool repeatsCommand) {
    bool resume = resumeAfterReconnect_;
    std::string answer = " -> yes (--resume-after-reconnect)";
    if (!resumeAfterReconnect_) {
        answer = " -> no (--resume-after-reconnect was not given)";
    } else if (repeatsCommand && allowRepeat_) {
        answer = " -> yes (--resume-after-reconnect --allow-repeat)";
    } else if (repeatsCommand) {
        // A command that already did its work would do it twice: only the operator may say so.
        resume = false;
        answer = " -> no (the command would be sent again: --allow-repeat was not given)";
    }
    Say(Block("VDWin Comm Message", text) + answer);
    return resume;
}

void CliOperator::SetSystemMessage(const std::string& text) {
    Say(text);
}

}  // namespace vendra
