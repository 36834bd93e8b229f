#pragma once
// One request line of the simulated USB bus as the server reads it: a flat JSON object whose
// members are texts or whole numbers, and the hexadecimal byte strings inside it. Anything
// else (nesting, fractions, bad escapes, odd-length hex) is refused, so the server answers
// EINVAL and never guesses.

#include "sim/lib/transcript.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kyv::sim {

class BusRequest {
public:
    // False when the line is not such an object.
    bool parse(std::string_view line);

    const std::string* text(const std::string& name) const;
    std::optional<long long> number(const std::string& name) const;
    // A member holding hexadecimal bytes (either case, even length); nullopt otherwise.
    std::optional<Bytes> bytes(const std::string& name) const;

private:
    std::map<std::string, std::string> texts_;
    std::map<std::string, long long> numbers_;
};

// Lower-case hexadecimal, two digits a byte, no separators.
std::string busHex(const Bytes& bytes);
std::optional<Bytes> bytesFromBusHex(std::string_view hex);
// A JSON string literal, quotes included.
std::string jsonText(std::string_view text);

} // namespace kyv::sim
