#pragma once
// Family tests the download procedures share. Families are compared case-sensitively with
// the catalogue's own names.

#include <initializer_list>
#include <string>
#include <string_view>

namespace kyv {

inline bool isOneOf(const std::string& name, std::initializer_list<std::string_view> names)
{
    for (std::string_view candidate : names)
        if (name == candidate)
            return true;
    return false;
}

// The two families with a USB printer-class channel, USU and the online-mode download.
inline bool isR453OrR243(const std::string& family)
{
    return isOneOf(family, {"R453", "R243"});
}

} // namespace kyv
