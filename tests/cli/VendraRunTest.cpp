// vendra-run against the simulator: the program itself, started in the simulator's folder as a
// bench would start it, with its exit status, its stderr and its JSON summary; the simulator's
// byte log shows what reached the boards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "sim/NetworkFile.h"
#include "support/ScratchFolder.h"
#include "support/SimNetwork.h"

namespace vendra::test {
namespace {

const std::string kExamples = VENDRA_EXAMPLES_DIR;

using test::ReadFile;

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct Result {
    int status = -1;  // the exit status; -1 when it did not end in time (it was killed)
    std::string out, err;
    long long ms = 0;
};

// `expected` appear in `frames` in this order (other frames may come between them).
::testing::AssertionResult InOrder(const std::vector<std::string>& frames,
                                   const std::vector<std::string>& expected) {
    size_t at = 0;
    for (const std::string& f : frames)
        if (at < expected.size() && f == expected[at]) ++at;
    if (at == expected.size()) return ::testing::AssertionSuccess();
    std::string seen;
    for (size_t i = 0; i < frames.size() && i < 40; ++i) seen += " " + frames[i];
    return ::testing::AssertionFailure()
           << "frame \"" << expected[at] << "\" not found in order; received:" << seen;
}

// A field of the JSON summary, as its text ("" when missing).
std::string JsonField(const std::string& json, const std::string& name) {
    std::smatch m;
    const std::regex field("\"" + name + "\": (\"[^\"]*\"|[^,}]+)");
    return std::regex_search(json, m, field) ? m[1].str() : std::string();
}

// A simulated network in a scratch folder; vendra-run is started there.
struct Bench {
    SimNetwork net;

    bool StartDemo() {
        sim::Options options;
        std::string error;
        if (!sim::LoadNetworkFile(kExamples + "/demo-network.txt", options, error)) {
            ADD_FAILURE() << error;
            return false;
        }
        // The demo's moves, forty times as fast.
        options.defaultSpeed *= 40;
        for (auto& unit : options.units)
            if (unit.speed) *unit.speed *= 40;
        return net.Start(options);
    }

    // In a child: makes a session with a terminal of its own, then goes on in a second process
    // group of it (the job), while the session's first group keeps the terminal's foreground and
    // waits for the job. Returns in the job; the first group ends with the job's status.
    static void StartAsBackgroundJob() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (setsid() < 0 || master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) _exit(122);
        const int slave = open(ptsname(master), O_RDWR);
        if (slave < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) _exit(123);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            dup2(slave, 0);
            return;
        }
        int status = 0;
        waitpid(job, &status, WUNTRACED);
        if (WIFSTOPPED(status)) {
            kill(job, SIGKILL);
            waitpid(job, &status, 0);
            _exit(124);
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
    }

    // Runs vendra-run with `args` in the folder; `during` is called once it has started (with its
    // pid). Killed after `timeoutMs`.
    // With `terminal`, stderr is a pseudo-terminal (what it showed is returned as `err`).
    // With `inBackground`, stdin is a terminal on which vendra-run is a background job, as a shell
    // starts `vendra-run ... &`; status 124 tells that the terminal stopped it (SIGTTIN).
    Result Run(const std::vector<std::string>& args, int timeoutMs = 20000,
               const std::function<void(pid_t)>& during = {}, bool terminal = false,
               bool inBackground = false) {
        const std::string out = net.File("run.out"), err = net.File("run.err");
        std::string slave = err;
        int master = -1;
        if (terminal) {
            master = posix_openpt(O_RDWR | O_NOCTTY);
            if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {};
            slave = ptsname(master);
        }
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(net.Folder().c_str()) != 0) _exit(120);
            const int in = open("/dev/null", O_RDONLY);
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(slave.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY, 0644);
            dup2(in, 0);
            dup2(o, 1);
            dup2(e, 2);
            if (inBackground) StartAsBackgroundJob();
            std::vector<char*> argv;
            std::string program = VENDRA_RUN_BINARY;
            argv.push_back(program.data());
            std::vector<std::string> copy = args;
            for (auto& a : copy) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(121);
        }
        // What the terminal shows is read as it comes, so that the program never waits on it.
        std::string shown;
        std::thread reader;
        if (terminal)
            reader = std::thread([&] {
                char buffer[512];
                for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
                    shown.append(buffer, static_cast<size_t>(n));
            });
        if (during) during(pid);
        Result r;
        int status = 0;
        const bool ended =
            WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        } else if (WIFEXITED(status)) {
            r.status = WEXITSTATUS(status);
        }
        r.ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
                   .count();
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        if (terminal) {
            // The program has ended: the master reads EIO once the slave is closed everywhere.
            reader.join();
            close(master);
            r.err = shown;
        }
        return r;
    }
};

