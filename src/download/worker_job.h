#pragma once
// A job as its worker gets it: its own copy of the selected model with the job fields and
// of the family's USB product ids; a J5-family worker loads its image into `image` on its
// own thread (loadHidImage with hidTypeLetter), never the dialog. Nothing the
// worker changes reaches the dialog's catalogue row; what outlives the run goes back
// with its end (core/job_end.h).

#include "core/catalogue.h"
#include "protocol/hid_image_buffer.h"

#include <string>
#include <utility>

namespace kyv {

struct WorkerJob {
    // A job of the row as its job fields stand. Not explicit, so that a row can be handed
    // to a worker directly where no product ids apply (the serial tests).
    WorkerJob(ModelInfo model, std::string productIds = {}) : row(std::move(model)), pidList(std::move(productIds)) {}

    ModelInfo row;           // the model and the job fields of this job
    std::string pidList;     // the family's USB product ids when the job started
    bool hidImage = false;   // J5 family: the job sends its image from memory
    char hidTypeLetter = 0;  // the image's type letter, for the load
    HidImageBuffer image;    // loaded by the worker
};

} // namespace kyv
