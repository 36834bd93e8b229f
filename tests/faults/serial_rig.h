#pragma once
// The rig of the serial paths of the fault matrix: a printer of the path's model on a pty
// served in this process, and one job of the local download against it at the printer's
// own speed, from the path's start sector on.

#include "core/catalogue.h"
#include "faults/fault_run.h"
#include "sim/lib/pty_printer.h"
#include "support/scratch_dir.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kyv::test {

struct SerialPath {
    const char* model = "";
    std::vector<uint8_t> image; // the image file's bytes
    int downloadTypeCode = 2;   // main firmware, from the model's main sector on
    bool usuOn = false;         // the printer starts with USU switched on
};

class SerialRig final : public PathRig {
public:
    explicit SerialRig(SerialPath path);

    void startPrinter(std::vector<sim::Fault> faults) override;
    void stopPrinter() override { printer.reset(); }
    ResultCode flash() override;
    std::vector<sim::TranscriptEntry> transcript() const override { return printer->transcript(); }
    sim::Bytes flashOutsideJob() const override;
    bool flashHoldsImage(std::string* why) const override;
    bool opensAgain() override;
    void bringBack() override;

private:
    SerialPath path;
    ScratchDir dir;
    ModelCatalogue catalogue;
    std::string imagePath;
    int mainSector = 0;
    std::unique_ptr<sim::PtyPrinter> printer;
};

} // namespace kyv::test
