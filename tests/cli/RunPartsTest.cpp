// vendra-run's parts that need no line, in the test's own process: how answers name buttons and
// values, the command line's refusals, and typed input that another thread can cut short. Built
// for Windows too.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>

#include "cli/CliOperator.h"
#include "cli/CliPlatform.h"
#include "cli/DeviceListing.h"
#include "cli/RunOptions.h"
#include "cli/RunSession.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace vendra::test {
namespace {

TEST(RunParts, AnswersNameTheButtonsOfTheirBoxAndValues) {
    const struct {
        const char* answer;
        unsigned flags;
        int button;
    } kButtons[] = {
        {"ok", mb::Ok, mb::IdOk},
        {"OK", mb::OkCancel, mb::IdOk},
        {"c", mb::OkCancel, mb::IdCancel},
        {"yes", mb::OkCancel, 0},
        {"Y", mb::YesNoCancel, mb::IdYes},
        {"no", mb::YesNo, mb::IdNo},
        {"cancel", mb::YesNo, 0},
        {"a", mb::AbortRetryIgnore, mb::IdAbort},
        {"Retry", mb::RetryCancel, mb::IdRetry},
        {"ignore", mb::AbortRetryIgnore | mb::IconQuestion, mb::IdIgnore},
        {"", mb::Ok, 0},
        {"okay", mb::Ok, 0},
    };
    for (const auto& b : kButtons)
        EXPECT_EQ(ButtonForAnswer(b.answer, b.flags), b.button) << b.answer << " " << b.flags;
    EXPECT_EQ(ButtonWords(mb::YesNoCancel | mb::IconQuestion), "yes/no/cancel");
    EXPECT_EQ(DecliningButton(mb::YesNoCancel), mb::IdCancel);
    EXPECT_EQ(DecliningButton(mb::YesNo), mb::IdNo);
    EXPECT_EQ(DecliningButton(mb::AbortRetryIgnore), mb::IdAbort);
    EXPECT_EQ(DecliningButton(mb::Ok), mb::IdOk);

    EXPECT_EQ(ValueForAnswer("0"), 0u);
    EXPECT_EQ(ValueForAnswer("4294967295"), 4294967295u);
    for (const char* bad : {"4294967296", "-1", "12a", "", " 5", "99999999999"})
        EXPECT_FALSE(ValueForAnswer(bad).has_value()) << bad;

    EXPECT_EQ(ParseAnswersText("# comment\n  yes \r\n\n\t42\nno"),
              (std::vector<std::string>{"yes", "42", "no"}));
    std::vector<std::pair<UnitGroup, unsigned>> units;
    std::string error;
    ASSERT_TRUE(ParseUnitList("D3,x1,QF,u0,H1", units, error)) << error;
    EXPECT_EQ(units, (std::vector<std::pair<UnitGroup, unsigned>>{{UnitGroup::DBoard, 3},
                                                                  {UnitGroup::AxisBoard, 1},
                                                                  {UnitGroup::QBoard, 15},
                                                                  {UnitGroup::UBoard, 0},
                                                                  {UnitGroup::HBoard, 1}}));
    EXPECT_FALSE(ParseUnitList("D3,D3", units, error));
    EXPECT_EQ(error, "D3 is named twice");
    EXPECT_FALSE(ParseUnitList("D10", units, error));
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}

TEST(RunParts, OptionsAreTakenOrRefusedWithTheirReason) {
    RunOptions o;
    std::string error;
    ASSERT_TRUE(ParseRunOptions({"--device",
                                 "/dev/ttyUSB0",
                                 "--baud",
                                 "115200",
                                 "--port",
                                 "4",
                                 "--reply-timeout",
                                 "80",
                                 "--init-timeout",
                                 "0",
                                 "--answer",
                                 "y",
                                 "--answer",
                                 "12",
                                 "--log",
                                 "c.log",
                                 "--json",
                                 "--reconnect-s",
                                 "0",
                                 "--resume-after-reconnect",
                                 "p.def"},
                                o, error))
        << error;
    EXPECT_EQ(o.program, "p.def");
    EXPECT_EQ(o.device, "/dev/ttyUSB0");
    EXPECT_EQ(o.baud, 115200u);
    EXPECT_EQ(o.port, 4);
    EXPECT_EQ(o.replyTimeout, 80);
    EXPECT_EQ(o.initTimeout, 0);
    EXPECT_EQ(o.answers, (std::vector<std::string>{"y", "12"}));
    EXPECT_EQ(o.logFile, "c.log");
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.reconnectSeconds, 0);
    EXPECT_TRUE(o.resumeAfterReconnect);
    EXPECT_FALSE(o.listDevices);

