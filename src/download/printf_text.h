#pragma once
// printf-style formatting into a std::string, for the step texts and log lines whose
// wording (and number formats) the printers' service staff know by heart.

#include <cstdio>
#include <string>

namespace kyv {

template <typename... Args>
std::string printfText(const char* format, Args... args)
{
    int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<size_t>(length));
    return text;
}

} // namespace kyv
