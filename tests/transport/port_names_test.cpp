#include "core/profile_store.h"
#include "transport/dcb_comm.h"
#include "transport/edgeport_ports.h"
#include "transport/port_names.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kyv {
namespace {

namespace fs = std::filesystem;

TEST(PortNames, ComNamesMapToDevices)
{
    test::ScratchDir dir;
    ProfileStore store(dir.path() / "KyvFlash.ini");
    EXPECT_EQ(comPortNumber("COM1"), 1);
    EXPECT_EQ(comPortNumber("com50"), 50);
    for (const char* bad : {"COM0", "COM51", "COM01", "COM", "COM3X", "LPT1", ""})
        EXPECT_EQ(comPortNumber(bad), 0) << bad;

    EXPECT_EQ(devicePathForPort("COM1", store), "/dev/ttyS0");
    EXPECT_EQ(devicePathForPort("com12", store), "/dev/ttyS11");
    EXPECT_EQ(devicePathForPort("LPT1", store), "/dev/lp0");
    EXPECT_EQ(devicePathForPort("/dev/ttyACM0", store), "/dev/ttyACM0");
    EXPECT_EQ(devicePathForPort("USB", store), "");
    EXPECT_EQ(devicePathForPort("COM77", store), "");

    ASSERT_TRUE(store.setText("Ports", "COM3", "/dev/ttyUSB0"));
    ASSERT_TRUE(store.setText("Ports", "LPT1", "/dev/usb/lp0"));
    EXPECT_EQ(devicePathForPort("COM3", store), "/dev/ttyUSB0");
    EXPECT_EQ(devicePathForPort("LPT1", store), "/dev/usb/lp0");
}

// A fake sysfs: tty entries whose device is bound to a usb-serial driver of a module.
class EdgeportTest : public ::testing::Test {
protected:
    void addTty(const std::string& tty, const std::string& driver, const std::string& module)
    {
        fs::path drivers = dir.path() / "bus" / "usb-serial" / "drivers" / driver;
        fs::create_directories(drivers);
        if (!module.empty() && !fs::exists(drivers / "module", ignored))
            fs::create_directory_symlink(dir.path() / "module" / module, drivers / "module");
        fs::path device = dir.path() / "class" / "tty" / tty / "device";
        fs::create_directories(device);
        fs::create_directory_symlink(drivers, device / "driver");
    }
    std::string root() const { return dir.path().string(); }

    test::ScratchDir dir;
    std::error_code ignored;
    test::ScratchDir configDir;
    ProfileStore store{configDir.path() / "KyvFlash.ini"};
};

TEST_F(EdgeportTest, ListsTheAdapterPortsByTheirComNames)
{
    addTty("ttyUSB10", "edgeport_ti_1", "io_ti");
    addTty("ttyUSB3", "edgeport_4", "io_edgeport");
    addTty("ttyUSB1", "ftdi_sio", "ftdi_sio"); // another adapter family
    fs::create_directories(dir.path() / "class" / "tty" / "ttyS0"); // no device
    ASSERT_TRUE(store.setText("Ports", "COM7", "/dev/ttyUSB10"));
    ASSERT_TRUE(store.setText("Ports", "COM5", "/dev/ttyUSB3"));
    ASSERT_TRUE(store.setText("Ports", "COM9", "/dev/ttyUSB1"));

    CDCBComm comm;
    comm.setProfileStore(&store);
    ASSERT_EQ(comm.findEdgeportPorts(root()), 1);
    EXPECT_EQ(comm.edgeportPorts, "COM5,COM7,");
    EXPECT_EQ(comm.lastEdgeportPort, "COM7");
}

TEST_F(EdgeportTest, PortsWithoutAComNameAreListedByDevicePath)
{
    addTty("ttyUSB0", "epic", ""); // built into the kernel: no module link
    auto ports = findEdgeportAdapterPorts(root(), store);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].comName, "/dev/ttyUSB0");
    EXPECT_EQ(ports[0].devicePath, "/dev/ttyUSB0");
}

TEST_F(EdgeportTest, NoAdaptersClearsTheList)
{
    CDCBComm comm;
    comm.setProfileStore(&store);
    comm.edgeportPorts = "COM4,";
    EXPECT_EQ(comm.findEdgeportPorts(root()), 0);
    EXPECT_EQ(comm.edgeportPorts, "");
    EXPECT_EQ(comm.findEdgeportPorts((dir.path() / "missing").string()), 0);
}

} // namespace
} // namespace kyv