// Every example program on the demo network ends with status 0, its frames reach the boards,
// and its summary tells plausible figures: every frame sent is one the boards received.
TEST(VendraRun, ExamplesEndWithStatusZeroAndTheirFrames) {
    const struct Example {
        const char* file;
        std::vector<std::string> answers;
        std::vector<std::string> frames;  // in this order among the frames received
    } kCasesOfExamples[] = {
        {"three_motors.def",
         {},
         {"GG*\r", "U2v0\r", "U2H\r", "D3A1500\r", "U2A1500\r", "H1A1500\r", "U2A0\r", "D3A0\r",
          "U2A3000\r", "U2A0\r"}},
        {"pick_and_place.def",
         {},
         {"D3H\r", "D3A2000\r", "Q0P\r", "H1A400\r", "H1A0\r", "D3A8000\r", "H1A400\r", "D3A0\r"}},
        {"axis_scan.def",
         {},
         {"X1A0,Y1A0\r", "Y1A0\r", "X1A4000\r", "Q0P\r", "X1A0\r", "Y1A500\r", "Q0p1\r",
          "X1A2000\r", "Y1A2000\r"}},
        {"operator_dialogs.def",
         {"ok", "yes", "ok", "yes", "cancel", "3", "ignore", "ok", "no"},
         {"D3A1000\r", "D3\r", "D3A0\r", "D3\r"}},
    };
    Bench bench;
    ASSERT_TRUE(bench.StartDemo());
    bool scanned = false;
    for (const Example& e : kCasesOfExamples) {
        SCOPED_TRACE(e.file);
        bench.net->ClearLog();
        std::vector<std::string> args = {"--json"};
        // The first one scans the network as the window does; the others name the units.
        if (scanned) args.insert(args.end(), {"--units", "D3,U2,H1,X1,Q0"});
        args.insert(args.end(), {"--init-timeout", "20"});
        for (const std::string& a : e.answers) args.insert(args.end(), {"--answer", a});
        args.push_back(kExamples + "/" + e.file);
        const Result r = bench.Run(args, 60000);
        ASSERT_EQ(r.status, 0) << r.err;
        if (!scanned) {
            EXPECT_NE(r.err.find("vendra-run: Initialization Complete .....\n"), std::string::npos);
            EXPECT_NE(r.err.find("vendra-run: units found: D3 U2 H1 X1 Q0\n"), std::string::npos);
            // Only the run's own frames count below.
            std::vector<std::string> all = bench.net->ReceivedFrames();
            auto first = std::find(all.begin(), all.end(), "GG*\r");
            ASSERT_NE(first, all.end());
            ASSERT_NE(std::find(first + 1, all.end(), "GG*\r"), all.end());
        }
        std::vector<std::string> frames = bench.net->ReceivedFrames();
        if (!scanned) {
            // The scan's own "GG*" and queries come first; the run starts at the second "GG*".
            auto second = std::find(std::find(frames.begin(), frames.end(), "GG*\r") + 1,
                                    frames.end(), "GG*\r");
            frames.erase(frames.begin(), second);
        }
        EXPECT_TRUE(InOrder(frames, e.frames));
        EXPECT_EQ(JsonField(r.out, "program"), "\"" + kExamples + "/" + e.file + "\"");
        EXPECT_EQ(JsonField(r.out, "end_reason"), "\"end_program\"");
        EXPECT_EQ(JsonField(r.out, "exit_status"), "0");
        EXPECT_EQ(JsonField(r.out, "frames_sent"), std::to_string(frames.size()));
        EXPECT_GT(std::stoi(JsonField(r.out, "lines_executed")), 0);
        EXPECT_GT(std::stod(JsonField(r.out, "program_time_s")), 0.0);
        EXPECT_LT(std::stod(JsonField(r.out, "program_time_s")), r.ms / 1000.0);
        const int replies = std::stoi(JsonField(r.out, "replies"));
        EXPECT_GT(replies, 0);
        EXPECT_LE(std::stoi(JsonField(r.out, "reply_low_ms")),
                  std::stoi(JsonField(r.out, "reply_high_ms")));
        EXPECT_GE(std::stod(JsonField(r.out, "reply_avg_ms")), 0.0);
        EXPECT_GT(std::stoi(JsonField(r.out, "moves")), 0);
        const double busy = std::stod(JsonField(r.out, "motor_busy_percent"));
        EXPECT_GT(busy, 0.0);
        EXPECT_LE(busy, 100.0);
        scanned = true;
    }
    EXPECT_FALSE(ReadFile(bench.net.File("scan_log.csv")).empty());
}

