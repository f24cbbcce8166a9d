// vendra-def FILE...: see VendraDef.h.
#include <iostream>

#include "cli/VendraDef.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return vendra::RunVendraDef(args, std::cout, std::cerr);
}
