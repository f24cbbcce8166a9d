// The vendra-sim program: options, the link's life, a clean end on SIGTERM.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "HostLine.h"
#include "SimFixture.h"

namespace vendra::sim::test {

namespace {

namespace fs = std::filesystem;

// Runs the program with `args`; returns its pid (its stdout and stderr go to `output`).
pid_t Spawn(const std::vector<std::string>& args, const std::string& output) {
    pid_t pid = fork();
    if (pid == 0) {
        FILE* out = std::freopen(output.c_str(), "w", stdout);
        (void)out;
        dup2(fileno(stdout), 2);
        std::vector<char*> argv;
        std::string program = VENDRA_SIM_PROGRAM;
        argv.push_back(program.data());
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

int WaitExit(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -2;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(SimProgram, RunsTheNetworkFileUntilSigterm) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/net.txt") << "unit D3 ver=205\nunit Q0\nlink Q0.0 D3\nspeed 0\n";
    pid_t pid = Spawn({"--dir", dir, "--port", "4", "--network", dir + "/net.txt", "--units", "HA",
                       "--log", dir + "/sim.log"},
                      dir + "/out.txt");
    std::string link = dir + "/COM4";
    for (int i = 0; i < 300 && !fs::exists(fs::symlink_status(link)); ++i) usleep(10000);
    HostLine host;
    ASSERT_TRUE(host.Open(link));
    EXPECT_EQ(host.Exchange("D3v0\r").value_or("-"), "D3>205\r");
    EXPECT_EQ(host.Exchange("HAv3\r").value_or("-"), "HA>11\r");
    EXPECT_EQ(host.Exchange("D3A300\r").value_or("-"), "D3>\r");
    EXPECT_EQ(host.Exchange("Q0P\r").value_or("-"), "q0>300,0\r");
    host.Close();
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_NE(ReadAll(dir + "/out.txt").find("units: D3 Q0 HA"), std::string::npos);
    EXPECT_NE(ReadAll(dir + "/sim.log").find("RX Q0P\\r"), std::string::npos);
    RemoveTree(dir);
}

TEST(SimProgram, VanishesOnSchedule) {
    std::string dir = MakeTempDir();
    pid_t pid = Spawn({"--dir", dir, "--units", "D3", "--vanish-after", "100"}, dir + "/out.txt");
    std::string link = dir + "/COM1";
    for (int i = 0; i < 300 && !fs::exists(fs::symlink_status(link)); ++i) usleep(10000);
    ASSERT_TRUE(fs::exists(fs::symlink_status(link)));
    for (int i = 0; i < 300 && fs::exists(fs::symlink_status(link)); ++i) usleep(10000);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    kill(pid, SIGINT);
    EXPECT_EQ(WaitExit(pid), 0);
    RemoveTree(dir);
}

TEST(SimProgram, VanishesAndComesBackOnSchedule) {
    std::string dir = MakeTempDir();
    pid_t pid =
        Spawn({"--dir", dir, "--units", "D3", "--vanish-after", "100", "--return-after", "300"},
              dir + "/out.txt");
    std::string link = dir + "/COM1";
    for (int i = 0; i < 300 && !fs::exists(fs::symlink_status(link)); ++i) usleep(10000);
    ASSERT_TRUE(fs::exists(fs::symlink_status(link)));
    for (int i = 0; i < 300 && fs::exists(fs::symlink_status(link)); ++i) usleep(2000);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    for (int i = 0; i < 300 && !fs::exists(fs::symlink_status(link)); ++i) usleep(10000);
    ASSERT_TRUE(fs::exists(fs::symlink_status(link)));
    HostLine host;
    ASSERT_TRUE(host.Open(link));
    EXPECT_EQ(host.Exchange("D3v0\r").value_or("-"), "D3>200\r");
    host.Close();
    kill(pid, SIGINT);
    EXPECT_EQ(WaitExit(pid), 0);
    RemoveTree(dir);
}

TEST(SimProgram, HelpAndBadOptions) {
    std::string dir = MakeTempDir();
    EXPECT_EQ(WaitExit(Spawn({"--help"}, dir + "/help.txt")), 0);
    std::string help = ReadAll(dir + "/help.txt");
    for (const char* option : {"--dir", "--port", "--units", "--network", "--baud", "--pace",
                               "--speed", "--busy", "--done", "--fault", "--vanish-after",
                               "--return-after", "--log", "link Q<u>.<c>", "wrongaddr"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(WaitExit(Spawn({"--units", "D3,Z9", "--dir", dir}, dir + "/e1.txt")), 2);
    EXPECT_NE(ReadAll(dir + "/e1.txt").find("Z9"), std::string::npos);
    EXPECT_EQ(WaitExit(Spawn({"--baud", "1200"}, dir + "/e2.txt")), 2);
    EXPECT_EQ(WaitExit(Spawn({"--fault", "boom"}, dir + "/e3.txt")), 2);
    EXPECT_EQ(WaitExit(Spawn({"--frobnicate"}, dir + "/e4.txt")), 2);
    EXPECT_EQ(WaitExit(Spawn({"--dir", dir + "/missing", "--units", "D3"}, dir + "/e5.txt")), 1);
    EXPECT_NE(ReadAll(dir + "/e5.txt").find("missing"), std::string::npos);
    RemoveTree(dir);
}

}  // namespace vendra::sim::test