// The DBoard, UBoard and HBoard may answer in lower case ("d3>"): the scan finds every unit and a
// run sends exactly the frames it sends when they answer in upper case.
TEST(VendraRun, BoardsAnsweringInLowerCaseAreFoundAndRunAlike) {
    std::vector<std::string> framesOf[2];
    std::string summaryOf[2];
    for (bool lower : {false, true}) {
        SCOPED_TRACE(lower ? "lower case" : "upper case");
        Bench bench;
        sim::Options options;
        std::string error;
        ASSERT_TRUE(sim::LoadNetworkFile(kExamples + "/demo-network.txt", options, error)) << error;
        options.lowerCaseReplies = lower;
        options.defaultSpeed = 0;  // moves end at once: every wait polls alike
        for (auto& unit : options.units) unit.speed.reset();
        ASSERT_TRUE(bench.net.Start(options));
        const Result r =
            bench.Run({"--json", "--init-timeout", "20", kExamples + "/pick_and_place.def"}, 60000);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("vendra-run: units found: D3 U2 H1 X1 Q0\n"), std::string::npos)
            << r.err;
        framesOf[lower] = bench.net->ReceivedFrames();
        summaryOf[lower] = JsonField(r.out, "lines_executed") + " " + JsonField(r.out, "moves") +
                           " " + JsonField(r.out, "frames_sent");
    }
    EXPECT_EQ(framesOf[1], framesOf[0]);
    EXPECT_EQ(summaryOf[1], summaryOf[0]);
}

// The answers reach the user_input branches, from options and from a file alike; a question that
// nothing can answer ends the run at once with a message, never a wait.
TEST(VendraRun, AnswersReachUserInputBranches) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=0"));
    const std::string program = bench.net.File("ask.def");
    WriteFile(program,
              "user_input,2,yes,no,\"Move?\"      ;Yes: yes, No: no\n"
              "label,\"yes\"\n"
              "DBoard,3,\"A100\"\n"
              "user_value,5,7,\"Steps\"\n"
              "set_DBoard_position,3,5\n"
              "loop,done\n"
              "label,\"no\"\n"
              "DBoard,3,\"A200\"\n"
              "label,\"done\"\n"
              "end_program\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> frames;
        const char* said;  // a line of stderr
    } kCases[] = {
        {{"--answer", "yes", "--answer", "250"},
         0,
         {"D3A100\r", "D3A250\r"},
         "vendra-run: User Value Input: Steps -> 250\n"},
        {{"--answer", "N"}, 0, {"D3A200\r"}, "vendra-run: VDWin User Message: Move? -> n\n"},
        {{"--answers", "answers.txt"},
         0,
         {"D3A100\r", "D3A9\r"},
         "vendra-run: VDWin User Message: Move? -> yes\n"},
        // The value question finds no answer: the run stops there, the motors are stopped.
        {{"--answer", "y"},
         3,
         {"D3A100\r", "GG!\r"},
         "vendra-run: no answer for the value \"Steps\" (give --answer or --answers, or run on a "
         "terminal): the run is stopped\n"},
        {{"--answer", "maybe"},
         3,
         {"GG!\r"},
         "vendra-run: the answer \"maybe\" is not one of yes/no for \"Move?\": the run is "
         "stopped\n"},
    };
    WriteFile(bench.net.File("answers.txt"), "# for ask.def\n  yes\n\n9\n");
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.said);
        bench.net->ClearLog();
        std::vector<std::string> args = {"--units", "D3", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back("ask.def");
        const Result r = bench.Run(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(bench.net->ReceivedFrames(), c.frames);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (c.status == 3) {
            EXPECT_EQ(JsonField(r.out, "end_reason"), "\"no_answer\"");
            EXPECT_LT(r.ms, 5000);
        }
    }
}

