// vendra-def FILE...: see VendraDef.h.
#include <iostream>

#include "cli/VendraDef.h"
#include "core/base/PlatformFiles.h"

int main(int argc, char** argv) {
    // Listings are compared byte for byte across systems: no CR LF translation.
    vendra::UseBinaryStandardStreams();
    std::vector<std::string> args(argv + 1, argv + argc);
    return vendra::RunVendraDef(args, std::cout, std::cerr);
}
