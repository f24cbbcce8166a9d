#include "core/serial/CommDebugLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/base/AtomicFile.h"
#include "core/base/Clock.h"
#include "core/base/Waits.h"

namespace vendra {
namespace {

constexpr size_t kMaxFrameShown = 300;
// A window that does not report itself shown within this time is given up on; the log works
// without it.
constexpr uint32_t kWindowReadyLimitMs = 3000;

}  // namespace

CommDebugLog::CommDebugLog(CommDebugLogState state) : state_(state) {}

bool CommDebugLog::Logging() const {
    return state_.CommDebug.CommDebugEnabled.load() && state_.CommDebug.CommDebugWindowOpen.load();
}

void CommDebugLog::LogSentFrame(int lineNumber, std::string_view frame) {
    if (!Logging()) return;
    size_t cr = frame.find('\r');
    if (cr != std::string_view::npos) frame = frame.substr(0, cr);
    if (frame.size() > kMaxFrameShown) frame = frame.substr(0, kMaxFrameShown);
    std::lock_guard<std::mutex> lock(mutex_);
    char head[48];
    int n = std::snprintf(head, sizeof head, "->%d/%u - ", lineNumber,
                          state_.CommDebug.CommDebugLineNumber.load());
    std::string line(head, static_cast<size_t>(n));
    line.append(frame);
    AppendLocked(line);
}

void CommDebugLog::LogReceivedText(std::string_view reply) {
    if (!Logging()) return;
    if (reply.size() > kMaxFrameShown) reply = reply.substr(0, kMaxFrameShown);
    std::lock_guard<std::mutex> lock(mutex_);
    char head[32];
    int n =
        std::snprintf(head, sizeof head, "<-%u - ", state_.CommDebug.CommDebugLineNumber.load());
    std::string line(head, static_cast<size_t>(n));
    line.append(reply);
    AppendLocked(line);
}

void CommDebugLog::LogDiscarded(std::string_view bytes) {
    if (!Logging()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    while (!bytes.empty()) {
        size_t cr = bytes.find('\r');
        std::string_view piece = bytes.substr(0, cr);
        bytes = cr == std::string_view::npos ? std::string_view() : bytes.substr(cr + 1);
        if (piece.size() > kMaxFrameShown) piece = piece.substr(0, kMaxFrameShown);
        char head[48];
        int n = std::snprintf(head, sizeof head,
                              "<-%u - discarded: ", state_.CommDebug.CommDebugLineNumber.load());
        std::string line(head, static_cast<size_t>(n));
        for (unsigned char c : piece) {
            if (c >= 0x20 && c < 0x7f) {
                line += static_cast<char>(c);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, c == '\n' ? "\\n" : "\\x%02X", c);
                line += hex;
            }
        }
        if (cr != std::string_view::npos) line += "\\r";
        AppendLocked(line);
    }
}

void CommDebugLog::AppendLocked(std::string_view text) {
    if (text.size() >= (size_t{1} << kLengthBits)) text = text.substr(0, (1 << kLengthBits) - 1);
    if (chunkUsed_ + text.size() > kChunkBytes) {
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkBytes));
        chunkUsed_ = 0;
    }
    std::memcpy(chunks_.back().get() + chunkUsed_, text.data(), text.size());
    const uint64_t now = TickUs();
    if (index_.empty()) firstLineUs_ = now;
    index_.push_back({static_cast<uint32_t>(chunks_.size() - 1),
                      static_cast<uint32_t>(chunkUsed_ << kLengthBits | text.size()),
                      now - firstLineUs_});
    chunkUsed_ += text.size();
    state_.CommDebug.CommDebugLineNumber.fetch_add(1);
}

void CommDebugLog::ClearLocked() {
    chunks_.clear();
    chunkUsed_ = kChunkBytes;
    std::vector<LineRef>().swap(index_);  // give the memory back
    state_.CommDebug.CommDebugLineNumber = 0;
    ++generation_;
}

void CommDebugLog::ClearCommDebugLog() {
    if (!Logging()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    ClearLocked();
}

bool CommDebugLog::ClearScreen() {
    if (state_.ProgramRunning.load() || !Logging()) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    ClearLocked();
    return true;
}

std::string_view CommDebugLog::ViewLocked(size_t index) const {
    const LineRef& r = index_[index];
    return std::string_view(chunks_[r.chunk].get() + (r.place >> kLengthBits),
                            r.place & ((1u << kLengthBits) - 1));
}

uint64_t CommDebugLog::LineMicros(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index < index_.size() ? index_[index].micros : 0;
}

bool CommDebugLog::FilterLines(const CommDebugFilter& filter, size_t first, size_t end,
                               uint64_t generation, std::vector<uint32_t>& out) const {
    constexpr size_t kSlice = 65536;
    for (size_t from = first; from < end; from += kSlice) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (generation != generation_) return false;
        const size_t to = std::min({end, from + kSlice, index_.size()});
        for (size_t i = from; i < to; ++i)
            if (filter.Matches(ViewLocked(i))) out.push_back(static_cast<uint32_t>(i));
        if (to < from + kSlice) break;
    }
    return true;
}