// A board error stops the run with status 1 and its message; SIGINT during a move acts as Abort:
// status 2, the stop frame on the line and the motor stopped; SIGTERM cuts a long delay short.
// The adapter named by its stable path: given with --device, or bound to a port number in
// Ports.cfg. The stable name here is a link to the simulator's line, as /dev/serial/by-id/ ones
// are links to the kernel's device.
// The program on a simulated network of its own ends with the summary it ends with on the demo
// started by hand, says the network is simulated and which units it plays: those kept from the
// real scan before, else the demo.
TEST(VendraRun, SimulatedNetworkGivesTheSummaryOfTheDemoStartedByHand) {
    Bench bench;
    ASSERT_TRUE(bench.StartDemo());
    WriteFile(bench.net.File("moves.def"), "DBoard,3,\"A400\"\nHBoard,1,\"A20\"\nend_program\n");
    const auto withoutTimes = [](const std::string& summary) {
        return std::regex_replace(
            summary, std::regex("\"(program_time_s|reply_[a-z]+_ms)\": [^,}]+"), "\"$1\": T");
    };
    const Result byHand = bench.Run({"--json", "moves.def"});
    ASSERT_EQ(byHand.status, 0) << byHand.err;
    EXPECT_EQ(ReadFile(bench.net.File("LastScan.cfg")), "D3,U2,H1,X1,Q0\n");
    EXPECT_EQ(JsonField(byHand.out, "frames_sent"), "2");
    const struct {
        bool keep;
        const char* says;
    } kCases[] = {
        {true,
         "vendra-run: SIMULATED NETWORK (the units of the last scan (D3,U2,H1,X1,Q0)): no "
         "byte goes to a real device\n"},
        {false,
         "vendra-run: SIMULATED NETWORK (the demo network): no byte goes to a real device\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.keep);
        if (!c.keep) std::filesystem::remove(bench.net.File("LastScan.cfg"));
        bench.net->ClearLog();
        const Result r = bench.Run({"--simulate", "--json", "moves.def"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(withoutTimes(r.out), withoutTimes(byHand.out));
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        // Not a byte to the line of the folder.
        EXPECT_TRUE(bench.net->ReceivedFrames().empty());
    }
}

// Killed in the middle of a run, the program leaves no simulator running: the boards are played
// by a thread of its own, no child. The folder its line was linked in goes at the next start.
TEST(VendraRun, KilledOnASimulatedNetworkItLeavesNoSimulatorBehind) {
    Bench bench;
    WriteFile(bench.net.File("wait.def"), "DBoard,3,\"A400\"\ndelay,60000\nend_program\n");
    const auto children = [](pid_t pid) {
        std::string all;
        for (const auto& task :
             std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
            all += ReadFile((task.path() / "children").string());
        return all;
    };
    // The folder of its line: the one whose owner file names it.
    const auto folderOf = [](pid_t pid) {
        for (const auto& e :
             std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
            if (e.path().filename().string().rfind("vendra-sim-", 0) == 0 &&
                ReadFile((e.path() / "owner").string()) == std::to_string(pid) + "\n")
                return e.path().string();
        return std::string();
    };
    std::string left;
    const Result r = bench.Run({"--simulate", "wait.def"}, 20000, [&](pid_t pid) {
        ASSERT_TRUE(WaitUntil(
            [&] {
                return ReadFile(bench.net.File("run.err")).find("units found") != std::string::npos;
            },
            15000));
        EXPECT_EQ(children(pid), "");
        left = folderOf(pid);
        kill(pid, SIGKILL);
    });
    EXPECT_EQ(r.status, -1);  // killed
    ASSERT_NE(left, "");
    WriteFile(bench.net.File("end.def"), "end_program\n");
    EXPECT_EQ(bench.Run({"--simulate", "end.def"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(left));
}

TEST(VendraRun, TheLineIsOpenedByItsStablePath) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3"));
    WriteFile(bench.net.File("ask.def"), "DBoard,3,\"A5\"\nend_program\n");
    const std::string stable = bench.net.File("usb-Vendra_Sim_0001-if00-port0");
    std::filesystem::create_symlink(bench.net.File("COM1"), stable);
    WriteFile(bench.net.File("Ports.cfg"), "2 " + stable + "\n");
    const std::vector<std::string> runs[] = {
        {"--units", "D3", "--device", stable, "ask.def"},
        {"--units", "D3", "--port", "2", "ask.def"},
    };
    for (const auto& args : runs) {
        bench.net->ClearLog();
        const Result r = bench.Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(bench.net->ReceivedFrames(), (std::vector<std::string>{"D3A5\r"})) << r.err;
    }
}

TEST(VendraRun, BoardErrorAndSignalsEndTheRun) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=2000"));
    WriteFile(bench.net.File("move.def"),
              "DBoard,3,\"A100000\"\nwait_DBoard_done,3,\"\";\nend_program\n");
    WriteFile(bench.net.File("delay.def"), "delay,60000\nend_program\n");

    ASSERT_NE(bench.net->AddFault("error:match=D3A:once"), 0);
    Result r = bench.Run({"--units", "D3", "--json", "move.def"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("vendra-run: Vendra DBoard Error: Parameter Error\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(JsonField(r.out, "end_reason"), "\"stopped\"");
    EXPECT_EQ(JsonField(r.out, "end_line"), "1");

    bench.net->ClearLog();
    r = bench.Run({"--units", "D3", "--json", "move.def"}, 10000, [&](pid_t pid) {
        ASSERT_TRUE(bench.net->WaitForFrames(4, 5000));  // the move and its first polls
        ASSERT_TRUE(bench.net->GetMotor("D3")->moving);
        kill(pid, SIGINT);
    });
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(bench.net->ReceivedFrames().back(), "GG!\r");
    EXPECT_FALSE(bench.net->GetMotor("D3")->moving);
    EXPECT_EQ(JsonField(r.out, "end_reason"), "\"signal\"");
    EXPECT_NE(r.err.find("vendra-run: the run was aborted at line 2 (status 2)\n"),
              std::string::npos);

    auto sent = std::chrono::steady_clock::now();
    r = bench.Run({"--units", "D3", "delay.def"}, 10000, [&](pid_t pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sent = std::chrono::steady_clock::now();
        kill(pid, SIGTERM);
    });
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - sent)
                  .count(),
              2000);
}

// A closed session (SIGHUP), SIGQUIT and SIGUSR1/2 stop a run as SIGTERM does: the stop frame, a
// running delay cut short, the log and the summary written, status 2. A stop during the network
// scan gets its summary too.
TEST(VendraRun, SessionAndUserSignalsStopTheRunAsTerminateDoes) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=2000"));
    WriteFile(bench.net.File("move.def"), "DBoard,3,\"A100000\"\ndelay,60000\nend_program\n");
    for (int signal : {SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2}) {
        SCOPED_TRACE(strsignal(signal));
        bench.net->ClearLog();
        std::filesystem::remove(bench.net.File("comm.log"));
        auto sent = std::chrono::steady_clock::now();
        const Result r = bench.Run({"--units", "D3", "--json", "--log", "comm.log", "move.def"},
                                   10000, [&](pid_t pid) {
                                       ASSERT_TRUE(bench.net->WaitForFrames(1, 5000));
                                       std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                       sent = std::chrono::steady_clock::now();
                                       kill(pid, signal);
                                   });
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - sent)
                      .count(),
                  2000);
        EXPECT_EQ(bench.net->ReceivedFrames(), (std::vector<std::string>{"D3A100000\r", "GG!\r"}));
        EXPECT_FALSE(bench.net->GetMotor("D3")->moving);
        EXPECT_EQ(JsonField(r.out, "end_reason"), "\"signal\"");
        EXPECT_NE(r.err.find("vendra-run: the run was aborted at line "), std::string::npos)
            << r.err;
        EXPECT_EQ(ReadFile(bench.net.File("comm.log")), "->1/0 - D3A100000\r\n<-1 - D3>\r\n");
    }

    bench.net->ClearLog();
    const Result r =
        bench.Run({"--json", "--init-timeout", "300", "move.def"}, 10000, [&](pid_t pid) {
            ASSERT_TRUE(bench.net->WaitForFrames(3, 5000));
            kill(pid, SIGTERM);
        });
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("vendra-run: stopped during the network scan\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(JsonField(r.out, "end_reason"), "\"signal\"") << r.out;
    EXPECT_EQ(JsonField(r.out, "exit_status"), "2");
    EXPECT_EQ(JsonField(r.out, "lines_executed"), "0");
}

// Started in the background of a terminal, vendra-run does not take that terminal for questions
// (reading it would stop the whole process): a question finds no answer and ends the run.
TEST(VendraRun, QuestionInTheBackgroundOfATerminalHasNoAnswer) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=0"));
    WriteFile(bench.net.File("ask.def"),
              "user_input,2,0,0,\"Move?\"\nDBoard,3,\"A5\"\nend_program\n");
    const Result r = bench.Run({"--units", "D3", "ask.def"}, 10000, {}, false, true);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("vendra-run: no answer for \"Move?\" (yes/no; give --answer or "
                         "--answers, or run on a terminal): the run is stopped\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(bench.net->ReceivedFrames(), std::vector<std::string>{"GG!\r"});
}

// Where stderr is a terminal, the current line, command and loop count are shown as the run goes
// (rewritten in place), and cleared before the last message.
TEST(VendraRun, ProgressIsShownOnATerminal) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=2000"));
    WriteFile(bench.net.File("loop.def"),
              "DBoard,3,\"A600\"\nwait_DBoard_done,3,\"\";\nlabel,\"again\"\ndelay,100\n"
              "cloop,4,again\nend_program\n");
    const Result r = bench.Run({"--units", "D3", "loop.def"}, 20000, {}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* shown :
         {"\r\033[Kline 2  wait_DBoard_done  loop 0", "\r\033[Kline 4  delay  loop 2",
          "\r\033[Kvendra-run: the program ended at line 6 (end_program)"})
        EXPECT_NE(r.err.find(shown), std::string::npos) << shown << " in " << r.err;
}

// Usage, file and port errors end with status 3 and say what was wrong, before anything is sent,
// with a summary for --json. A program not loaded whole, or with no line to run, is such an error;
// so are an answers file that is no regular file or too large to be one, and a file the run
// would write that cannot be created.
TEST(VendraRun, UsageFileAndPortErrorsGiveThree) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3"));
    WriteFile(bench.net.File("ok.def"), "DBoard,3,\"A1\"\nend_program\n");
    std::string lines;
    for (int i = 0; i < 10001; ++i) lines += "no_op\n";
    WriteFile(bench.net.File("big.def"), lines);
    std::string nul = "vsend,\"D3A";
    nul += '\0';
    WriteFile(bench.net.File("nul.def"), nul + "B\"\nend_program\n");
    std::string binary =
        "\x7f"
        "ELF\x02\x01\x01";
    for (int i = 0; i < 4 * 256; ++i) binary += static_cast<char>(i % 256);
    WriteFile(bench.net.File("binary.def"), binary);
    WriteFile(bench.net.File("empty.def"), "; nothing but a comment\r\n");
    WriteFile(bench.net.File("qe.def"),
              "enable_qe_data_logger,4,\"nofolder/qe.csv\"\nDBoard,3,\"A1\"\nend_program\n");
    WriteFile(bench.net.File("huge.txt"), std::string(1048577, 'y'));
    std::filesystem::create_directory(bench.net.Folder() / "folder.def");
    std::filesystem::create_symlink("/nonexistent/tty", bench.net.Folder() / "COM9");
    const struct {
        std::vector<std::string> args;
        const char* reason;  // the summary's end_reason
        const char* said;    // the start of a line of stderr
    } kCases[] = {
        {{"ok.def", "--bogus"}, "usage", "vendra-run: unknown option --bogus (see --help)"},
        {{}, "usage", "vendra-run: no program given (see --help)"},
        {{"--baud", "1234", "ok.def"},
         "usage",
         "vendra-run: --baud needs one of 9600, 19200, 38400, 57600, 115200, 230400, 460800"},
        {{"--units", "D3,Z9", "ok.def"},
         "usage",
         "vendra-run: --units: \"Z9\" is no unit (D, U, H, X or Q and a digit 0..F, e.g. D3)"},
        {{"--answers", "none.txt", "ok.def"},
         "usage",
         "vendra-run: --answers: can not read none.txt: No such file or directory\n"},
        {{"--answers", "/dev/zero", "ok.def"},
         "usage",
         "vendra-run: --answers: can not read /dev/zero: not a regular file\n"},
        {{"--answers", "folder.def", "ok.def"},
         "usage",
         "vendra-run: --answers: can not read folder.def: a folder\n"},
        {{"--answers", "huge.txt", "ok.def"},
         "usage",
         "vendra-run: --answers: huge.txt holds more than 1048576 bytes: no answers file is that "
         "long\n"},
        {{"--units", "D3", "missing.def"}, "not_started", "vendra-run: missing.def: no such file"},
        {{"--units", "D3", "folder.def"}, "not_started", "vendra-run: folder.def: not a file"},
        {{"big.def"},
         "not_started",
         "vendra-run: VDWin ERROR Message: The program was loaded, but not all of the file:\n    "
         "The file holds more than 10000 program lines; only the first 10000 were loaded.\n"},
        {{"nul.def"},
         "not_started",
         "vendra-run: nul.def: not all of the file was loaded: nothing is run\n"},
        {{"binary.def"},
         "not_started",
         "vendra-run: binary.def: no program line in it: nothing is run\n"},
        {{"empty.def"},
         "not_started",
         "vendra-run: empty.def: no program line in it: nothing is run\n"},
        {{"--log", "nofolder/comm.log", "ok.def"},
         "not_started",
         "vendra-run: --log: can not create nofolder/comm.log: No such file or directory\n"},
        {{"qe.def"},
         "not_started",
         "vendra-run: qe.def line 1: the data logger file nofolder/qe.csv can not be created: No "
         "such file or directory\n"},
        {{"--units", "D3", "--device", "/nonexistent/tty", "ok.def"},
         "not_started",
         "vendra-run: Can not open Communications Port /nonexistent/tty: "},
        // Port 9 is the folder's COM9, a link to a device that is not there.
        {{"--port", "9", "ok.def"},
         "not_started",
         "vendra-run: VDWin Communications Port ERROR: Can not open Communications Port\n    "},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.said);
        std::vector<std::string> args = {"--json", "--init-timeout", "10"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = bench.Run(args);
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(JsonField(r.out, "end_reason"), std::string("\"") + c.reason + "\"") << r.out;
        EXPECT_EQ(JsonField(r.out, "exit_status"), "3");
        EXPECT_EQ(JsonField(r.out, "lines_executed"), "0");
    }
    EXPECT_TRUE(bench.net->ReceivedFrames().empty());
    EXPECT_FALSE(std::filesystem::exists(bench.net.Folder() / "nofolder"));

    const Result help = bench.Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"--device PATH", "--port N", "--baud RATE", "--reply-timeout MS", "--init-timeout MS",
          "--units LIST", "--answer A", "--answers FILE", "--log FILE", "--json", "--reconnect-s N",
          "--resume-after-reconnect", "--allow-repeat", "--list-devices", "--help",
          "--simulate [NETWORK_FILE]", "Exit status: 0", "SIGINT", "end_reason"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

// A line lost during the run: with --resume-after-reconnect the run goes on from the held line
// once the line is back; without it, or when the line stays away, the run ends with status 1
// and says why. The communications log is written when the run is held, and at the end.
TEST(VendraRun, LostLineIsWaitedForAndResumedOnlyWhenAsked) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=4000"));
    WriteFile(bench.net.File("move.def"),
              "DBoard,3,\"A2000\"\nwait_DBoard_done,3,\"\";\nDBoard,3,\"A0\"\n"
              "wait_DBoard_done,3,\"\";\nend_program\n");
    const struct {
        const char* name;
        std::vector<std::string> args;
        int returnAfterMs;  // -1: the line stays away
        int status;
        const char* said;
        const char* endReason = "line_lost";
        bool interrupted = false;  // SIGINT while the line is away
    } kCases[] = {
        {"resumed",
         {"--resume-after-reconnect"},
         600,
         0,
         "vendra-run: Communications Port back (COM1): the program goes on at line 2\n"},
        {"not resumed",
         {},
         600,
         1,
         "vendra-run: the run was stopped at line 2: The Communications Port (COM1) is back, but "
         "the program was not resumed at line 2. (status 1)\n"},
        {"never back",
         {"--reconnect-s", "1"},
         -1,
         1,
         "vendra-run: the run was stopped at line 2: Communications Port lost (COM1) (status 1)\n"},
        // Abort with no line to carry the stop frame: the operator must know the boards may move.
        {"interrupted while away",
         {},
         -1,
         2,
         "vendra-run: the stop frame could not be sent: the boards may still be moving\n",
         "signal",
         true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        if (bench.net->LineVanished()) {
            ASSERT_TRUE(bench.net->ReturnLine());  // after the case where it stayed away
        }
        bench.net->ClearLog();
        std::filesystem::remove(bench.net.File("comm.log"));  // the last case's would pass for held
        ASSERT_TRUE(bench.net->SetMotorPosition("D3", 0));
        std::vector<std::string> args = {"--units", "D3", "--json", "--log", "comm.log"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back("move.def");
        bool heldLogWritten = false;
        const Result r = bench.Run(args, 20000, [&](pid_t pid) {
            ASSERT_TRUE(bench.net->WaitForFrames(3, 5000));
            bench.net->VanishLine();
            heldLogWritten = WaitUntil(
                [&] { return ReadFile(bench.net.File("comm.log")).find("->1/") == 0; }, 3000);
            if (c.interrupted) kill(pid, SIGINT);
            if (c.returnAfterMs < 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(c.returnAfterMs));
            ASSERT_TRUE(bench.net->ReturnLine());
        });
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("vendra-run: Communications Port lost (COM1): the program waits at "
                             "line 2 for it to come back\n"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(heldLogWritten) << "the communications log was not written while held";
        const std::vector<std::string> frames = bench.net->ReceivedFrames();
        if (c.status == 0) {
            EXPECT_TRUE(InOrder(frames, {"D3A2000\r", "D3\r", "D3v0\r", "D3\r", "D3A0\r"}));
            EXPECT_EQ(JsonField(r.out, "end_reason"), "\"end_program\"");
            // The log goes on past the outage to the end of the run.
            EXPECT_NE(ReadFile(bench.net.File("comm.log")).find(" - D3A0\r\n"), std::string::npos);
        } else {
            EXPECT_EQ(std::count(frames.begin(), frames.end(), "D3A0\r"), 0);
            EXPECT_EQ(JsonField(r.out, "end_reason"), std::string("\"") + c.endReason + "\"");
        }
    }
}

// SIGINT and SIGTERM end a delay at once: the motor started before it is stopped within half a
// second, not when the delay has run out, and vendra-run says the stop frame went out.
TEST(VendraRun, SignalDuringADelayStopsTheMotorsAtOnce) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=100"));
    const struct {
        const char* delay;
        int signal;
    } kCases[] = {{"delay,60000", SIGINT}, {"sdelay,65534", SIGINT}, {"delay,60000", SIGTERM}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.delay) + (c.signal == SIGINT ? " SIGINT" : " SIGTERM"));
        bench.net->ClearLog();
        WriteFile(bench.net.File("delay.def"),
                  std::string("DBoard,3,\"A100000\"\n") + c.delay + "\nend_program\n");
        int64_t signalledUs = 0;
        const Result r = bench.Run({"--units", "D3", "delay.def"}, 10000, [&](pid_t pid) {
            ASSERT_TRUE(bench.net->WaitForFrames(1, 5000));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ASSERT_TRUE(bench.net->GetMotor("D3")->moving);
            signalledUs = sim::MonotonicUs();
            kill(pid, c.signal);
        });
        EXPECT_EQ(r.status, 2) << r.err;
        const std::vector<sim::FrameRecord> frames = bench.net->Frames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].text, "D3A100000\r");
        EXPECT_EQ(frames[1].text, "GG!\r");
        EXPECT_LT(frames[1].timeUs - signalledUs, 500'000);
        EXPECT_FALSE(bench.net->GetMotor("D3")->moving);
        // The delay was cut short: the run stopped before the next line.
        EXPECT_NE(r.err.find("vendra-run: the run was aborted at line 3 (status 2)\n"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("vendra-run: the stop frame \"GG!\" was sent\n"), std::string::npos)
            << r.err;
    }
}

