#include "core/onboard/OnboardWorker.h"

namespace vendra {

namespace {

constexpr const char* kReadTitle = "VDWin - Message";

std::string Lines(size_t n) {
    return n == 1 ? "1 line" : std::to_string(n) + " lines";
}

// What stopped a transfer on the board's side, as the closing message says it.
std::string AbortedBecause(OnboardTransfer& transfer, OnboardOutcome outcome) {
    const char* what = outcome == OnboardOutcome::Broken ? "The board's answer broke off ("
                                                         : "The board stopped answering (";
    return std::string(kOnboardAborted) + "\n\n" + what + transfer.AbortReason() + ").";
}

void ReportRead(OnboardTransfer& transfer, OnboardState state, Operator& op,
                OnboardOutcome outcome) {
    size_t kept = state.Onboard.OnboardLineCount();
    op.Beep(beep::Information);
    switch (outcome) {
        case OnboardOutcome::Aborted:
        case OnboardOutcome::Broken:
            op.ShowMessageBox(AbortedBecause(transfer, outcome) + "\nThe " + Lines(kept) +
                                  " read so far are kept in the editor.",
                              kOnboardTitle, mb::StopModal);
            break;
        case OnboardOutcome::Overflow:
            op.ShowMessageBox(std::string(kOnboardOverflow) + "\n\nThe board's program holds " +
                                  Lines(transfer.DroppedLines()) +
                                  " more than the editor can keep: its first " +
                                  std::to_string(kOnboardCapacity) + " lines are kept.",
                              kOnboardTitle, mb::StopModal);
            break;
        case OnboardOutcome::Cancelled:
            op.ShowMessageBox(std::string(kOnboardCancelled) + "\n\nThe " + Lines(kept) +
                                  " read so far are kept in the editor.",
                              kOnboardTitle, mb::StopModal);
            break;
        default:
            op.ShowMessageBox(kOnboardComplete, kReadTitle, mb::StopModal);
    }
}

void ReportWrite(OnboardTransfer& transfer, Operator& op, OnboardOutcome outcome) {
    if (outcome == OnboardOutcome::Declined) return;  // nothing was sent
    op.Beep(beep::Information);
    switch (outcome) {
        case OnboardOutcome::Aborted:
            op.ShowMessageBox(AbortedBecause(transfer, outcome) +
                                  "\nThe program on the board is incomplete: write it again.",
                              kOnboardTitle, mb::StopModal);
            break;
        case OnboardOutcome::Broken:
            op.ShowMessageBox(
                AbortedBecause(transfer, outcome) + "\nThe program on the board is incomplete.",
                kOnboardTitle, mb::StopModal);
            break;
        case OnboardOutcome::Refused:
            // Writing again would fail alike: the reason says what to change.
            op.ShowMessageBox(std::string(kOnboardAborted) + "\n\n" + transfer.AbortReason(),
                              kOnboardTitle, mb::StopModal);
            break;
        case OnboardOutcome::Cancelled:
            op.ShowMessageBox(std::string(kOnboardCancelled) +
                                  "\n\nThe program on the board is incomplete: write it again.",
                              kOnboardTitle, mb::StopModal);
            break;
        default:
            op.ShowMessageBox(kOnboardComplete, kOnboardTitle, mb::StopModal);
    }
}

}  // namespace

OnboardOutcome RunOnboardOperation(OnboardTransfer& transfer, OnboardState state, Operator& op,
                                   OnboardOperation operation) {
    OnboardOutcome outcome = OnboardOutcome::Complete;
    switch (operation) {
        case OnboardOperation::Read:
            outcome = transfer.ReadOnboardProgram();
            ReportRead(transfer, state, op, outcome);
            break;
        case OnboardOperation::Write:
            outcome = transfer.WriteOnboardProgram();
            ReportWrite(transfer, op, outcome);
            break;
        case OnboardOperation::Erase:
            outcome = transfer.EraseOnboardProgram();
            break;
        case OnboardOperation::Run:
            outcome = transfer.RunOnboardProgram();
            break;
    }
    return outcome;
}

OnboardWorker::OnboardWorker(OnboardState state, Operator& op, SerialLine& line,
                             OnboardTransfer& transfer)
    : state_(state), op_(op), line_(line), transfer_(transfer) {}

OnboardWorker::~OnboardWorker() {
    // The transfer's waits watch its own cancel flag; the worker joins after it.
    transfer_.RequestCancel();
}

bool OnboardWorker::Start(OnboardOperation operation) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (worker_.Running() || SystemBusy(state_.Serial, state_.Run)) return false;
    session_ = line_.Take(LineUser::OnboardTransfer);
    if (!session_) return false;
    transfer_.ClearCancel();
    return worker_.Start([this, operation](StopToken) { Job(operation); },
                         [this] { op_.ActivityEnded(Activity::OnboardTransfer); });
}

void OnboardWorker::Stop() {
    if (worker_.Running()) transfer_.RequestCancel();
}

OnboardOutcome OnboardWorker::LastOutcome() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outcome_;
}

void OnboardWorker::Job(OnboardOperation operation) {
    transfer_.UseSession(&session_);
    OnboardOutcome outcome = RunOnboardOperation(transfer_, state_, op_, operation);
    transfer_.UseSession(nullptr);
    std::lock_guard<std::mutex> lock(mutex_);
    outcome_ = outcome;
    session_.Release();
}

}  // namespace vendra
