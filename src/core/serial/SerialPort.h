// The one serial line through which the host talks to every board unit.
//
// Error rule: every operation but the waits' helpers returns failure (false, 0) at once while the
// port is not open; no operation throws. Messages this layer shows itself: the wait time-out box
// ("Wait Port Error\nTerminating procedure"), only while QuietWait is 0, and, once, a box when the
// device goes away while open (the port is then closed: PortOpen = 0, every later call fails at
// once), unless the loss handler takes the loss over. A write that cannot be completed (device
// lost, output never drains) returns false.
// Thread rule: one activity at a time uses the port (the line's owner, LineOwner); the object
// is not locked. Waits block in poll() on the port in slices of a few ms, calling
// Operator::ProcessEvents between slices (a no-op off the GUI thread); none spins a core and every
// one is bounded. AbortWaits may be called from any thread.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/base/Operator.h"
#include "core/base/Waits.h"
#include "core/base/Worker.h"
#include "core/serial/PortNames.h"
#include "core/serial/SerialDevice.h"
#include "core/serial/SerialState.h"

namespace vendra {

class SerialPort {
  public:
    // Slice of every wait: the longest the GUI goes without its events during a wait.
    static constexpr uint32_t kWaitSliceMs = 5;
    // The slice of a wait on a thread with no events to pump: how soon a stop request is seen.
    static constexpr uint32_t kWorkerSliceMs = 50;
    // ReadReply gives up on a line without CR after this long.
    static constexpr uint32_t kReplyLineMs = 2000;
    // Bytes a reply line is read in at a time (a reply line is shorter than this).
    static constexpr size_t kReplyLineChunk = 64;
    // The most bytes ReadPiece reads at a time.
    static constexpr size_t kPieceChunk = 512;
    // ReadByte waits this long for one byte (the 10 ms per byte + 50 ms read time-out).
    static constexpr uint32_t kReadByteMs = 60;

