// Why a port could not be opened, in words a user can act on.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "PtyPeer.h"
#include "core/app/SystemState.h"
#include "core/serial/SerialPort.h"
#include "support/ScriptedOperator.h"
#include "support/WithoutRights.h"

namespace vendra::test {
namespace {

std::string OpenError(const std::string& path) {
    SystemState state;
    ScriptedOperator op;
    SerialPort port(state.Serial, op);
    return port.OpenDevice(path, 57600) ? std::string() : port.LastError();
}

TEST(PortOpenMessages, PermissionDeniedNamesTheGroupThatOwnsTheDevice) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    struct stat st {};
    ASSERT_EQ(::stat(peer.Path().c_str(), &st), 0);
    const struct group* g = ::getgrgid(st.st_gid);
    ASSERT_NE(g, nullptr);
    const std::string owner = g->gr_name;
    // Nobody but its owner may open it.
    ::chmod(peer.Path().c_str(), RunsAsRoot() ? 0600 : 0);
    EXPECT_EQ(WithoutRights([&] { return OpenError(peer.Path()); }),
              peer.Path() +
                  ": permission denied; the user must be in the group that owns the "
                  "device (" +
                  owner + "), e.g. sudo usermod -aG " + owner + " $USER, then log in again");
}

}  // namespace
}  // namespace vendra::test