// The line goes after the relative move's frame was taken, only its answer is lost. Resuming would
// move the motor twice: --resume-after-reconnect alone ends the run and says why, --allow-repeat
// lets it go on. A unit named with --units is compared with its "v0" answer from the start, as a
// scanned one is. A held run that ends once the line is back stops the boards.
TEST(VendraRun, HeldRunResumesOnItsOwnOnlyWhenThatIsSafe) {
    Bench bench;
    ASSERT_TRUE(bench.net.Start("D3:speed=0:ver=205"));
    WriteFile(bench.net.File("relative.def"),
              "DBoard,3,\"R+100\"\nwait_DBoard_done,3,\"\";\nend_program\n");
    const struct {
        const char* name;
        std::vector<std::string> args;
        bool changeUnit;  // D3 answers another "v0" once the line is back
        int status;
        const char* said;
        int sentTimes;  // how often the move reached the board
    } kCases[] = {
        {"repeat refused",
         {"--resume-after-reconnect"},
         false,
         1,
         "Resume the program at line 1? -> no (the command would be sent again: --allow-repeat "
         "was not given)\n",
         1},
        {"repeat allowed",
         {"--resume-after-reconnect", "--allow-repeat"},
         false,
         0,
         "Resume the program at line 1? -> yes (--resume-after-reconnect --allow-repeat)\n",
         2},
        {"unit changed",
         {"--resume-after-reconnect", "--allow-repeat"},
         true,
         1,
         "vendra-run: the run was stopped at line 1: The Communications Port (COM1) is back, but "
         "not every unit answers as before: (status 1)\n",
         1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        bench.net->ClearLog();
        ASSERT_TRUE(bench.net->SetMotorPosition("D3", 0));
        ASSERT_TRUE(bench.net->SetItem("D3", 0, "205"));
        ASSERT_NE(bench.net->AddFault("vanish:match=D3R:once:return=600"), 0);
        std::vector<std::string> args = {"--units", "D3", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back("relative.def");
        const Result r = bench.Run(args, 20000, [&](pid_t) {
            ASSERT_TRUE(WaitUntil([&] { return bench.net->LineVanished(); }, 5000));
            if (c.changeUnit) {
                ASSERT_TRUE(bench.net->SetItem("D3", 0, "206"));
            }
        });
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        const std::vector<std::string> frames = bench.net->ReceivedFrames();
        EXPECT_EQ(std::count(frames.begin(), frames.end(), "D3R+100\r"), c.sentTimes);
        EXPECT_EQ(bench.net->GetMotor("D3")->position, 100 * c.sentTimes);
        if (c.status == 0) continue;
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.back(), "GG!\r");
        EXPECT_NE(r.err.find("vendra-run: the stop frame \"GG!\" was sent\n"), std::string::npos)
            << r.err;
        if (c.changeUnit) {
            EXPECT_NE(r.err.find("DBoard unit 3 answers \"206\" (it answered \"205\")"),
                      std::string::npos)
                << r.err;
        }
    }
}

}  // namespace
}  // namespace vendra::test
