#include "image/IcoCodec.h"

#include <cstddef>

#include "image/BmpCodec.h"
#include "image/base/ByteOrder.h"
#include "image/base/PixelLimit.h"

namespace vtlimage {

namespace {

constexpr std::size_t kDirSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

} // namespace

bool IsIco(std::string_view bytes) {
    return bytes.size() >= kDirSize && ReadLE16(bytes, 0) == 0 && ReadLE16(bytes, 2) == 1 &&
           ReadLE16(bytes, 4) > 0;
}

bool FindIconFrame(std::string_view bytes, int index, IconFrame& frame) {
    if (!IsIco(bytes) || index < 0 || static_cast<std::uint32_t>(index) >= ReadLE16(bytes, 4))
        return false;
    const std::size_t entry = kDirSize + static_cast<std::size_t>(index) * kEntrySize;
    if (entry + kEntrySize > bytes.size())
        return false;
    const std::size_t size = ReadLE32(bytes, entry + 8);
    const std::size_t offset = ReadLE32(bytes, entry + 12);
    if (offset >= bytes.size() || size > bytes.size() - offset || size < 16)
        return false;
    frame.image = bytes.substr(offset, size);
    frame.png = frame.image.substr(0, kPngSignature.size()) == kPngSignature;
    return true;
}

bool ReadIcoInfo(std::string_view bytes, int index, RasterInfo& info) {
    IconFrame frame;
    if (!FindIconFrame(bytes, index, frame))
        return false;
    if (!frame.png)
        return ReadIconDibInfo(frame.image, info);
    // The PNG's IHDR chunk: width and height big-endian after the signature and chunk head.
    const std::int64_t width = ReadBE32(frame.image, 16);
    const std::int64_t height = ReadBE32(frame.image, 20);
    if (!SizeAllowed(width, height) || frame.image.size() < 26)
        return false;
    info.nWidth = static_cast<int>(width);
    info.nHeight = static_cast<int>(height);
    info.nXDpi = info.nYDpi = 0;
    info.nBpp = static_cast<std::uint8_t>(frame.image[25]) == 3 ? 8 : 32;
    return true;
}

bool DecodeIcoDibFrame(const IconFrame& frame, Raster& out) {
    return !frame.png && DecodeIconDib(frame.image, out);
}

std::vector<std::uint8_t> EncodeIco(const Raster& rgba) {
    const auto width = static_cast<std::size_t>(rgba.nWidth);
    const auto height = static_cast<std::size_t>(rgba.nHeight);
    const std::size_t maskStride = (width + 31) / 32 * 4;
    const std::size_t imageSize = 40 + width * height * 4 + maskStride * height;

    std::vector<std::uint8_t> out;
    out.reserve(kDirSize + kEntrySize + imageSize);
    AppendLE16(out, 0);
    AppendLE16(out, 1);
    AppendLE16(out, 1);
    out.push_back(static_cast<std::uint8_t>(width % 256)); // 0 stands for 256
    out.push_back(static_cast<std::uint8_t>(height % 256));
    out.push_back(0);
    out.push_back(0);
    AppendLE16(out, 1);
    AppendLE16(out, 32);
    AppendLE32(out, static_cast<std::uint32_t>(imageSize));
    AppendLE32(out, static_cast<std::uint32_t>(kDirSize + kEntrySize));

    AppendLE32(out, 40);
    AppendLE32(out, static_cast<std::uint32_t>(width));
    AppendLE32(out, static_cast<std::uint32_t>(height * 2));
    AppendLE16(out, 1);
    AppendLE16(out, 32);
    for (int i = 0; i < 6; ++i)
        AppendLE32(out, 0);
    for (std::size_t row = height; row-- > 0;) {
        const std::uint8_t* src = rgba.pixels.data() + row * width * 4;
        for (std::size_t x = 0; x < width; ++x) {
            out.push_back(src[x * 4 + 2]);
            out.push_back(src[x * 4 + 1]);
            out.push_back(src[x * 4]);
            out.push_back(src[x * 4 + 3]);
        }
    }
    out.resize(out.size() + maskStride * height, 0); // alpha decides; the mask shows all
    return out;
}

} // namespace vtlimage
