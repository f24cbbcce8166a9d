// Binding a device to a port number: the file's text, read and written, and which device a port
// number opens (a COM<n> link, then the binding, then the system's ttyS), the re-plugged adapter
// included, over real pseudo-terminals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "PtyPeer.h"
#include "core/serial/PortBindings.h"
#include "core/serial/SerialPort.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

namespace fs = std::filesystem;

TEST(PortBindings, FileTextIsReadOrRefusedWithTheLine) {
    const struct {
        std::string text;
        std::vector<PortBinding> bindings;
        std::string error;
    } cases[] = {
        {"", {}, ""},
        {"1 /dev/serial/by-id/usb-FTDI-if00\n# a comment\n\n12 /dev/ttyACM0\r\n",
         {{1, "/dev/serial/by-id/usb-FTDI-if00"}, {12, "/dev/ttyACM0"}},
         ""},
        {"3 /dev/odd name", {{3, "/dev/odd name"}}, ""},
        {"1 /dev/ttyUSB0\n1 /dev/ttyUSB1\n", {}, "line 2 binds port 1 again"},
        {"\n1\n", {}, "line 2 is not a port number and a device path"},
        {"0 /dev/ttyS0\n", {}, "line 1 is not a port number and a device path"},
        {"1  /dev/ttyS0\n", {}, "line 1 is not a port number and a device path"},
        {"1\t/dev/ttyS0\n", {}, "line 1 is not a port number and a device path"},
        {"1000 /dev/ttyS0\n", {}, "line 1 is not a port number and a device path"},
        {"COM1 /dev/ttyS0\n", {}, "line 1 is not a port number and a device path"},
    };
    for (const auto& c : cases) {
        std::vector<PortBinding> bindings;
        std::string error;
        EXPECT_EQ(ParsePortBindings(c.text, bindings, error), c.error.empty()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        if (c.error.empty()) {
            EXPECT_EQ(bindings, c.bindings) << c.text;
        }
    }
}

TEST(PortBindings, BindingKeepsTheOtherPortsAndWritesTheFileInNumberOrder) {
    test::ScratchFolder scratch("vendra-bind");
    const std::string folder = scratch.root.string();
    const std::string file = PortBindingFilePath(folder);
    const struct {
        int port;
        std::string path;
        bool ok;
        std::string bytes;  // the file after the step
    } steps[] = {
        {2, "/dev/serial/by-id/usb-b", true, "2 /dev/serial/by-id/usb-b\n"},
        {1, "/dev/serial/by-id/usb-a", true,
         "1 /dev/serial/by-id/usb-a\n2 /dev/serial/by-id/usb-b\n"},
        {2, "/dev/ttyACM0", true, "1 /dev/serial/by-id/usb-a\n2 /dev/ttyACM0\n"},
        {1, "", true, "2 /dev/ttyACM0\n"},
        {3, "/dev/two\nlines", false, "2 /dev/ttyACM0\n"},
        {3, " /dev/ttyS0", false, "2 /dev/ttyACM0\n"},
        {0, "/dev/ttyS0", false, "2 /dev/ttyACM0\n"},
    };
    for (const auto& s : steps) {
        std::string error;
        EXPECT_EQ(BindPort(folder, s.port, s.path, error), s.ok) << s.port << " " << s.path;
        EXPECT_EQ(s.ok, error.empty()) << error;
        std::ifstream in(file, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), s.bytes);
    }
    std::vector<PortBinding> read;
    std::string error;
    ASSERT_TRUE(ReadPortBindings(folder, read, error));
    EXPECT_EQ(read, (std::vector<PortBinding>{{2, "/dev/ttyACM0"}}));
}

