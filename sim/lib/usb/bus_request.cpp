#include "sim/lib/usb/bus_request.h"

#include <charconv>

namespace kyv::sim {
namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void skipSpace()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r'))
            ++pos_;
    }
    bool take(char c)
    {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool atEnd()
    {
        skipSpace();
        return pos_ == text_.size();
    }
    char peek()
    {
        skipSpace();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    // A string literal; \uXXXX only below 0x80 (the bus never needs more).
    bool string(std::string& out)
    {
        if (!take('"'))
            return false;
        out.clear();
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (pos_ >= text_.size())
                return false;
            char e = text_[pos_++];
            switch (e) {
            case '"': case '\\': case '/': out.push_back(e); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'u': {
                unsigned code = 0;
                if (pos_ + 4 > text_.size())
                    return false;
                auto [end, error] = std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, code, 16);
                if (error != std::errc() || end != text_.data() + pos_ + 4 || code >= 0x80)
                    return false;
                out.push_back(static_cast<char>(code));
                pos_ += 4;
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool integer(long long& value)
    {
        skipSpace();
        size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-')
            ++pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
            ++pos_;
        auto [end, error] = std::from_chars(text_.data() + start, text_.data() + pos_, value);
        return error == std::errc() && end == text_.data() + pos_ && pos_ > start;
    }

private:
    std::string_view text_;
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

bool BusRequest::parse(std::string_view line)
{
    texts_.clear();
    numbers_.clear();
    Reader in(line);
    if (!in.take('{'))
        return false;
    if (in.take('}'))
        return in.atEnd();
    do {
        std::string name;
        if (!in.string(name) || !in.take(':') || texts_.count(name) || numbers_.count(name))
            return false;
        if (in.peek() == '"') {
            std::string value;
            if (!in.string(value))
                return false;
            texts_[name] = std::move(value);
        } else {
            long long value = 0;
            if (!in.integer(value))
                return false;
            numbers_[name] = value;
        }
    } while (in.take(','));
    return in.take('}') && in.atEnd();
}

const std::string* BusRequest::text(const std::string& name) const
{
    auto found = texts_.find(name);
    return found == texts_.end() ? nullptr : &found->second;
}

std::optional<long long> BusRequest::number(const std::string& name) const
{
    auto found = numbers_.find(name);
    if (found == numbers_.end())
        return std::nullopt;
    return found->second;
}

std::optional<Bytes> BusRequest::bytes(const std::string& name) const
{
    const std::string* hex = text(name);
    return hex ? bytesFromBusHex(*hex) : std::nullopt;
}

std::string busHex(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

std::optional<Bytes> bytesFromBusHex(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    Bytes bytes(hex.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int high = hexDigit(hex[2 * i]);
        int low = hexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return bytes;
}

std::string jsonText(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char digits[] = "0123456789abcdef";
            out += "\\u00";
            out.push_back(digits[(c >> 4) & 0x0F]);
            out.push_back(digits[c & 0x0F]);
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

} // namespace kyv::sim
