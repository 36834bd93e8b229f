#include "transport/port_names.h"

#include "core/profile_store.h"

#include <cctype>

namespace kyv {
namespace {

std::string upper(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

} // namespace

int comPortNumber(const std::string& name)
{
    std::string text = upper(name);
    if (text.size() < 4 || text.size() > 5 || text.compare(0, 3, "COM") != 0 || text[3] == '0')
        return 0;
    int number = 0;
    for (size_t i = 3; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return 0;
        number = number * 10 + (text[i] - '0');
    }
    return number <= kHighestComPort ? number : 0;
}

std::string devicePathForPort(const std::string& name, const ProfileStore& store)
{
    if (!name.empty() && name.front() == '/')
        return name;
    std::string key = upper(name);
    bool isLpt = key == "LPT1";
    int com = comPortNumber(name);
    if (!isLpt && com == 0)
        return {};
    std::string configured = store.getText(kPortsSection, key, "");
    if (!configured.empty())
        return configured;
    if (isLpt)
        return "/dev/lp0";
    return "/dev/ttyS" + std::to_string(com - 1);
}

} // namespace kyv