    SerialPort(SerialState& state, Operator& op);
    // With another device implementation (tests, other platforms).
    SerialPort(SerialState& state, Operator& op, std::unique_ptr<SerialDevice> device);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Folder in which "COM<n>" links and Ports.cfg are looked for (default: the working
    // directory).
    void SetDeviceFolder(std::string folder) { folder_ = std::move(folder); }
    const std::string& DeviceFolder() const { return folder_; }
    // Where port numbers without a COM<n> link or a binding lead ("/dev/ttyS": port n is
    // /dev/ttyS<n-1>).
    void SetSystemDevicePrefix(std::string prefix) { systemPrefix_ = std::move(prefix); }

    bool OpenPort(int portNumber, uint32_t baud);
    // Opens a device by path (the port-number rule applied by OpenPort ends here).
    bool OpenDevice(const std::string& path, uint32_t baud);
    void ClosePort();
    // PortOpen is 1 and the device is open.
    bool IsOpen() const;
    // Why the last open failed or the device was lost ("" when nothing went wrong). Read it on
    // the thread that used the port.
    std::string LastError() const { return lastError_; }
    // The device last opened (or tried), as OpenPort resolved the port number.
    // Read by the windows and the tests while a worker may reopen the line.
    std::string DevicePath() const {
        std::lock_guard<std::mutex> lock(pathMutex_);
        return portDevice_.path;
    }
    // The same, with why the port number led there.
    PortDevice OpenedPortDevice() const {
        std::lock_guard<std::mutex> lock(pathMutex_);
        return portDevice_;
    }
    // The device went away while open (reported once); false again after the next open. A port
    // that was never opened, or was closed on purpose, is not lost.
    bool Lost() const { return lost_.load(); }
    // Called once when the device goes away, on the thread that used the port; true when the
    // caller waits for the device to come back and says so itself (no box is shown). Set it
    // before any worker uses the port.
    void SetLossHandler(std::function<bool()> handler) { lossHandler_ = std::move(handler); }

    bool SetBaudRate(uint32_t baud);
    void PurgeInput();
    void PurgeBoth();
    // Purge, optional time stamp ("%lu : %s" with the ms tick), per-byte TransmitDelay pacing,
    // then wait (bounded) until the output has left.
    // `inputTaken`: the caller has just read what was waiting (and shown it as discarded), so the
    // input is not purged again.
    bool WriteFrame(const char* text, bool inputTaken = false);
    // As WriteFrame, never time-stamped.
    bool WriteText(const char* text, bool inputTaken = false);
    // What a frame written for a reply does instead of waiting for its output to leave: the
    // board's answer proves that it left, and only a reply that did not come asks the device.
    enum class Drain { Now, ByReply };
    void SetDrain(Drain drain) { drain_ = drain; }
    // A reply to the last frame came: its bytes have left.
    void NoteOutputLeft() { outputMayHoldBytes_ = false; }
    // Waits (bounded) until the output has left; false when it did not or the device went away.
    bool DrainOutput();
    // The line time of `bytes` characters at the line's rate, in microseconds.
    uint64_t LineTimeUs(size_t bytes) const;
    // How many frames (WriteFrame, WriteText) the device has taken whole since the port was
    // made: a frame counted here may have reached the boards even if the device went away next.
    uint64_t FramesWritten() const { return framesWritten_.load(); }
    // Reads one line up to CR into buffer (at most capacity-1 characters stored, NUL-terminated,
    // the rest of the line up to CR read and dropped). Reads in chunks of 4, 8 or 15 bytes by
    // baud rate; bytes of the same chunk after the CR are dropped, later ones stay queued. False
    // when no CR came within 2000 ms (the buffer holds what came), or the device failed.
    bool ReadReply(char* buffer, size_t capacity);
    // As ReadReply, but loses no byte past the CR: what came after it is kept and read first by
    // the next read, so a line that follows stays queued. The board exchanges read this way, so
    // that a reply discarded as not theirs never takes the next one with it.
    bool ReadReplyLine(char* buffer, size_t capacity);
    // Takes what is waiting in the receive queue without waiting for more: at most `limit` bytes
    // are returned, the rest is discarded. Empty when nothing waits or the port is not open.
    std::string TakeWaitingInput(size_t limit = 512);
    // One byte, or 0 when none came within kReadByteMs.
    uint8_t ReadByte();
    // True as soon as a reply has begun (a byte is waiting); false after timeoutMs, with the time-
    // out box while QuietWait is 0.
    bool WaitForReply(uint32_t timeoutMs);
    // Waits until at least one byte is waiting or the time is up; never shows a message.
    bool WaitForInput(uint32_t timeoutMs);
    uint32_t InputQueueCount();
    bool OutputQueueEmpty();

    // Raw use (the terminal): `bytes` as they stand, no purge, stamp or pacing, then the bounded
    // wait for the output to leave. False when the port is closed or the write failed.
    bool WriteRaw(const std::string& bytes);
    // What has arrived, without waiting: bytes read, 0 when none wait, -1 when the port is closed
    // or the device went away (then reported as any loss is).
    long ReadAvailable(uint8_t* buffer, size_t capacity);
    // The open device's descriptor, for an event loop to watch for input; -1 when closed.
    int Descriptor() const { return IsOpen() ? device_->Descriptor() : -1; }

    // While set, every wait and read ends at once with failure (within one slice when already
    // waiting). Used to stop a worker that waits on the line.
    void AbortWaits(bool abort) { abortWaits_.store(abort); }
    // Every wait and read also ends when `stop` asks (the line session's token).
    void SetStopToken(StopToken stop) { stop_ = stop; }

    // How a piece of input ended (ReadPiece).
    enum class PieceEnd { Ended, TimedOut, Unended, TooLong, Lost, Stopped, Closed };
    struct PieceLimits {
        uint64_t firstByteByUs;  // the first byte must have come by then
        uint32_t pieceMs;        // the end must come this long after the first byte
        size_t maxChars;         // characters a piece holds
        bool dropOverflow;       // past maxChars: drop the rest up to the end (else TooLong)
        bool skipLf;             // a LF is no part of a piece and begins none
        size_t chunk;            // bytes read at a time
        bool keepRest;           // bytes read past the end stay for the next read (else dropped)
    };
    // Reads up to one of `ends` into `text` (the end character into `end`). The one loop that
    // reads lines: reply lines and the pieces of an on-board listing alike.
    PieceEnd ReadPiece(std::string_view ends, const PieceLimits& limits, std::string& text,
                       char& end);

    // The line's state and the person at the screen, for the layers that wait on the line.
    SerialState& State() const { return state_; }
    Operator& Op() const { return op_; }
    // Processes GUI events once per 101 calls (see PumpMessages).
    void PumpMessages() { vendra::PumpMessages(state_.PumpCounter, op_); }

  private:
    enum class Await { Ready, TimedOut, Lost, Aborted };
    bool Open(PortDevice device, uint32_t baud);
    Await AwaitInput(uint32_t timeoutMs);
    bool Send(const std::string& output);
    bool ReadLine(char* buffer, size_t capacity, size_t chunkSize, bool keepRest);
    bool Stopping() const { return abortWaits_.load() || stop_.StopRequested(); }
    // Milliseconds of the next slice of a wait until `deadlineUs` (0 when it has passed).
    uint32_t SliceUntil(uint64_t deadlineUs) const;
    // The device's input, with the bytes a reply line read past its CR served first.
    long ReadInput(uint8_t* buffer, size_t capacity);
    long InputCount();
    void PurgeDevice(bool input, bool output);
    void HandleLost();
    uint32_t LineBaud() const;

    SerialState& state_;
    Operator& op_;
    std::unique_ptr<SerialDevice> device_;
    std::string folder_ = ".";
    std::string systemPrefix_ = "/dev/ttyS";
    mutable std::mutex pathMutex_;
    PortDevice portDevice_;
    std::string lastError_;
    // Bytes read past a reply line's CR, in arrival order; used by the thread holding the line.
    std::string pending_;
    std::atomic<bool> abortWaits_{false};
    StopToken stop_;
    // A write's wait for its output failed (or has not ended): the next purge of the output asks
    // the device.
    bool outputMayHoldBytes_ = true;
    Drain drain_ = Drain::Now;
    // When a read last found the device's input queue empty (0: not known). Input cannot have
    // come whole since then within less than a character's line time, so the check for stale
    // input before the next frame needs no call into the system that soon after.
    uint64_t inputEmptyAtUs_ = 0;
    std::atomic<bool> lost_{false};
    std::atomic<uint64_t> framesWritten_{0};
    std::function<bool()> lossHandler_;
};

}  // namespace vendra
