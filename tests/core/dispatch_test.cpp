#include "core/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kyv {
namespace {

TEST(WorkerChoice, FollowsInterfaceThenModel)
{
    auto lanOnR453 = chooseWorker("LAN", "R453", kLanOrWifi);
    EXPECT_EQ(lanOnR453.route, WorkerRoute::LanOnline);
    EXPECT_EQ(lanOnR453.interfaceKind, kLanJob);
    EXPECT_EQ(chooseWorker("LAN", "R243", kLanOrWifi).route, WorkerRoute::LanOnline);
    EXPECT_EQ(chooseWorker("LAN", "R451-2XX8/3XX8/4XX8/6XX8", kLanOrWifi).route, WorkerRoute::Lan);

    auto wifiOnR453 = chooseWorker("WIFI", "R453", kLanOrWifi);
    EXPECT_EQ(wifiOnR453.route, WorkerRoute::Wifi);
    EXPECT_EQ(wifiOnR453.interfaceKind, kWifiJob);

    EXPECT_EQ(chooseWorker("HID", "J5", kHid).route, WorkerRoute::Hid);
    EXPECT_EQ(chooseWorker("HID", "J5", kHid).interfaceKind, kHid);
    for (const char* local : {"COM3", "CPMI", "NHPI", "PRTR", "IBM USB", "USB"}) {
        auto choice = chooseWorker(local, "R453", 4);
        EXPECT_EQ(choice.route, WorkerRoute::Local) << local;
        EXPECT_EQ(choice.interfaceKind, 4) << local; // the dialog's kind is kept
    }
    EXPECT_EQ(chooseWorker("lan", "R453", 3).route, WorkerRoute::Local); // compared case-sensitively
}

TEST(LogHeader, HoldsTheExactBytesOfTheHeader)
{
    EXPECT_EQ(logHeader("R241", "COM1", "main.mfw", "Debian GNU/Linux 12 (bookworm)"),
              "\r\nBrevant  \r\n*************  \r\nVersion :  V10.69 \r\n"
              "Printer Model \t : R241 \r\nInterface  \t : COM1 \r\nFirmware File Name \t : main.mfw \r\n"
              "Operating System \t : Debian GNU/Linux 12 (bookworm) \r\n");
}

TEST(LogHeader, OperatingSystemNameComesFromPrettyName)
{
    auto dir = std::filesystem::temp_directory_path() / ("kyv_osrel_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name) << text;
        return (dir / name).string();
    };
    EXPECT_EQ(operatingSystemName(write("a", "NAME=x\nPRETTY_NAME=\"Debian \\\"12\\\"\"\n")), "Debian \"12\"");
    EXPECT_EQ(operatingSystemName(write("b", "PRETTY_NAME='Arch Linux'\n")), "Arch Linux");
    EXPECT_EQ(operatingSystemName(write("c", "PRETTY_NAME=Plain\n")), "Plain");
    EXPECT_EQ(operatingSystemName(write("d", "NAME=x\n")), "");
    EXPECT_EQ(operatingSystemName((dir / "missing").string()), "");
    std::filesystem::remove_all(dir);
}

TEST(JobFields, AreFilledFromTheSettings)
{
    FlashJob job;
    job.usbClassPrtr = 1;
    JobSettings settings;
    settings.interfaceKind = kUsbDeviceClass;
    settings.interfaceText = "NHPI";
    settings.baudText = "19200";
    settings.parityText = "EVEN";
    settings.stopBitsText = "2";
    settings.ipAddress = 0xC0A80101;
    settings.filePath = "/w/main.mfw";
    settings.workDir = "/w";
    settings.downloadTypeText = "MAIN FIRMWARE";
    settings.imageInfo = {3, 4};
    settings.portDetection = true;

    fillJobFields(job, settings, nullptr);
    EXPECT_EQ(job.baudRate, 19200);
    EXPECT_EQ(job.stopBits, 2);
    EXPECT_EQ(job.parity, "EVEN");
    EXPECT_EQ(job.downloadTypeCode, 2);
    EXPECT_EQ(job.portDetection, 1);
    EXPECT_EQ(job.usbClassPrtr, 1); // dialog use: set when the interface was chosen

    settings.commandLineMode = 1;
    settings.downloadTypeText = "ANK FONT";
    fillJobFields(job, settings, nullptr);
    EXPECT_EQ(job.usbClassPrtr, 0); // command line: follows the interface text
    EXPECT_EQ(job.downloadTypeCode, 0);
    EXPECT_EQ(job.commandLineMode, 1);
}

} // namespace
} // namespace kyv