    RunOptions listing;
    ASSERT_TRUE(ParseRunOptions({"--list-devices", "--json"}, listing, error)) << error;
    EXPECT_TRUE(listing.listDevices);
    EXPECT_TRUE(listing.json);

    const struct {
        std::vector<std::string> args;
        const char* error;
    } kRefused[] = {
        {{"a.def", "b.def"}, "one program only (a.def, b.def)"},
        {{"--port", "41", "a.def"}, "--port needs a number 1..40"},
        {{"--reconnect-s", "-1", "a.def"}, "--reconnect-s needs a number 0..86400"},
        {{"--reply-timeout", "fast", "a.def"}, "--reply-timeout needs a number 0..600000"},
        {{"a.def", "--answer"}, "--answer needs a value (see --help)"},
        {{"--units", "", "a.def"}, "--units: no unit given"},
        // An empty path would quietly mean "none": the port rule, no answers, no log.
        {{"--device", "", "a.def"}, "--device needs a path"},
        {{"--answers", "", "a.def"}, "--answers needs a path"},
        {{"--log", "", "a.def"}, "--log needs a path"},
        {{"--list-devices", "a.def"}, "--list-devices runs no program (a.def)"},
        // A simulated network never touches a real device.
        {{"--simulate", "--device", "/dev/ttyUSB0", "a.def"},
         "--simulate sends no byte to a real device: it cannot go with --device"},
        {{"--port", "2", "--simulate", "net.txt", "a.def"},
         "--simulate sends no byte to a real device: it cannot go with --port"},
    };
    for (const auto& r : kRefused) {
        RunOptions refused;
        std::string e;
        EXPECT_FALSE(ParseRunOptions(r.args, refused, e)) << r.error;
        EXPECT_EQ(e, r.error);
    }
}

// --simulate's network file is optional: the word after it is one unless it is an option or a
// program.
TEST(RunParts, SimulateTakesTheWordAfterItOnlyWhenItIsANetworkFile) {
    const struct {
        std::vector<std::string> args;
        const char* networkFile;
        const char* program;
        bool json;
    } kCases[] = {
        {{"--simulate", "a.def"}, "", "a.def", false},
        {{"--simulate", "A.DEF"}, "", "A.DEF", false},
        {{"--simulate", "--json", "a.def"}, "", "a.def", true},
        {{"--simulate", "net.txt", "a.def"}, "net.txt", "a.def", false},
        {{"a.def", "--simulate", "net.txt", "--json"}, "net.txt", "a.def", true},
        {{"a.def", "--simulate"}, "", "a.def", false},
    };
    for (const auto& c : kCases) {
        RunOptions o;
        std::string error;
        ASSERT_TRUE(ParseRunOptions(c.args, o, error)) << error;
        EXPECT_TRUE(o.simulate);
        EXPECT_EQ(o.networkFile, c.networkFile);
        EXPECT_EQ(o.program, c.program);
        EXPECT_EQ(o.json, c.json);
    }
}