size_t CommDebugLog::LineCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index_.size();
}

std::string CommDebugLog::Line(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= index_.size()) return {};
    return std::string(ViewLocked(index));
}

std::vector<std::string> CommDebugLog::Lines(size_t first, size_t count) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (size_t i = first; i < index_.size() && i - first < count; ++i)
        out.emplace_back(ViewLocked(i));
    return out;
}

uint64_t CommDebugLog::Generation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

std::pair<size_t, uint64_t> CommDebugLog::CountAndGeneration() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {index_.size(), generation_};
}

size_t CommDebugLog::StorageBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chunks_.size() * kChunkBytes + index_.capacity() * sizeof(LineRef) +
           chunks_.capacity() * sizeof(chunks_[0]);
}

bool CommDebugLog::SaveToFile(const std::string& path, std::string& error) const {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "Can not create the file " + path + ": " + std::strerror(errno);
        return false;
    }
    // Copied in slices so that a long save never holds the runner's logging for long.
    bool ok = true;
    for (size_t first = 0;; first += 4096) {
        std::vector<std::string> lines = Lines(first, 4096);
        for (const std::string& l : lines) {
            ok = ok && std::fwrite(l.data(), 1, l.size(), f) == l.size();
            ok = ok && std::fwrite("\r\n", 1, 2, f) == 2;
        }
        if (lines.size() < 4096) break;
    }
    if (std::fclose(f) != 0) ok = false;
    if (!ok) error = "Can not write the file " + path + ": " + std::strerror(errno);
    return ok;
}

bool CommDebugLog::ExportCsv(const std::string& path, const std::vector<uint32_t>* rows,
                             bool withTime, std::string& error) const {
    std::string text = CommDebugCsvHeader(withTime);
    constexpr size_t kSlice = 4096;  // lines copied under one lock
    uint64_t generation = 0;
    for (size_t from = 0;; from += kSlice) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (from == 0) generation = generation_;
        // A clear meanwhile leaves nothing of what was asked for; what was read stays written.
        if (generation != generation_) break;
        const size_t total = rows ? rows->size() : index_.size();
        const size_t to = std::min(total, from + kSlice);
        for (size_t k = from; k < to; ++k) {
            const size_t i = rows ? (*rows)[k] : k;
            if (i >= index_.size()) continue;
            AppendCommDebugCsvRow(text, ViewLocked(i), withTime, index_[i].micros);
        }
        if (to == total) break;
    }
    std::string why;
    if (WriteFileAtomically(path, text, &why)) return true;
    error = "Can not write the file " + path + ": " + why;
    return false;
}

bool CommDebugSwitch(const SerialState& serial, Operator& op, CommDebugLog& log,
                     CommDebugWindowHost& host, bool checked) {
    CommDebugState& cd = log.Flags();
    if (checked && cd.CommDebugWindowOpen.load() && cd.CommDebugEnabled.load()) {
        // Ticked by enable_comm_debug, which has set the flags and cleared the log already.
        host.CreateCommDebugWindow();
        return true;
    }
    // An open window can always be closed, even when the line has gone meanwhile.
    bool closingOpenWindow = !checked && cd.CommDebugWindowOpen.load();
    bool lineUp = serial.CurrentBaud.load() != 0 && serial.PortOpen.load() == 1;
    if (!lineUp && !closingOpenWindow) return false;
    if (checked) {
        cd.CommDebugEnabled = 1;
        cd.CommDebugWindowOpen = 1;
        host.CreateCommDebugWindow();
        uint32_t start = TickMs();
        while (!cd.CommDebugWindowReady.load() && TickMs() - start < kWindowReadyLimitMs)
            DelayMs(op, 1);
        DelayMs(op, 400);
        log.ClearCommDebugLog();
    } else {
        cd.CommDebugEnabled = 0;
        cd.CommDebugWindowOpen = 0;
        DelayMs(op, 400);
        host.DestroyCommDebugWindow();
        DelayMs(op, 400);
        uint32_t start = TickMs();
        while (cd.CommDebugWindowReady.load() && TickMs() - start < kWindowReadyLimitMs)
            DelayMs(op, 1);
    }
    return true;
}

void EnableCommDebug(Operator& op, CommDebugLog& log) {
    CommDebugState& cd = log.Flags();
    if (cd.CommDebugWindowOpen.load()) {
        cd.CommDebugEnabled = 1;
        return;
    }
    cd.CommDebugEnabled = 1;
    cd.CommDebugWindowOpen = 1;
    log.ClearCommDebugLog();
    op.SetCheckBox(CheckBox::CommDebug, true);
}

void DisableCommDebug(CommDebugLog& log) {
    log.Flags().CommDebugEnabled = 0;
}

}  // namespace vendra
