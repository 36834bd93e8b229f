#pragma once
// The little JSON the simulated USB bus speaks: one object per line. Parsing is bounded
// (nesting depth, text length) and never reads outside the text.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kyv {

struct JsonMember;

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    bool integral = false; // the number was written without fraction or exponent
    int64_t integer = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;

    const JsonValue* member(std::string_view key) const;
    // The member as the type asked for; nullopt when missing or of another type.
    std::optional<int64_t> integerMember(std::string_view key) const;
    const std::string* textMember(std::string_view key) const;
};

struct JsonMember {
    std::string name;
    JsonValue value;
};

std::optional<JsonValue> parseJson(std::string_view text);

// A JSON string literal (quotes included) for text.
std::string jsonQuote(std::string_view text);

// Lower-case hexadecimal of bytes, and back (even length, hex digits of either case only).
std::string toHex(std::span<const uint8_t> bytes);
bool fromHex(std::string_view text, std::vector<uint8_t>& bytes);

} // namespace kyv
