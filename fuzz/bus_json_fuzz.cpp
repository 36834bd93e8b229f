// Feeds arbitrary bytes to the parser of the simulated bus's answer lines and walks what it
// gives back, as the host does with a server's answer.

#include "transport/usb/bus_json.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

size_t walk(const kyv::JsonValue& value)
{
    size_t n = value.text.size();
    std::vector<uint8_t> bytes;
    if (value.type == kyv::JsonValue::Type::String)
        kyv::fromHex(value.text, bytes);
    for (const kyv::JsonValue& item : value.items)
        n += walk(item);
    for (const auto& [key, member] : value.members)
        n += key.size() + walk(member);
    value.integerMember("handle");
    value.textMember("data");
    return n + bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto value = kyv::parseJson(text))
        walk(*value);
    return 0;
}
