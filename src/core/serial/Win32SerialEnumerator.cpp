// The COM ports Windows has: the values of HARDWARE\DEVICEMAP\SERIALCOMM, one per port that a
// driver has made (the value's data is the port's name, "COM3").
#include <windows.h>

#include <string>

#include "core/serial/SerialDeviceList.h"
#include "core/serial/SerialDeviceMonitor.h"

namespace vendra {
namespace {

std::string Utf8(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

class Win32SerialEnumerator : public SerialDeviceEnumerator {
  public:
    bool Enumerate(std::vector<FoundSerialDevice>& devices, std::string& error) override {
        devices.clear();
        HKEY key = nullptr;
        const LONG opened = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM",
                                            0, KEY_QUERY_VALUE, &key);
        // The key exists only while some port does.
        if (opened == ERROR_FILE_NOT_FOUND) return true;
        if (opened != ERROR_SUCCESS) {
            error = "the registry's list of COM ports could not be read (error " +
                    std::to_string(opened) + ")";
            return false;
        }
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            wchar_t data[256];
            DWORD nameLength = 256;
            DWORD dataBytes = sizeof data;
            DWORD type = 0;
            const LONG got = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &dataBytes);
            if (got == ERROR_NO_MORE_ITEMS) break;
            // A value too long for a port name is no port name.
            if (got != ERROR_SUCCESS || type != REG_SZ) continue;
            int length = static_cast<int>(dataBytes / sizeof(wchar_t));
            while (length > 0 && data[length - 1] == L'\0') --length;
            FoundSerialDevice d;
            d.kernelName = Utf8(data, length);
            if (d.kernelName.empty()) continue;
            d.devicePath = d.kernelName;
            d.hasHardware = true;
            devices.push_back(std::move(d));
        }
        ::RegCloseKey(key);
        return true;
    }
};

}  // namespace

std::unique_ptr<SerialDeviceEnumerator> MakePlatformSerialEnumerator() {
    return std::make_unique<Win32SerialEnumerator>();
}

// Windows sends WM_DEVICECHANGE to windows only; the dialog offers "Refresh" instead.
std::unique_ptr<SerialDeviceMonitor> MakePlatformSerialMonitor(std::string& error) {
    error = "no notice of devices plugged in or out on this system";
    return nullptr;
}

}  // namespace vendra
