// The list of the machine's serial devices: which devices it keeps, which path it offers for each
// and in which order, from an enumeration the test makes up; and that the system's own
// enumeration runs here.
#include <gtest/gtest.h>

#include "core/serial/SerialDeviceList.h"

namespace vendra {
namespace {

class FakeEnumerator : public SerialDeviceEnumerator {
  public:
    std::vector<FoundSerialDevice> devices;
    std::string failure;  // non-empty: the system could not be asked
    bool Enumerate(std::vector<FoundSerialDevice>& out, std::string& error) override {
        if (!failure.empty()) {
            error = failure;
            return false;
        }
        out = devices;
        return true;
    }
};

FoundSerialDevice Tty(const std::string& name, std::vector<std::string> links = {},
                      std::string uartType = {}, bool hardware = true) {
    FoundSerialDevice d;
    d.devicePath = "/dev/" + name;
    d.kernelName = name;
    d.links = std::move(links);
    d.hasHardware = hardware;
    d.uartType = std::move(uartType);
    return d;
}

TEST(SerialDeviceList, KeepsRealPortsWithTheirStablePathsInNameOrder) {
    const std::string ftdi = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2X7Q-if00-port0";
    FoundSerialDevice usb =
        Tty("ttyUSB0", {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", ftdi});
    usb.maker = "FTDI";
    usb.product = "FT232R USB UART";
    usb.serial = "A10K2X7Q";
    // Two by-id names (a composite adapter's aliases): the first in name order, every time.
    FoundSerialDevice acm =
        Tty("ttyACM0", {"/dev/serial/by-id/usb-b-if00", "/dev/serial/by-id/usb-a-if00"});

    FakeEnumerator fake;
    fake.devices = {
        Tty("ttyS10", {}, "4"),
        Tty("tty0", {}, {}, false),  // a virtual console
        Tty("ttyS1", {}, "0"),       // no UART behind it
        Tty("ttyS31", {}, "0"),
        usb,
        Tty("ttyS2", {}, "4"),
        Tty("ptmx", {}, {}, false),
        acm,
        Tty("ttyUSB10"),
        Tty("ttyAMA0", {"/dev/serial0"}),  // a link outside by-id is no stable path
    };
    std::vector<SerialDeviceInfo> list;
    std::string error;
    ASSERT_TRUE(ListSerialDevices(fake, list, error));
    const std::vector<SerialDeviceInfo> expected = {
        {"/dev/serial/by-id/usb-a-if00", "/dev/ttyACM0", "ttyACM0", "", "", ""},
        {"/dev/ttyAMA0", "/dev/ttyAMA0", "ttyAMA0", "", "", ""},
        {"/dev/ttyS2", "/dev/ttyS2", "ttyS2", "", "", ""},
        {"/dev/ttyS10", "/dev/ttyS10", "ttyS10", "", "", ""},
        {ftdi, "/dev/ttyUSB0", "ttyUSB0", "FTDI", "FT232R USB UART", "A10K2X7Q"},
        {"/dev/ttyUSB10", "/dev/ttyUSB10", "ttyUSB10", "", "", ""},
    };
    EXPECT_EQ(list, expected);
    EXPECT_EQ(error, "");
}

TEST(SerialDeviceList, AFailedEnumerationSaysWhyAndLeavesNoStaleList) {
    FakeEnumerator fake;
    fake.failure = "udev is not available";
    std::vector<SerialDeviceInfo> list = {{"/dev/ttyUSB0", "/dev/ttyUSB0", "ttyUSB0", "", "", ""}};
    std::string error;
    EXPECT_FALSE(ListSerialDevices(fake, list, error));
    EXPECT_EQ(error, "udev is not available");
    EXPECT_TRUE(list.empty());
}

// The system's enumeration on this machine: it answers, and every entry it keeps is complete.
TEST(SerialDeviceList, TheSystemsEnumerationRuns) {
    auto enumerator = MakePlatformSerialEnumerator();
    std::vector<SerialDeviceInfo> list;
    std::string error;
    ASSERT_TRUE(ListSerialDevices(*enumerator, list, error)) << error;
    for (const SerialDeviceInfo& d : list) {
        EXPECT_FALSE(d.kernelName.empty());
        EXPECT_FALSE(d.stablePath.empty()) << d.kernelName;
    }
}

}  // namespace
}  // namespace vendra
