#include "launcher/lib/usage_text.h"

namespace kyv::launcher {
namespace {

constexpr auto Cyan = ConsoleColour::LightCyan;
constexpr auto White = ConsoleColour::White;
constexpr auto Yellow = ConsoleColour::Yellow;

constexpr TextPiece kUsage[] = {
    {White, "KyvFlash [model] [download type] [COM] [parameter] [file] [print(opt)] [status(opt)] [ErrorTimeOut(opt)]\n\n"},
    {Cyan, "[model]--> Selections for the model:\n"},
    {Yellow, "[R241] [R241-Y480] [R241-Y270] [R241-2XX8/3XX8/4XX8] [R241-3044-7004] [R241-9354-7004] [R242] "
             "[R242-57X6/56X6/1456] [R242-2XX6/3XX6] [R451] [R451-2XX8/3XX8/4XX8/6XX8] [R452] [Q874-E611] [J5] "
             "[J736] [Q621-J738] [Q622-J738] [Q581-E616] [Q585-E616] [Q58X-E617/Q306] [Q58X-E619] "
             "[KSX4-1ST/2ST] [R453] [J5_REFRESH] [R243] [Q913-E615]\n\n"},
    {Cyan, "[download type]--> Selections for the download type:   \n"},
    {Cyan, "   /f\t- Download IMF program for [R242-57X6/56X6/1456], R241-9354-7004, R243\n"},
    {Cyan, "   /m\t- Download firmware main program.\n"},
    {Cyan, "   /i\t- Download firmware IPL program.\n"},
    {Cyan, "   /l\t- Download firmware IPL LAN program for R451-2XX8/3XX8/4XX8/6XX8\n"},
    {Cyan, "   /a\t- Download ANK font or combined ANK & CP932 font\n"},
    {Cyan, "          for R241, R241-Y480, R241-Y270, R241-2XX8/3XX8/4XX8, R241-3044-7004,\n"},
    {Cyan, "          R242, R242-2XX6/3XX6, R451, R452, J736, Q621-J738, Q622-J738,\n"},
    {Cyan, "          Q581-E616, Q585-E616\n"},
    {Cyan, "   /s\t- Download ASIAN font for R451, J736, Q621-J738, Q622-J738, Q581-E616,"},
    {Cyan, "Q585-E616\n"},
    {Cyan, "   /rs\t- Download Receipt ASIAN Font for R241 & Receipt 2 Byte for R242,\n"},
    {Cyan, "          R242-2XX6/3XX6, R452, R241-2xx8/3xx8/4xx8, R241-3044-7004\n"},
    {Cyan, "   /ss\t- Download Slip ASIAN font for R241 & Slip 2 Byte for R242,\n"},
    {Cyan, "          R242-2XX6/3XX6, R241-2xx8/3xx8/4xx8, R241-3044-7004 \n"},
    {Cyan, "   /sb\t- Download SBCS font for Q58X-E617/Q306, Q58X-E619, Q874-E611,\n"},
    {Cyan, "          R451-2XX8/3XX8/4XX8/6XX8, J5, KSX4-1ST/2ST, R453, J5_REFRESH, R243, Q913-E615\n"},
    {Cyan, "   /db\t- Download DBCS font for Q58X-E617/Q306, Q58X-E619, Q874-E611,\n"},
    {Cyan, "          R451-2XX8/3XX8/4XX8/6XX8, KSX4-1ST/2ST, "},
    {Cyan, "R453, R243, Q913-E615\n"},
    {Cyan, "   /sdb\t- Download SDBCS font for R243\n"},
    {Cyan, "   /t\t- Download Table file for KSX4-1ST/2ST, R453, R243, Q913-E615\n"},
    {Cyan, "   /c\t- Printer Configuration Table file for R453, R243"},
    {White, " (CPMI is not supported) \n\n"},
    {Cyan, "[com] --> Selections for the Interface, CPMI, IBMUSB, HID (Only J5 & J5_REFRESH), LAN, WIFI, NHPI, PRTR: \n"},
    {Cyan, "   /COMX\tWhere X is any valid integer within 1-50.\n"},
    {Cyan, "   /CPMI\tCPMI Interface.                       \n"},
    {Cyan, "   /IBMUSB\t4690 USB(HID) Interface.              \n"},
    {Cyan, "   /LAN\t\tEthernet Interface.                    \n"},
    {Cyan, "   /WIFI\tWireless Interface.                    \n"},
    {Cyan, "   /NHPI\tOnly for R453 & R243 printers\n"},
    {Cyan, "   /PRTR\tOnly for R453 & R243 printers\n"},
    {Cyan, "   /HID\t\tOnly for J5 & J5_REFRESH"},
    {Yellow, " printers.  \n\n"},
    {Cyan, "[parameter]--> Selections for interface parameter (Only for RS232 and Ethernet interface):\n"},
    {Cyan, "   For RS232 Only: Please key in the Baud Rate, Parity and Stop Bit\n"},
    {Cyan, "   - Baud Rate Selection: /[115200] | [57600] | [38400] | [19200] | [9600] | [4800] | [2400] | [1200]\n"},
    {Cyan, "   - Parity Selection: /[none] | [even] | [odd]\n"},
    {Cyan, "   - Stop Bit Selection: /[1] | [2]\n"},
    {Cyan, "   For WiFi / Ethernet Only: Please key in the IP Address\n"},
    {Cyan, "   - IP Address Selection:/[xxx.xxx.xxx.xxx]\n"},
    {Cyan, "   - xxx is a number from 0 to 255\n"},
    {White, "   For CPMI, IBMUSB and HID is ignore\n\n"},
    {Cyan, "[file]--> Selections for the filename:\n"},
    {Cyan, "   Any valid binary file with extension *.mfw | *.sfn | *.dfn | *.ipl | *.lan | *.bin (Only for J5 & "
           "J5_REFRESH) | *.tbl (Only for KSX4-1ST/2ST, R453, R243, Q913-E615"},
    {White, ") | *.cfg (Only for R453 & R243)\n\n"},
    {Cyan, "[print(opt)]--> Selections for the print (Optional Parameter): \n"},
    {Cyan, "   /print\t(default) Print printer configuration form.\n"},
    {White, "   /noprint     Bypass printing printer configuration form.\n\n"},
    {Cyan, "[status(opt)]--> Optional for Return Status (Optional Parameter):\n"},
    {Cyan, "   /noretstat   (default) Utility will not return status code.\n"},
    {Yellow, "   /retstat     Utility will return status code.\n\n"},
    {Cyan, "[ErrorTimeOut(opt)]--> Failsafe: Max Time Allowed for Called Exe (Optional Parameter): \n"},
    {Cyan, "   (ONLY USED BY KyvFlash.COM) \n"},
    {Cyan, "   /ErrorTimeOut=xxx\t  (Default = 800. Minimum=120 ) xxx is number of Seconds - limit 3600.\n\n"},
    {Cyan, "Information : Please use RS232 Interface, when switching from ION <=> NON ION\n\n"},
};

constexpr std::string_view kBannerDashes = "*---------------------------------------------------------------------*\n";
constexpr std::string_view kBannerBlank = "*                                                                     *\n";

} // namespace

std::span<const TextPiece> usageText() { return kUsage; }

void printUsage(Console& console)
{
    for (const TextPiece& piece : kUsage)
        console.print(piece.colour, piece.text);
    console.setColour(ConsoleColour::White);
}

void printBanner(Console& console)
{
    console.setColour(ConsoleColour::LightGreen);
    for (std::string_view line :
         {kBannerDashes, kBannerBlank, std::string_view("*                           KyvFlash Console                          *\n"),
          kBannerBlank, std::string_view("*                          Version 4.7(#10.67)                        *\n"),
          kBannerBlank, kBannerDashes})
        console.print(line);
    console.setColour(ConsoleColour::White);
}

} // namespace kyv::launcher
