#include "sim/ProgramMemory.h"

#include <cstdio>

namespace vendra::sim {

namespace {
constexpr uint32_t kMaxSize = 1u << 24;  // a sane bound for sizes read from settings
}

uint32_t ProgramSizeOfItem(const std::string& item) {
    uint64_t v = 0;
    for (char c : item) {
        if (c < '0' || c > '9') break;
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > kMaxSize) return kMaxSize;
    }
    return static_cast<uint32_t>(v);
}

UnitProgram::UnitProgram(uint32_t size) : bytes_(size, kErased) {}

void UnitProgram::Resize(uint32_t size) {
    bytes_.resize(size, kErased);
}

void UnitProgram::Erase() {
    bytes_.assign(bytes_.size(), kErased);
}

void UnitProgram::Run(uint32_t address) {
    running_ = true;
    runAddress_ = address;
}

std::optional<uint32_t> UnitProgram::AddressOf(const std::string& body, char letter) {
    if (body.size() < 2 || body[0] != letter || body.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (size_t i = 1; i < body.size(); ++i) {
        if (body[i] < '0' || body[i] > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(body[i] - '0');
    }
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

uint32_t UnitProgram::Store(uint32_t address, const std::string& line) {
    uint64_t end = static_cast<uint64_t>(address) + line.size();  // the CR's address
    if (!ValidAddress(address) || end > Size()) return 0;
    for (size_t i = 0; i < line.size(); ++i)
        bytes_[address - 1 + i] = static_cast<uint8_t>(line[i]);
    bytes_[end - 1] = '\r';
    return static_cast<uint32_t>(end + 1);
}

std::optional<ProgramAnswer> UnitProgram::Command(const std::string& body,
                                                  const std::string& endMarker) {
    ProgramAnswer answer;
    if (body == "*") {
        Stop();
        return answer;
    }
    if (body == "Z") {
        Erase();
        return answer;
    }
    if (auto a = AddressOf(body, 'K')) {
        if (ValidAddress(*a))
            Run(*a);
        else
            answer.status = '!';
        return answer;
    }
    if (auto a = AddressOf(body, 'Q')) {
        if (!ValidAddress(*a)) {
            answer.status = '!';
            return answer;
        }
        loading_ = true;
        loadAddress_ = *a;
        answer.raw = ":";
        return answer;
    }
    if (auto a = AddressOf(body, 'D')) {
        if (!ValidAddress(*a)) {
            answer.status = '!';
            return answer;
        }
        char head[16];
        uint32_t address = *a;
        while (address <= Size() && bytes_[address - 1] != kErased) {
            std::snprintf(head, sizeof head, "%04u:", address);
            answer.raw += head;
            uint32_t i = address;
            while (i <= Size() && bytes_[i - 1] != '\r' && bytes_[i - 1] != kErased)
                answer.raw += static_cast<char>(bytes_[i++ - 1]);
            answer.raw += '\r';
            if (i > Size() || bytes_[i - 1] != '\r') break;  // cut off by the end or erased
            address = i + 1;
        }
        answer.raw += endMarker + "\r";
        return answer;
    }
    return std::nullopt;
}

std::optional<ProgramAnswer> UnitProgram::LoadLine(const std::string& line) {
    if (!loading_) return std::nullopt;
    if (!line.empty() && line[0] == kLoadEnd) {
        loading_ = false;
        return std::nullopt;
    }
    ProgramAnswer answer;
    uint32_t next = Store(loadAddress_, line);
    if (next == 0) {
        loading_ = false;
        answer.status = '!';
        return answer;
    }
    loadAddress_ = next;
    answer.raw = ":";
    return answer;
}

std::vector<std::string> UnitProgram::Lines() const {
    std::vector<std::string> lines;
    std::string line;
    for (uint8_t b : bytes_) {
        if (b == kErased) break;
        if (b == '\r') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(b);
        }
    }
    return lines;
}

bool UnitProgram::SetLines(const std::vector<std::string>& lines) {
    Erase();
    uint32_t address = 1;
    for (const std::string& line : lines) {
        address = Store(address, line);
        if (address == 0) {
            Erase();
            return false;
        }
    }
    return true;
}

}  // namespace vendra::sim
