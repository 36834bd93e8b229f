#pragma once
// How KYVFLASH_TIME_SCALE is read: a positive finite decimal; anything else means 1.
// Header-only so that the launcher, which links nothing of KyvFlash, reads it the same way.

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kyv {

inline constexpr const char* kTimeScaleVariable = "KYVFLASH_TIME_SCALE";

inline double parseTimeScale(const char* text)
{
    if (text == nullptr || *text == '\0')
        return 1.0;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value) || value <= 0.0)
        return 1.0;
    return value;
}

inline double timeScaleFromEnvironment() { return parseTimeScale(std::getenv(kTimeScaleVariable)); }

} // namespace kyv
