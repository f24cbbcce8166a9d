#include "core/network/BoardInfo.h"

#include <pthread.h>

#include <chrono>
#include <cstdio>

#include "core/network/ConfigFile.h"
#include "core/serial/BoardExchange.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

namespace {

constexpr int kIeepromBit = 6;  // option word 1's "2K IEEPROM" bit

template <size_t N>
std::string TableName(const char* const (&table)[N], int32_t code) {
    if (code >= 0 && static_cast<size_t>(code) < N) return table[code];
    return "Unknown (" + std::to_string(code) + ")";
}

std::string Format(const char* format, auto... values) {
    char line[160];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

// Board revision letters run from A; a revision word from 16 on counts a second series.
std::string RevisionLine(const BoardInfoItems& info) {
    const uint32_t r = static_cast<uint32_t>(info.RevisionWord) >> 8;
    const uint32_t letter = r >= 16 ? r - 16 : r;
    // A revision past Z is no letter the boards use: say so instead of printing a stray byte.
    if (letter > 25) return "Board Revision Level: Unknown (" + std::to_string(r) + ")\r";
    const char c = static_cast<char>('A' + letter);
    if (r >= 16) return Format("Board Revision Level: 2%c\r", c);
    if (info.CpuCode >= 12) return Format("Board Revision Level: 3%c\r", c);
    return Format("Board Revision Level: %c\r", c);
}

}  // namespace

int LastInformationItem(int32_t version) {
    if (version < 105) return 9;
    if (version <= 106) return 15;
    return kBoardInfoItemCount - 1;
}

void TakeBoardInfoNumbers(BoardInfoItems& info) {
    auto number = [&info](int item) { return ConfigAtol(info.Items[item].c_str()); };
    info.Version = number(0);
    info.BoardType = number(1);
    info.CpuCode = number(3);
    info.Minor = number(4);
    info.RevisionWord = number(6);
    info.DriverWord = number(8);
    info.TestLevel = number(9);
    info.IapMajor = number(13);
    info.IapMinor = number(14);
    info.IeepromSize = number(15);
    for (uint32_t& word : info.OptionWords) word = 0;
    info.OptionWords[0] = static_cast<uint32_t>(number(2));
    info.OptionWords[1] = static_cast<uint32_t>(number(5));
    info.OptionWords[2] = static_cast<uint32_t>(number(7));
    const int32_t v = info.Version, minor = info.Minor, cpu = info.CpuCode;
    if ((cpu >= 10 && v == 105 && minor >= 20) || (v == 106 && minor >= 3))
        info.OptionWords[3] = static_cast<uint32_t>(number(12));
    if (cpu >= 11) {
        info.OptionWords[4] = static_cast<uint32_t>(number(17));
        if (v == 200 && minor >= 33) {
            info.OptionWords[5] = static_cast<uint32_t>(number(27));
            info.OptionWords[6] = static_cast<uint32_t>(number(28));
            info.OptionWords[7] = static_cast<uint32_t>(number(29));
        }
    }
}

std::string FormatBoardReport(const BoardInfoItems& info, uint8_t family) {
    const int32_t cpu = info.CpuCode;
    std::string report;
    report += Format("Software Version: %3u.%02u\r", static_cast<unsigned>(info.Version),
                     static_cast<unsigned>(info.Minor));
    report += Format("Board Test Level: %u\r", static_cast<unsigned>(info.TestLevel));
    if (cpu >= 10)
        report += Format("IAP Version: %3u.%02u\r", static_cast<unsigned>(info.IapMajor),
                         static_cast<unsigned>(info.IapMinor));
    report += RevisionLine(info);
    report += "Board Type: " + TableName(BoardTypeNames, info.BoardType) + "\r";
    report += "CPU Type: " + TableName(CpuTypeNames, cpu) + "\r";
    report += "Driver Type: " + TableName(DriverTypeNames, info.DriverWord >> 8) + "\r";
    if (cpu >= 10) {
        report += "Compile Date: " + info.Items[10] + "\r";
        report += "Compile Time: " + info.Items[11] + "\r";
    }
    report += "Installed Options:\r   Basic Unit\r";
    if (family == family::QBoard && info.BoardType != 58 && info.BoardType != 59) {
        const uint32_t kind = (static_cast<uint32_t>(info.RevisionWord) >> 8) & 0xFF;
        report += kind > 3 ? "   Differential and Single Ended Q Encoder Interface\r"
                           : "   Single Ended Q Encoder Interface\r";
    }
    for (size_t t = 0; t < kOptionTableCount; ++t) {
        for (int bit = 0; bit < 16; ++bit) {
            if ((info.OptionWords[t] & (1u << bit)) == 0) continue;
            if (t == 0 && bit == kIeepromBit && cpu >= 10)
                report +=
                    Format("   %u character IEEPROM\r", static_cast<unsigned>(info.IeepromSize));
            else
                report += std::string("   ") + OptionNames[t][bit + 1] + "\r";
        }
    }
    return report;
}

std::string PresenceMessage(uint8_t family, unsigned address) {
    const protocol::BoardFamilyInfo* f = protocol::FindFamily(family);
    if (f == nullptr) return {};
    std::string who;
    if (f->axis >= 0)
        who = std::string(1, f->letter) + " Axis";
    else if (family == family::QBoard)
        who = f->name;
    else
        who = std::string(f->name) + " Axis";
    return Format(" %s at address %1X is not Online!", who.c_str(), address & 0xF);
}

bool ConfirmUnitOnline(const UnitMap& units, Operator& op, uint8_t family, unsigned address) {
    const protocol::BoardFamilyInfo* f = protocol::FindFamily(family);
    if (f == nullptr || address > 15) return false;
    if (units.IsPresent(f->group, address)) return true;
    op.ShowMessageBox(PresenceMessage(family, address), "Error Message", mb::OkCancel);
    return false;
}

bool QueryBoardInfo(LineSession& session, const UnitMap& units, Operator& op, uint8_t family,
                    unsigned address, BoardInfoItems& info) {
    info = BoardInfoItems{};
    const protocol::BoardFamilyInfo* f = protocol::FindFamily(family);
    const char axisLetter = f != nullptr && f->axis >= 0 ? f->letter : '\0';
    int last = kBoardInfoItemCount - 1;
    bool whole = true;
    for (int i = 0; i <= last; ++i) {
        if (!session.IsOpen()) {
            whole = false;
            break;
        }
        const BoardFrame frame =
            BuildBoardFrame(address, family, protocol::InformationItemText(i, axisLetter));
        const BoardAnswer answer = ExchangeWithBoard(session, frame, units);
        if (answer.result == BoardAnswer::Result::Stopped) {
            whole = false;
            break;
        }
        if (answer.result == BoardAnswer::Result::BoardError) ShowBoardError(op, answer);
        if (answer.result == BoardAnswer::Result::Failed) ShowLineFailure(op);
        ++info.QueriesSent;
        const std::string& text = answer.value;
        // Signed, as the boards' texts are compared: a byte above 0x7F is no digit either.
        if (!text.empty() && static_cast<signed char>(text[0]) >= '0')
            info.Items[i] = text.substr(0, kBoardInfoItemChars);
        if (i == 0) last = LastInformationItem(ConfigAtol(info.Items[0].c_str()));
    }
    TakeBoardInfoNumbers(info);
    return whole;
}

int ReportBoardInfo(BoardInfoState state, Operator& op, LineSession& session,
                    const SelectTarget& select, std::string& report) {
    report.clear();
    uint8_t family = 0, address = 0;
    if (!select || !select(family, address)) return 0;
    if (!ConfirmUnitOnline(state.Units, op, family, address)) return 0;
    if (!session.IsOpen()) {
        op.ShowMessageBox("The Communications Port is not open.\nNo board information was read.",
                          "VDWin Comm ERROR Message", mb::Warning);
        return 0;
    }
    BoardInfoItems info;
    // A line that went away has been reported by the port layer; items it never carried are no
    // report.
    if (!QueryBoardInfo(session, state.Units, op, family, address, info) || !session.IsOpen())
        return 0;
    report = FormatBoardReport(info, family);
    return 1;
}

TBoardInfo::TBoardInfo(BoardInfoState state, Operator& op, SerialLine& line, SelectTarget select)
    : state_(state), op_(op), line_(line), select_(std::move(select)) {}

TBoardInfo::~TBoardInfo() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

bool TBoardInfo::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_) return false;
    // A worker that has finished is joined here; it has nothing left to do.
    if (thread_.joinable()) thread_.join();
    session_ = line_.Take(LineUser::BoardInfo, StopToken(&stop_));
    if (!session_) return false;
    running_ = true;
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "BoardInfo");
        Execute();
        std::lock_guard<std::mutex> done(mutex_);
        running_ = false;
        session_.Release();
        idle_.notify_all();
    });
    return true;
}

bool TBoardInfo::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

bool TBoardInfo::WaitUntilIdle(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !running_; });
}

void TBoardInfo::Execute() {
    op_.SetSystemMessage("Please wait, Getting Board Information");
    std::string report;
    if (ReportBoardInfo(state_, op_, session_, select_, report) == 1) {
        op_.Beep(beep::Information);
        op_.ShowMessageBox(report, "Axis Stats", mb::Information);
    }
    if (stop_.load()) return;
    op_.SetSystemMessage(session_.IsOpen() ? "Board Information Recieved ..."
                                           : "Board Information not received");
}

}  // namespace vendra
