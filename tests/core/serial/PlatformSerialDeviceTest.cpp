// The serial device of the system the tests are built for, where no port is needed: why an open
// fails, that a closed device fails every call at once, and which device a port number names.
// (Built for Linux and for Windows; the device at work on a line is tested against the simulator.)
#include <gtest/gtest.h>

#include <fstream>

#include "core/serial/SerialDevice.h"
#include "core/serial/SerialPort.h"
#include "support/ScratchFolder.h"

namespace vendra {
namespace {

TEST(PlatformSerialDevice, OpenFailuresSayWhyAndLeaveItClosed) {
    const auto folder = test::MakeScratchFolder("vendra-device");
    const std::string file = (folder / "plain.txt").string();
    std::ofstream(file) << "not a port";
#ifdef _WIN32
    const std::string missing = WindowsDeviceName(97);
#else
    const std::string missing = (folder / "ttyNONE").string();
#endif
    const struct {
        std::string path;
        uint32_t baud;
        std::string error;
    } cases[] = {
        {missing, 9600,
         missing + ": no such device (is the adapter plugged in, and the port number right?)"},
        {file, 9600, file + " is not a serial device"},
        {file, 12345, "unsupported baud rate 12345"},
    };
    auto device = MakePlatformSerialDevice();
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(device->Open(c.path, c.baud, error)) << c.path;
        EXPECT_EQ(error, c.error);
        EXPECT_FALSE(device->IsOpen());
    }

    // Closed: every call fails at once, none waits.
    uint8_t byte = 'x';
    EXPECT_FALSE(device->Write(&byte, 1, 1000));
    EXPECT_EQ(device->Read(&byte, 1), -1);
    EXPECT_EQ(device->WaitReadable(1000), SerialDevice::Wait::Lost);
    EXPECT_EQ(device->InputCount(), -1);
    EXPECT_EQ(device->OutputCount(), -1);
    EXPECT_FALSE(device->SetBaud(9600));
    EXPECT_FALSE(device->Lost());
    device->Purge(true, true);
    device->Close();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

TEST(PlatformSerialDevice, PortNumbersNameTheSystemsDevices) {
    const auto folder = test::MakeScratchFolder("vendra-ports");
    const std::string dir = folder.string();
    std::ofstream(folder / "COM3") << "";
    const struct {
        int port;
        std::string path;
    } cases[] = {
#ifdef _WIN32
        // Windows names its ports itself; a file in the folder has no say.
        {3, "COM3"}, {9, "COM9"}, {10, "\\\\.\\COM10"},
#else
        {3, (folder / "COM3").string()},
        {9, "/dev/ttyS8"},
        {10, "/dev/ttyS9"},
#endif
        {0, ""},     {-1, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DevicePathForPort(c.port, dir), c.path) << c.port;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

}  // namespace
}  // namespace vendra
