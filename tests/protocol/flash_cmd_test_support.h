#pragma once
// A CFlashCmd on a serial line to a simulated printer, and a receiver of its notices and
// status texts.

#include "core/catalogue.h"
#include "core/clock.h"
#include "core/job_events.h"
#include "protocol/flash_cmd.h"
#include "sim/lib/pty_printer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kyv::test {

using sim::Bytes;

struct NoticeRecord {
    std::string text;
    std::string caption;
};

class CommandEvents final : public JobEvents {
public:
    void result(ResultCode) override {}
    void jobEnd() override {}
    void success(const std::string&) override {}
    void progressStart(int) override {}
    void progress(ProgressEvent& event) override { steps.push_back(event.stepText); }
    void progressClose() override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notice(const std::string& text, const std::string& caption) override { notices.push_back({text, caption}); }

    std::vector<std::string> steps;
    std::vector<NoticeRecord> notices;
};

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class SimulatedPrinterTest : public ::testing::Test {
protected:
    // Starts the printer and opens a command object on its line at the printer's speed.
    void startPrinter(sim::PrinterOptions options = {})
    {
        printer = std::make_unique<sim::PtyPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
        ModelCatalogue catalogue;
        int row = catalogue.indexOf(options.model);
        ASSERT_GE(row, 0);
        cmd.bindJob(catalogue.row(row));
        ASSERT_EQ(cmd.open(kSerialPort, printer->slavePath()), 1);
        int baud = options.baud != 0 ? options.baud : sim::defaultBaud(options.model);
        ASSERT_EQ(cmd.configure("COM1", baud, "NONE", 8, 1), 1);
        cmd.setReadTimeout(10000);
    }
    // The printer handles bytes on its own thread: wait (bounded) until it has seen count.
    Bytes waitForHostBytes(size_t count)
    {
        for (int i = 0; i < 500 && printer->bytesFromHost().size() < count; ++i)
            sleepFor(ProtocolMs{100});
        return printer->bytesFromHost();
    }

    CommandEvents events;
    CFlashCmd cmd{&events};
    std::unique_ptr<sim::PtyPrinter> printer;
};

} // namespace kyv::test
