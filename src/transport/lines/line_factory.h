#pragma once
// The one place that knows which line stands behind a port kind.

#include "transport/lines/line.h"

#include <memory>

namespace kyv {

using PortKind = int; // InterfaceKind numbers, plus 1 for the parallel port

std::unique_ptr<Line> makeLine(PortKind kind);

} // namespace kyv