// A rejected answer is named in the message cut short, its unprintable bytes escaped, whatever
// its length.
TEST(RunParts, RejectedAnswersAreShownShortAndEscaped) {
    const std::string huge = "\x1b[2J" + std::string(1 << 20, 'y');
    const struct {
        std::string answer;
        bool value;  // asked by user_value, else by user_input
        const char* said;
    } kCases[] = {
        {huge, false,
         "vendra-run: the answer \"\\x1B[2Jyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy...\" (1048580 "
         "bytes) is not one of yes/no for \"Move?\": the run is stopped\n"},
        {"ma\tybe\\\xc3\xa9", false,
         "vendra-run: the answer \"ma\\x09ybe\\x5C\\xC3\\xA9\" is not one of yes/no for \"Move?\": "
         "the run is stopped\n"},
        {huge, true,
         "vendra-run: the answer \"\\x1B[2Jyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy...\" (1048580 "
         "bytes) is no number from 0 to 4294967295 for \"Steps\": the run is stopped\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.said);
        std::ostringstream err;
        CliOperator op(CliOperator::Setup{{c.answer}, -1, false}, err);
        uint32_t value = 0;
        if (c.value)
            EXPECT_FALSE(op.AskUserValue("Steps", value));
        else
            EXPECT_EQ(op.ShowProgramBox("Move?", "VDWin User Message", mb::YesNo), mb::IdNo);
        EXPECT_EQ(err.str(), c.said);
    }
}

// An anonymous pipe: [0] reads, [1] writes.
bool MakePipe(int fds[2]) {
#ifdef _WIN32
    return _pipe(fds, 4096, _O_BINARY) == 0;
#else
    return pipe(fds) == 0;
#endif
}

// Typed input: the bytes as they come, End once the terminal is closed, and Wake ending a wait
// under way and every later one, even with bytes waiting.
TEST(RunParts, TypedInputEndsAtCloseAndStaysWokenOnceWoken) {
    using Got = TerminalInput::Got;
    char c = 0;
    TerminalInput none(-1);
    EXPECT_EQ(none.Next(c), Got::End);

    int fds[2];
    ASSERT_TRUE(MakePipe(fds));
    const std::string typed = "yes\r\n42\n";
    ASSERT_EQ(write(fds[1], typed.data(), unsigned(typed.size())), int(typed.size()));
    close(fds[1]);
    {
        TerminalInput in(fds[0]);
        std::string read;
        Got got;
        while ((got = in.Next(c)) == Got::Byte) read += c;
        EXPECT_EQ(got, Got::End);
        EXPECT_EQ(read, typed);
    }
    close(fds[0]);

    ASSERT_TRUE(MakePipe(fds));
    {
        TerminalInput in(fds[0]);
        std::future<Got> first = std::async(std::launch::async, [&] {
            char b = 0;
            return in.Next(b);
        });
        EXPECT_EQ(first.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
        const auto woken = std::chrono::steady_clock::now();
        in.Wake();
        if (first.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "Wake did not end the wait";
            EXPECT_EQ(write(fds[1], "z", 1), 1);  // so that the reader ends
        }
        EXPECT_EQ(first.get(), Got::Woken);
        EXPECT_LT(std::chrono::steady_clock::now() - woken, std::chrono::seconds(1));
        ASSERT_EQ(write(fds[1], "y\n", 2), 2);
        EXPECT_EQ(in.Next(c), Got::Woken);
    }
    close(fds[0]);
    close(fds[1]);
}

// Text written by one thread that another may wait for.
class WatchedText : public std::streambuf {
  public:
    std::string Text() {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    bool WaitFor(const std::string& part, int ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return text_.find(part) != std::string::npos; });
    }

  protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return 0;
        const char byte = static_cast<char>(c);
        xsputn(&byte, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard<std::mutex> lock(mutex_);
        text_.append(s, static_cast<size_t>(n));
        changed_.notify_all();
        return n;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string text_;
};

// A question waiting for typing keeps its prompt on the screen: the progress line is cleared for
// it and comes back only once the answer is in.
TEST(RunParts, ProgressLineLeavesAWaitingQuestionAlone) {
    int fds[2];
    ASSERT_TRUE(MakePipe(fds));
    WatchedText shown;
    std::ostream err(&shown);
    {
        CliOperator op(CliOperator::Setup{{}, fds[0], false}, err);
        op.Progress("line 1");
        std::future<int> asked = std::async(std::launch::async, [&] {
            return op.ShowProgramBox("Move?", "VDWin User Message", mb::YesNo);
        });
        ASSERT_TRUE(shown.WaitFor("[yes/no]? ", 5000));
        op.Progress("line 2");
        ASSERT_EQ(write(fds[1], "yes\n", 4), 4);
        EXPECT_EQ(asked.get(), mb::IdYes);
        op.Progress("line 3");
    }
    EXPECT_EQ(shown.Text(),
              "\r\033[Kline 1\r\033[KVDWin User Message: Move?\n[yes/no]? "
              "vendra-run: VDWin User Message: Move? -> yes\n\r\033[Kline 3");
    close(fds[0]);
    close(fds[1]);
}

// The device list as the enumeration gives it, in text and JSON, and a system that could not be
// asked.
class ListedDevices : public SerialDeviceEnumerator {
  public:
    std::vector<FoundSerialDevice> devices;
    std::string failure;
    bool Enumerate(std::vector<FoundSerialDevice>& out, std::string& error) override {
        out = devices;
        error = failure;
        return failure.empty();
    }
};

TEST(RunParts, ListDevicesPrintsTheListAsTextOrJson) {
    FoundSerialDevice usb{"/dev/ttyUSB1",
                          "ttyUSB1",
                          {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2X7Q-if00-port0"},
                          true,
                          "",
                          "FTDI",
                          "FT232R \"USB\" UART",
                          "A10K2X7Q"};
    FoundSerialDevice uart{"/dev/ttyS0", "ttyS0", {}, true, "4", "", "", ""};
    FoundSerialDevice placeholder{"/dev/ttyS1", "ttyS1", {}, true, "0", "", "", ""};
    const struct {
        std::vector<FoundSerialDevice> found;
        std::string failure;
        bool json;
        int status;
        std::string out, err;
    } cases[] = {
        {{usb, placeholder, uart},
         "",
         false,
         kRunEnded,
         "PATH                                                            NAME     MAKER  "
         "PRODUCT            SERIAL\n"
         "/dev/ttyS0                                                      ttyS0    -      -"
         "                  -\n"
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2X7Q-if00-port0  ttyUSB1  FTDI   "
         "FT232R \"USB\" UART  A10K2X7Q\n",
         ""},
        {{usb, uart},
         "",
         true,
         kRunEnded,
         "{\"devices\": [{\"path\": \"/dev/ttyS0\", \"kernel_name\": \"ttyS0\", \"maker\": null, "
         "\"product\": null, \"serial\": null}, {\"path\": "
         "\"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2X7Q-if00-port0\", \"kernel_name\": "
         "\"ttyUSB1\", \"maker\": \"FTDI\", \"product\": \"FT232R \\\"USB\\\" UART\", \"serial\": "
         "\"A10K2X7Q\"}]}\n",
         ""},
        {{placeholder}, "", false, kRunEnded, "no serial device found\n", ""},
        {{}, "", true, kRunEnded, "{\"devices\": []}\n", ""},
        {{},
         "udev is not available",
         true,
         kRunUsage,
         "{\"devices\": null, \"error\": \"udev is not available\"}\n",
         "vendra-run: the serial devices could not be listed: udev is not available\n"},
    };
    for (const auto& c : cases) {
        ListedDevices enumerator;
        enumerator.devices = c.found;
        enumerator.failure = c.failure;
        std::ostringstream out, err;
        EXPECT_EQ(ListDevices(enumerator, c.json, out, err), c.status);
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
}

}  // namespace
}  // namespace vendra::test