TEST(PortBindings, APortNumberOpensTheLinkThenTheBindingThenTheSystemsPort) {
    test::ScratchFolder scratch("vendra-resolve");
    const std::string folder = scratch.root.string();
    const std::string com1 = folder + "/COM1";
    fs::create_symlink("/dev/ttyUSB7", com1);  // dangling: still this port's device
    std::ofstream(PortBindingFilePath(folder))
        << "1 /dev/serial/by-id/usb-a\n2 /dev/serial/by-id/usb-b\n";
    const struct {
        int port;
        PortDevice device;
        std::string reason;
    } cases[] = {
        {1, {com1, PortDeviceSource::FolderLink, ""}, "COM1 in the working folder"},
        {2,
         {"/dev/serial/by-id/usb-b", PortDeviceSource::Binding, ""},
         "port 2 is bound to it in Ports.cfg"},
        {3,
         {"/dev/ttyS2", PortDeviceSource::SystemRule, ""},
         "port 3's system device: no COM3 in the working folder and no binding in Ports.cfg"},
        {0,
         {"", PortDeviceSource::None, "no device for port number 0"},
         "no device for port number 0"},
    };
    for (const auto& c : cases) {
        const PortDevice device = ResolvePortDevice(c.port, folder);
        EXPECT_EQ(device, c.device) << c.port;
        EXPECT_EQ(PortDeviceReason(c.port, device), c.reason);
    }

    // A binding file that cannot be trusted opens nothing for an unlinked port (never the ttyS
    // it may have been written to avoid), while a COM<n> link still wins.
    std::ofstream(PortBindingFilePath(folder)) << "2 /dev/serial/by-id/usb-b\n2 /dev/ttyS1\n";
    const std::string why = PortBindingFilePath(folder) + ", line 2 binds port 2 again";
    EXPECT_EQ(ResolvePortDevice(3, folder), (PortDevice{"", PortDeviceSource::None, why}));
    EXPECT_EQ(ResolvePortDevice(1, folder).source, PortDeviceSource::FolderLink);
    SerialState state;
    test::ScriptedOperator op;
    SerialPort port(state, op);
    port.SetDeviceFolder(folder);
    EXPECT_FALSE(port.OpenPort(3, 9600));
    EXPECT_EQ(port.LastError(), why);
}

// A device chosen to be bound takes the place of a binding or the system's port, never of a
// COM<n> link, the system's own name, or a binding file that cannot be read.
TEST(PortBindings, AChosenDeviceIsOpenedWhereABindingWouldDecide) {
    const std::string chosen = "/dev/serial/by-id/usb-c";
    const PortDevice toChosen{chosen, PortDeviceSource::Binding, ""};
    const struct {
        PortDevice resolved;
        std::string chosen;
        PortDevice opens;
    } cases[] = {
        {{"/dev/ttyS2", PortDeviceSource::SystemRule, ""}, chosen, toChosen},
        {{"/dev/serial/by-id/usb-a", PortDeviceSource::Binding, ""}, chosen, toChosen},
        {{"/dev/ttyS2", PortDeviceSource::SystemRule, ""},
         "",
         {"/dev/ttyS2", PortDeviceSource::SystemRule, ""}},
        {{"COM3", PortDeviceSource::FolderLink, ""},
         chosen,
         {"COM3", PortDeviceSource::FolderLink, ""}},
        {{"COM3", PortDeviceSource::SystemName, ""},
         chosen,
         {"COM3", PortDeviceSource::SystemName, ""}},
        {{"", PortDeviceSource::None, "Ports.cfg, line 1: bad"},
         chosen,
         {"", PortDeviceSource::None, "Ports.cfg, line 1: bad"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithChosenDevice(c.resolved, c.chosen), c.opens) << c.resolved.path;
}

// The adapter comes back under another kernel name: the by-id link now leads to the other pty,
// and the bound port number follows it.
TEST(PortBindings, ABoundPortFollowsItsAdapterToANewKernelName) {
    test::ScratchFolder scratch("vendra-replug");
    const std::string folder = scratch.root.string();
    const std::string byId = folder + "/usb-FTDI_FT232R_A10K2X7Q-if00-port0";
    std::string error;
    ASSERT_TRUE(BindPort(folder, 4, byId, error)) << error;
    test::PtyPeer first, second;
    ASSERT_TRUE(first.Ok() && second.Ok());

    SerialState state;
    test::ScriptedOperator op;
    SerialPort port(state, op);
    port.SetDeviceFolder(folder);
    const struct {
        test::PtyPeer* peer;
        std::string frame;
    } plugs[] = {{&first, "D3\r"}, {&second, "D4\r"}};
    for (const auto& p : plugs) {
        fs::remove(byId);
        fs::create_symlink(p.peer->Path(), byId);
        ASSERT_TRUE(port.OpenPort(4, 9600)) << port.LastError();
        EXPECT_EQ(port.OpenedPortDevice(), (PortDevice{byId, PortDeviceSource::Binding, ""}));
        ASSERT_TRUE(port.WriteRaw(p.frame));
        EXPECT_EQ(p.peer->Receive(p.frame.size()), p.frame);
        port.ClosePort();
    }
    EXPECT_EQ(first.ReceiveFor(20), "");
}

}  // namespace
}  // namespace vendra
