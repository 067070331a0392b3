#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "serial/PortAccessHint.h"
#include "tests/common/ScratchFolder.h"

using namespace trimora;

namespace {

const std::string kMissingDevice = "/dev/trimora-no-such-device";

}  // namespace

TEST(PermissionHint, NamesTheDeviceAndTheGroupOwningIt) {
    struct Case {
        const char* Name;
        const char* Group;
        mode_t Mode;
        std::string Advice;  // what the line ends with
    };
    const std::vector<Case> cases = {
        {"a group that may open it", "dialout", 0660,
         "; members of the group dialout may open it (sudo usermod -aG dialout $USER, then log "
         "in again)."},
        {"a group shut out too", "dialout", 0600,
         "; it belongs to the group dialout; ask for read and write access to it."},
        {"root's group is no remedy", "root", 0660,
         "; it belongs to the group root; ask for read and write access to it."},
    };
    const test::ScratchFolder dir("trimora-hint");
    for (const Case& c : cases) {
        const std::string node = dir.Path() + "/ttyUSB0";
        std::fclose(std::fopen(node.c_str(), "w"));
        const group* owner = ::getgrnam(c.Group);
        if (owner == nullptr || ::chown(node.c_str(), static_cast<uid_t>(-1), owner->gr_gid) != 0)
            GTEST_SKIP() << "needs the groups dialout and root and the right to give files to them";
        ASSERT_EQ(::chmod(node.c_str(), c.Mode), 0);

        EXPECT_EQ(PortAccessHint(node), "Trimora: no permission to open " + node + c.Advice)
            << c.Name;
    }
    EXPECT_EQ(PortAccessHint(kMissingDevice), "Trimora: no permission to open " + kMissingDevice +
                                                  "; ask for read and write access to it.");
}
