#pragma once
// The descriptor owner lives in core, where the session log uses it too.
#include "core/unique_fd.h"
