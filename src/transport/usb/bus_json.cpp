#include "transport/usb/bus_json.h"

#include <limits>

namespace kyv {
namespace {

// Deeper nesting than the bus ever sends is garbage, not a reason to recurse further.
constexpr int kMaxDepth = 16;

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : s_(text) {}

    std::optional<JsonValue> document()
    {
        JsonValue v;
        if (!value(v, 0))
            return std::nullopt;
        skipSpace();
        if (pos_ != s_.size())
            return std::nullopt;
        return v;
    }

private:
    void skipSpace()
    {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
            ++pos_;
    }
    bool literal(std::string_view word)
    {
        if (s_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    bool value(JsonValue& v, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        skipSpace();
        if (pos_ >= s_.size())
            return false;
        const char c = s_[pos_];
        if (c == '{')
            return object(v, depth);
        if (c == '[')
            return array(v, depth);
        if (c == '"') {
            v.type = JsonValue::Type::String;
            return string(v.text);
        }
        if (literal("true")) {
            v.type = JsonValue::Type::Bool;
            v.boolean = true;
            return true;
        }
        if (literal("false")) {
            v.type = JsonValue::Type::Bool;
            return true;
        }
        if (literal("null"))
            return true;
        return number(v);
    }

    bool object(JsonValue& v, int depth)
    {
        v.type = JsonValue::Type::Object;
        ++pos_;
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            skipSpace();
            std::string key;
            if (pos_ >= s_.size() || s_[pos_] != '"' || !string(key))
                return false;
            skipSpace();
            if (pos_ >= s_.size() || s_[pos_++] != ':')
                return false;
            JsonValue member;
            if (!value(member, depth + 1))
                return false;
            v.members.push_back(JsonMember{std::move(key), std::move(member)});
            skipSpace();
            if (pos_ >= s_.size())
                return false;
            const char c = s_[pos_++];
            if (c == '}')
                return true;
            if (c != ',')
                return false;
        }
    }

    bool array(JsonValue& v, int depth)
    {
        v.type = JsonValue::Type::Array;
        ++pos_;
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!value(item, depth + 1))
                return false;
            v.items.push_back(std::move(item));
            skipSpace();
            if (pos_ >= s_.size())
                return false;
            const char c = s_[pos_++];
            if (c == ']')
                return true;
            if (c != ',')
                return false;
        }
    }

    static void appendUtf8(std::string& out, uint32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool hex4(uint32_t& cp)
    {
        if (s_.size() - pos_ < 4)
            return false;
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[pos_++];
            const int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                  : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (d < 0)
                return false;
            cp = cp * 16 + static_cast<uint32_t>(d);
        }
        return true;
    }

    bool string(std::string& out)
    {
        ++pos_; // opening quote
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size())
                return false;
            const char e = s_[pos_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t cp = 0;
                if (!hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(pos_, 2) == "\\u") {
                    pos_ += 2;
                    uint32_t low = 0;
                    if (!hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default: return false;
            }
        }
        return false;
    }

    bool number(JsonValue& v)
    {
        const size_t start = pos_;
        bool negative = false;
        if (pos_ < s_.size() && s_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        const size_t digits = pos_;
        uint64_t magnitude = 0;
        bool overflow = false;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            const auto d = static_cast<uint64_t>(s_[pos_++] - '0');
            if (magnitude > (std::numeric_limits<uint64_t>::max() - d) / 10)
                overflow = true;
            else
                magnitude = magnitude * 10 + d;
        }
        if (pos_ == digits)
            return false;
        bool fraction = false;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            fraction = true;
            ++pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            fraction = true;
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-'))
                ++pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
        }
        v.type = JsonValue::Type::Number;
        v.integral = !fraction && !overflow && magnitude <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
        if (v.integral)
            v.integer = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
        return pos_ > start;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

const JsonValue* JsonValue::member(std::string_view key) const
{
    for (const auto& [name, value] : members)
        if (name == key)
            return &value;
    return nullptr;
}

std::optional<int64_t> JsonValue::integerMember(std::string_view key) const
{
    const JsonValue* v = member(key);
    if (!v || v->type != Type::Number || !v->integral)
        return std::nullopt;
    return v->integer;
}

const std::string* JsonValue::textMember(std::string_view key) const
{
    const JsonValue* v = member(key);
    return v && v->type == Type::String ? &v->text : nullptr;
}

std::optional<JsonValue> parseJson(std::string_view text) { return JsonParser(text).document(); }

std::string jsonQuote(std::string_view text)
{
    static const char* digits = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += digits[u >> 4];
            out += digits[u & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string toHex(std::span<const uint8_t> bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool fromHex(std::string_view text, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (text.size() % 2 != 0)
        return false;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = hexDigit(text[i]);
        const int lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            bytes.clear();
            return false;
        }
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

} // namespace kyv
