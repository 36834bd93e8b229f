#include "protocol/image_file_crc.h"

#include "protocol/image_file_reader.h"

#include <array>

namespace kyv {

std::optional<uint16_t> imageFileCrc(CrcAccumulator& accumulator, const std::string& path)
{
    constexpr size_t kPiece = 0x4000;
    constexpr uint64_t kUnit = 0x10000;
    ImageFileReader file;
    if (!file.open(path))
        return std::nullopt;
    accumulator.zero();
    const uint64_t pieces = file.length() / kUnit * (kUnit / kPiece);
    std::array<uint8_t, kPiece> piece;
    for (uint64_t i = 0; i < pieces; ++i) {
        piece.fill(0xFF);
        if (file.read(piece.data(), piece.size()) < 0)
            return std::nullopt;
        accumulator.feedArc(piece);
    }
    return accumulator.reported();
}

std::optional<uint16_t> hidImageCrc(const std::string& path)
{
    constexpr uint64_t kHeaderBytes = 16;
    ImageFileReader file;
    if (!file.open(path))
        return std::nullopt;
    if (file.length() <= kHeaderBytes)
        return 0;
    CrcAccumulator accumulator(1);
    std::array<uint8_t, 0x10000> chunk;
    long long n = file.readAt(kHeaderBytes, chunk.data(), chunk.size());
    for (; n > 0; n = file.read(chunk.data(), chunk.size()))
        accumulator.feedDirect(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(n)));
    if (n < 0)
        return std::nullopt;
    return accumulator.directValue();
}

} // namespace kyv
