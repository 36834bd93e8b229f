#include "launcher/lib/argument_pass.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <string_view>

namespace kyv::launcher {
namespace {

std::string upperCased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// True when the upper-cased argument begins with one of the words, with or without "/".
bool beginsWithAny(std::string_view upper, std::initializer_list<std::string_view> words)
{
    std::string_view bare = upper.starts_with('/') ? upper.substr(1) : upper;
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return bare.starts_with(w); });
}

bool isBaudRateArgument(std::string_view upper)
{
    return beginsWithAny(upper, {"115200", "57600", "38400", "19200", "9600", "4800", "2400", "1200"});
}
bool isParityArgument(std::string_view upper) { return beginsWithAny(upper, {"NONE", "EVEN", "ODD"}); }
bool isStopBitsArgument(std::string_view upper) { return beginsWithAny(upper, {"1", "2"}); }

bool isErrorTimeOut(std::string_view upper) { return beginsWithAny(upper, {"ERRORTIMEOUT"}); }
bool isRetStat(std::string_view upper) { return beginsWithAny(upper, {"RETSTAT"}); }
bool isNoRetStat(std::string_view upper) { return beginsWithAny(upper, {"NORETSTAT"}); }
bool isOption(std::string_view upper)
{
    return beginsWithAny(upper, {"ERRORTIMEOUT", "RETSTAT", "NORETSTAT", "PRINT", "NOPRINT"});
}

bool isAllDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Positions 4 to 6 after a COM interface hold baud rate, parity and stop bits; KyvFlash
// needs them there, so the bare-number rule never removes one of them.
bool isSerialLineSetting(const std::vector<std::string>& upper, size_t index)
{
    return index >= 3 && index <= 5 && beginsWithAny(upper[2], {"COM"});
}

} // namespace

std::optional<long> parseTimeLimitNumber(const std::string& text)
{
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    } else if (digits.size() > 1 && digits[0] == '0') {
        base = 8;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.front() == '-' || digits.front() == '+')
        return std::nullopt;
    long value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return negative ? -value : value;
}

ArgumentPass passArguments(const std::vector<std::string>& args)
{
    ArgumentPass pass;
    std::vector<std::string> upper;
    upper.reserve(args.size());
    for (const std::string& arg : args)
        upper.push_back(upperCased(arg));
    std::vector<bool> blanked(args.size(), false);

    const size_t count = args.size();
    int options = 0;
    bool errorTimeOutSeen = false;
    bool bareNumberTested = false;

    const std::string nothing;
    for (size_t k = 0; k < count; ++k) {
        // A line setting dropped after CPMI still holds its place: it is an empty argument
        // here and can use up the bare-number test below, but it is never forwarded.
        const std::string& up = blanked[k] ? nothing : upper[k];

        if (beginsWithAny(up, {"CPMI"})) {
            // CPMI takes no serial line settings: drop those that follow it.
            if (k + 1 < count && isBaudRateArgument(upper[k + 1]))
                blanked[k + 1] = true;
            if (k + 2 < count && isParityArgument(upper[k + 2]))
                blanked[k + 2] = true;
            if (k + 3 < count && isStopBitsArgument(upper[k + 3]))
                blanked[k + 3] = true;
        }
        if (isOption(up))
            ++options;

        if (isErrorTimeOut(up)) {
            errorTimeOutSeen = true;
            size_t equals = up.find('=');
            if (equals != std::string::npos) {
                std::optional<long> seconds = parseTimeLimitNumber(up.substr(equals + 1));
                if (seconds && *seconds >= kMinRunTimeLimit && *seconds <= kMaxRunTimeLimit) {
                    pass.runTimeLimit = static_cast<int>(*seconds);
                } else {
                    pass.runTimeLimit = kDefaultRunTimeLimit;
                    ++pass.outOfRangeTimeLimits;
                }
            }
            continue;
        }
        if (isRetStat(up)) {
            pass.returnStatus = true;
            continue;
        }
        if (isNoRetStat(up))
            continue;

        // A bare number among the last two arguments is not for KyvFlash; only the first
        // argument that gets here is looked at.
        bool amongLastTwo = k + 2 >= count;
        if (amongLastTwo && options < 3 && !errorTimeOutSeen && !bareNumberTested &&
            !isSerialLineSetting(upper, k)) {
            bareNumberTested = true;
            if (isAllDigits(up))
                continue;
        }
        if (!blanked[k])
            pass.forwarded.push_back(args[k]);
    }
    return pass;
}

} // namespace kyv::launcher
