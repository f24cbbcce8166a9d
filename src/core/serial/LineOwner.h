// One owner of the serial line. Every activity that exchanges frames with the boards (network
// initialisation, the runner, the communication test, the terminal, the on-board transfer, the
// board information report, and the single frames the main window sends itself) takes the line
// first and holds it until it is done, so two activities never interleave their frames.
//
// Error rule: Take never blocks; it returns an empty guard when the line already has an owner.
// Thread rule: any thread. A guard is released by the thread that holds it (or whichever thread
// destroys it); the owner is one atomic, so Take is a compare-and-swap and two threads asking at
// once never both get the line.
#pragma once
#include <atomic>
#include <cstdint>

namespace vendra {

enum class LineUser : uint8_t {
    Idle = 0,
    NetworkInit,
    Runner,
    CommTest,
    Terminal,
    OnboardTransfer,
    BoardInfo,
    MainWindow,  // a single frame from the main window: Abort's stop frame, the baud change
};

class LineOwner {
  public:
    // Gives the line back when it goes out of scope. Move-only; an empty guard holds nothing.
    class Guard {
      public:
        Guard() = default;
        Guard(Guard&& other) noexcept : owner_(other.owner_) { other.owner_ = nullptr; }
        Guard& operator=(Guard&& other) noexcept {
            if (this != &other) {
                Release();
                owner_ = other.owner_;
                other.owner_ = nullptr;
            }
            return *this;
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        ~Guard() { Release(); }

        explicit operator bool() const { return owner_ != nullptr; }
        void Release() {
            if (owner_ != nullptr) owner_->user_.store(LineUser::Idle);
            owner_ = nullptr;
        }

      private:
        friend class LineOwner;
        explicit Guard(LineOwner* owner) : owner_(owner) {}
        LineOwner* owner_ = nullptr;
    };

    LineOwner() = default;
    LineOwner(const LineOwner&) = delete;
    LineOwner& operator=(const LineOwner&) = delete;

    // The line for `user`, or an empty guard when it has an owner already.
    [[nodiscard]] Guard Take(LineUser user) {
        LineUser idle = LineUser::Idle;
        if (user == LineUser::Idle || !user_.compare_exchange_strong(idle, user)) return Guard();
        return Guard(this);
    }
    LineUser Owner() const { return user_.load(); }
    bool Busy() const { return Owner() != LineUser::Idle; }

  private:
    std::atomic<LineUser> user_{LineUser::Idle};
};

}  // namespace vendra
