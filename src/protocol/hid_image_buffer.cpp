#include "protocol/hid_image_buffer.h"

#include "protocol/image_file_reader.h"

#include <limits>

namespace kyv {

ResultCode loadHidImage(HidImageBuffer& buffer, const std::string& path, char typeLetter)
{
    buffer = HidImageBuffer{}; // frees the previous image
    buffer.typeLetter = typeLetter;
    ImageFileReader file;
    if (!file.open(path))
        return rc::Success;
    if (file.length() > std::numeric_limits<uint32_t>::max())
        return rc::InvalidImage;
    const auto length = static_cast<uint32_t>(file.length());
    if (ResultCode code = file.readAll(buffer.data); code != rc::Success)
        return code;
    buffer.length = length;
    buffer.packetCount = length / HidImageBuffer::kPacketBytes;
    buffer.thirdByte = length > 2 ? buffer.data[2] : 0;
    buffer.lengthBytes = {static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                          static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    return rc::Success;
}

} // namespace kyv
