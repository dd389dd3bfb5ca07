#include "image/PictureSource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "image/BmpCodec.h"
#include "image/ByteSource.h"
#include "image/IcoCodec.h"
#include "image/PcxCodec.h"
#include "image/PngDecoder.h"
#include "image/VipsRuntime.h"
#include "image/base/ByteOrder.h"
#include "image/base/FileBytes.h"
#include "image/base/MemoryBudget.h"
#include "image/base/PixelLimit.h"
#include "image/base/Raster.h"
#include "image/base/StripImage.h"
#include "image/fastjpeg/JpegDecoder.h"
#include "image/fastjpeg/ProgressiveJpeg.h"
#include "image/ximage.h"

namespace vtlimage {

namespace {

using vips::VImage;

constexpr std::size_t kSniffBytes = 256;
// Icons are small; a larger "icon" is not read whole into memory.
constexpr std::size_t kMaxIconFile = 64u << 20;
constexpr std::size_t kTailChunk = 64u << 10;
// The library's own readers make their pictures this many rows at a time.
constexpr int kStripRows = 16;
// Whole-picture memory above this is worth refusing for a file that cannot cover it.
constexpr std::uint64_t kLargeWholeBytes = 64u << 20;
// An interlaced PNG: the byte of its IHDR chunk that says so.
constexpr std::size_t kPngInterlaceAt = 28;

// A HEIF file (ISO base media, "ftyp" first) by the brands it claims: AV1 pictures or HEVC
// ones. A file claiming only the general brands is taken as HEVC until libvips says otherwise.
int SniffHeif(std::string_view b) {
    if (b.size() < 16 || b.substr(4, 4) != "ftyp")
        return CXIMAGE_FORMAT_UNKNOWN;
    const std::size_t box = std::min<std::size_t>(ReadBE32(b, 0), b.size());
    bool heif = false;
    for (std::size_t at = 8; at + 4 <= box; at += at == 8 ? 8 : 4) { // skip the minor version
        const std::string_view brand = b.substr(at, 4);
        if (brand == "avif" || brand == "avis")
            return CXIMAGE_FORMAT_AVIF;
        for (const char* hevc :
             {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1"})
            heif = heif || brand == hevc;
    }
    return heif ? CXIMAGE_FORMAT_HEIC : CXIMAGE_FORMAT_UNKNOWN;
}

int Sniff(std::string_view b) {
    auto starts = [&](std::string_view magic) { return b.substr(0, magic.size()) == magic; };
    if (starts("\xFF\xD8\xFF"))
        return CXIMAGE_FORMAT_JPG;
    if (starts(std::string_view("\x89PNG\r\n\x1a\n", 8)))
        return CXIMAGE_FORMAT_PNG;
    if (starts("GIF87a") || starts("GIF89a"))
        return CXIMAGE_FORMAT_GIF;
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)) ||
        starts(std::string_view("II+\0", 4)) || starts(std::string_view("MM\0+", 4)))
        return CXIMAGE_FORMAT_TIF;
    if (starts("BM"))
        return CXIMAGE_FORMAT_BMP;
    if (b.size() >= 3 && b[0] == '\x0A' && static_cast<unsigned char>(b[1]) <= 5 && b[2] == '\x01')
        return CXIMAGE_FORMAT_PCX;
    if (IsIco(b))
        return CXIMAGE_FORMAT_ICO;
    if (b.size() >= 12 && starts("RIFF") && b.substr(8, 4) == "WEBP")
        return CXIMAGE_FORMAT_WEBP;
    if (starts("\xFF\x0A") || starts(std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12)))
        return CXIMAGE_FORMAT_JXL;
    return SniffHeif(b);
}

// libvips keeps 1 pixel/mm when a file stores no resolution.
int VipsDpi(double pixelsPerMm) {
    if (!(pixelsPerMm > 0) || std::fabs(pixelsPerMm - 1.0) < 1e-9)
        return 0;
    return static_cast<int>(std::lround(pixelsPerMm * 25.4));
}

int VipsBpp(const VImage& image, int type) {
    if (type == CXIMAGE_FORMAT_GIF)
        return 8;
    if (image.get_typeof("palette-bit-depth") != 0)
        return image.get_int("palette-bit-depth") == 1 ? 1 : 8;
    if (image.interpretation() == VIPS_INTERPRETATION_CMYK)
        return image.bands() > 4 ? 32 : 24;
    return BppOfBands(image.bands());
}

VImage FromRaster(const Raster& raster) {
    VipsImage* image =
        vips_image_new_from_memory_copy(raster.pixels.data(), raster.pixels.size(), raster.nWidth,
                                        raster.nHeight, raster.nBands, VIPS_FORMAT_UCHAR);
    if (!image)
        throw vips::VError();
    VImage result(image);
    return result.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// What the marker segments before a JPEG's first scan say: where the scan data begins, and the
// frame (its kind, size and the sampling of each component).
struct JpegLayout {
    std::uint64_t scanStart = 0; // 0: not found in the bytes at hand
    unsigned frame = 0;          // the SOFn marker
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::vector<std::pair<int, int>> sampling; // horizontal, vertical, per component

    bool Progressive() const {
        return frame == 0xC2 || frame == 0xC6 || frame == 0xCA || frame == 0xCE;
    }
    bool Huffman() const { return frame <= 0xC7; }

    // Blocks of each component, as libjpeg counts them, rounded up to whole MCUs when asked.
    std::vector<std::uint64_t> Blocks(bool wholeMcus) const {
        int hMax = 1;
        int vMax = 1;
        for (const auto& [h, v] : sampling) {
            hMax = std::max(hMax, h);
            vMax = std::max(vMax, v);
        }
        const auto up = [](std::uint64_t n, std::uint64_t by) { return (n + by - 1) / by; };
        std::vector<std::uint64_t> blocks;
        for (const auto& [h, v] : sampling) {
            std::uint64_t across = up(width * static_cast<std::uint64_t>(h), 8u * hMax);
            std::uint64_t down = up(height * static_cast<std::uint64_t>(v), 8u * vMax);
            if (wholeMcus) {
                across = up(across, h) * static_cast<std::uint64_t>(h);
                down = up(down, v) * static_cast<std::uint64_t>(v);
            }
            blocks.push_back(across * down);
        }
        return blocks;
    }
};

JpegLayout ReadJpegLayout(std::string_view head) {
    JpegLayout layout;
    std::size_t at = 2;
    const auto byte = [&head](std::size_t i) { return static_cast<unsigned char>(head[i]); };
    while (at + 4 <= head.size()) {
        if (byte(at) != 0xFF)
            return {};
        const unsigned marker = byte(at + 1);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(byte(at + 2)) << 8 | byte(at + 3);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && at + 10 <= head.size() && at + 2 + length <= head.size()) {
            layout.frame = marker;
            layout.height = static_cast<std::uint64_t>(byte(at + 5)) << 8 | byte(at + 6);
            layout.width = static_cast<std::uint64_t>(byte(at + 7)) << 8 | byte(at + 8);
            const std::size_t components = byte(at + 9);
            for (std::size_t c = 0; c < components && at + 12 + 3 * c < at + 2 + length; ++c) {
                const unsigned sampling = byte(at + 11 + 3 * c);
                layout.sampling.emplace_back(std::max(1u, sampling >> 4),
                                             std::max(1u, sampling & 0x0F));
            }
        }
        if (marker == 0xDA) {
            layout.scanStart = at + 2 + length;
            return layout;
        }
        at += 2 + length;
    }
    return {};
}

} // namespace

bool EnsureModuleFor(int type) {
    switch (type) {
    case CXIMAGE_FORMAT_HEIC:
    case CXIMAGE_FORMAT_AVIF:
        return EnsureVipsModule(VipsModule::Heif);
    case CXIMAGE_FORMAT_JXL:
        return EnsureVipsModule(VipsModule::Jxl);
    default:
        return true;
    }
}

bool CPictureSource::Open(const std::string& path, int frame, int requiredType) {
    try {
        return ReadHeader(path, frame, requiredType);
    } catch (const std::exception&) { // out of memory for a damaged icon directory, say
        m_header = PictureHeader{};
        vips_error_clear();
        return false;
    }
}

bool CPictureSource::ReadHeader(const std::string& path, int frame, int requiredType) {
    m_strPath = path;
    m_nFrame = std::max(frame, 0);
    m_nOrientation = 1;
    m_header = PictureHeader{};
    m_nWholeBytes = 0;
    // Only regular files: a folder, a pipe or a device named like a picture would block or
    // never end.
    const auto head = FileSize(path) ? ReadFileBytes(path, kSniffBytes) : std::nullopt;
    if (!head)
        return false;
    const int type = Sniff(*head);
    if (type == CXIMAGE_FORMAT_UNKNOWN ||
        (requiredType != CXIMAGE_FORMAT_UNKNOWN && requiredType != type) || !EnsureModuleFor(type))
        return false;

    RasterInfo info;
    int bands = 3;
    switch (type) {
    case CXIMAGE_FORMAT_BMP:
        if (!ReadBmpInfo(*head, info))
            return false;
        bands = info.nBpp == 32 ? 4 : 3;
        break;
    case CXIMAGE_FORMAT_PCX:
        if (!ReadPcxInfo(*head, info))
            return false;
        break;
    case CXIMAGE_FORMAT_ICO: {
        const auto file = ReadFileBytes(path, kMaxIconFile);
        if (!file || !ReadIcoInfo(*file, m_nFrame, info))
            return false;
        bands = 4;
        // The file, the frame decoded and the picture made of it.
        m_nWholeBytes = file->size() + std::uint64_t{8} * static_cast<std::uint64_t>(info.nWidth) *
                                           static_cast<std::uint64_t>(info.nHeight);
        break;
    }
    default:
        try {
            m_header.nType = type;
            m_nHeifPage = 0;
            VImage image = OpenVips(1, true);
            // An animation: its frames together stay within the pixel limit, as one picture
            // does.
            if ((type == CXIMAGE_FORMAT_GIF || type == CXIMAGE_FORMAT_WEBP) &&
                image.get_typeof("n-pages") != 0 && m_nFrame == 0)
                m_header.nFrames = std::max(1, image.get_int("n-pages"));
            if (static_cast<std::uint64_t>(image.width()) * image.height() * m_header.nFrames >
                kMaxPixels) {
                m_header = PictureHeader{};
                return false;
            }
            if (type == CXIMAGE_FORMAT_HEIC || type == CXIMAGE_FORMAT_AVIF) {
                if (image.get_typeof("heif-compression") != 0 &&
                    std::string_view(image.get_string("heif-compression")) == "av1")
                    m_header.nType = CXIMAGE_FORMAT_AVIF;
                if (image.get_typeof("heif-primary") != 0 && image.get_int("heif-primary") > 0) {
                    m_nHeifPage = image.get_int("heif-primary");
                    image = OpenVips(1, true);
                }
            }
            if (image.get_typeof("orientation") != 0)
                m_nOrientation = std::clamp(image.get_int("orientation"), 1, 8);
            const bool turned = m_nOrientation >= 5;
            info.nWidth = turned ? image.height() : image.width();
            info.nHeight = turned ? image.width() : image.height();
            info.nXDpi = VipsDpi(turned ? image.yres() : image.xres());
            info.nYDpi = VipsDpi(turned ? image.xres() : image.yres());
            info.nBpp = VipsBpp(image, type);
            bands = image.interpretation() == VIPS_INTERPRETATION_CMYK ? (image.bands() > 4 ? 4 : 3)
                                                                       : std::min(image.bands(), 4);
            const std::uint64_t pixels = static_cast<std::uint64_t>(image.width()) *
                                         static_cast<std::uint64_t>(image.height());
            // libvips decodes an interlaced PNG whole, and a GIF into a canvas of 4 bytes a
            // pixel beside the frame before it.
            if (type == CXIMAGE_FORMAT_PNG && head->size() > kPngInterlaceAt &&
                (*head)[kPngInterlaceAt] != 0)
                m_nWholeBytes = pixels * static_cast<std::uint64_t>(image.bands()) *
                                vips_format_sizeof(image.format());
            else if (type == CXIMAGE_FORMAT_GIF)
                m_nWholeBytes = pixels * 8;
            // Their decoders give the whole picture at once.
            else if (type == CXIMAGE_FORMAT_WEBP || type == CXIMAGE_FORMAT_HEIC ||
                     type == CXIMAGE_FORMAT_AVIF || type == CXIMAGE_FORMAT_JXL)
                m_nWholeBytes = pixels * static_cast<std::uint64_t>(image.bands()) *
                                vips_format_sizeof(image.format());
        } catch (const std::exception&) {
            vips_error_clear();
            return false;
        }
    }
    if (!SizeAllowed(info.nWidth, info.nHeight))
        return false;
    auto sane = [](int dpi) { return dpi > 0 && dpi <= kMaxDpi ? dpi : 0; };
    m_header = {m_header.nType == CXIMAGE_FORMAT_UNKNOWN ? type : m_header.nType,
                info.nWidth,
                info.nHeight,
                sane(info.nXDpi),
                sane(info.nYDpi),
                info.nBpp,
                bands,
                m_header.nFrames};
    return true;
}

bool CPictureSource::Decodable() {
    const auto size = FileSize(m_strPath);
    if (!size)
        return false;
    if (m_header.nType == CXIMAGE_FORMAT_PNG) {
        const std::uint64_t from = *size > kTailChunk ? *size - kTailChunk : 0;
        const auto tail = ReadFileBytes(m_strPath, kTailChunk, from);
        if (!tail || tail->find("IEND") == std::string::npos)
            return false;
    }
    if (m_header.nType == CXIMAGE_FORMAT_JPG && !JpegDecodable(*size))
        return false;
    return m_nWholeBytes <= CMemoryBudget::Library().Largest();
}

bool CPictureSource::JpegDecodable(std::uint64_t size) {
    const auto head = ReadFileBytes(m_strPath, kTailChunk);
    JpegLayout layout = head ? ReadJpegLayout(*head) : JpegLayout{};
    if (layout.scanStart == 0) {
        const auto big = ReadFileBytes(m_strPath, 1u << 20); // large EXIF or ICC segments
        layout = big ? ReadJpegLayout(*big) : JpegLayout{};
    }
    const std::uint64_t scanStart = layout.scanStart;
    if (scanStart == 0 || scanStart >= size || layout.sampling.empty())
        return false;
    if (layout.Progressive()) {
        m_nWholeBytes = 0;
        for (const std::uint64_t n : layout.Blocks(true))
            m_nWholeBytes += n * 64 * sizeof(std::int16_t);
    }
    // A progressive picture whose coefficients take much memory is refused when its data is too
    // short to cover it (a header that claims a huge picture): Huffman codes take at least a
    // bit for every block of the first scan (arithmetic coding can take far less). A smaller
    // damaged picture is decoded as far as it goes, as libvips' own decoder does.
    const std::vector<std::uint64_t> blocks = layout.Blocks(false);
    if (m_nWholeBytes > kLargeWholeBytes && layout.Huffman() &&
        (size - scanStart) * 8 < *std::min_element(blocks.begin(), blocks.end()))
        return false;
    // Walk back from the end in chunks looking for the end marker, but only after the scan
    // data began: the end marker of an embedded EXIF thumbnail does not count.
    std::uint64_t end = size;
    while (end > scanStart) {
        const std::uint64_t from =
            std::max<std::uint64_t>(scanStart, end > kTailChunk ? end - kTailChunk : 0);
        const auto chunk = ReadFileBytes(m_strPath, static_cast<std::size_t>(end - from + 1), from);
        if (!chunk)
            return false;
        if (chunk->rfind("\xFF\xD9") != std::string::npos)
            return true;
        end = from;
    }
    return false;
}

std::string CPictureSource::ExifBlock() const {
    const int type = m_header.nType;
    if (type == CXIMAGE_FORMAT_UNKNOWN || type == CXIMAGE_FORMAT_BMP ||
        type == CXIMAGE_FORMAT_PCX || type == CXIMAGE_FORMAT_ICO)
        return {};
    try {
        const VImage image = OpenVips(1, true);
        if (image.get_typeof("exif-data") == 0)
            return {};
        std::size_t size = 0;
        const void* block = image.get_blob("exif-data", &size);
        const std::string_view bytes(static_cast<const char*>(block), size);
        // A PNG's eXIf chunk holds the TIFF structure alone, without the "Exif" header that a
        // JPEG's segment and a HEIF's box begin with.
        const std::string_view header("Exif\0\0", 6);
        return bytes.substr(0, 6) == header ? std::string(bytes)
                                            : std::string(header) + std::string(bytes);
    } catch (const std::exception&) {
        vips_error_clear();
        return {};
    }
}

VImage CPictureSource::OpenVips(int shrink, bool sequential, bool allFrames) const {
    auto options = VImage::option()
                       ->set("access", sequential ? VIPS_ACCESS_SEQUENTIAL : VIPS_ACCESS_RANDOM)
                       ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    const char* path = m_strPath.c_str();
    switch (m_header.nType) {
    case CXIMAGE_FORMAT_JPG:
        return VImage::jpegload(path, options->set("shrink", shrink));
    case CXIMAGE_FORMAT_PNG:
        return VImage::pngload(path, options);
    case CXIMAGE_FORMAT_GIF:
        return VImage::gifload(path,
                               allFrames ? options->set("n", -1) : options->set("page", m_nFrame));
    case CXIMAGE_FORMAT_WEBP:
        return VImage::webpload(path,
                                allFrames ? options->set("n", -1) : options->set("page", m_nFrame));
    case CXIMAGE_FORMAT_HEIC:
    case CXIMAGE_FORMAT_AVIF:
        // The primary picture, whatever else the file holds; libheif turns it upright by the
        // file's own transforms, and libvips then drops the EXIF orientation, which a HEIF
        // never obeys: it is applied once.
        return VImage::heifload(path, options->set("page", m_nHeifPage));
    case CXIMAGE_FORMAT_JXL:
        return VImage::jxlload(path, options);
    default:
        return VImage::tiffload(path, options->set("page", m_nFrame));
    }
}

VImage CPictureSource::DecodeOwn() const {
    std::shared_ptr<const CByteSource> file = OpenFileBytes(m_strPath);
    if (!file)
        throw vips::VError("picture file unreadable");
    int bands = 3;
    std::unique_ptr<CStripSource> strips = m_header.nType == CXIMAGE_FORMAT_BMP
                                               ? OpenBmp(std::move(file), bands)
                                               : OpenPcx(std::move(file));
    if (!strips)
        throw vips::VError("damaged picture");
    return StripImage(std::move(strips), PictureShape(m_header.nWidth, m_header.nHeight, bands),
                      kStripRows);
}

VImage CPictureSource::DecodeIcon() const {
    auto grant = CMemoryBudget::Library().Take(static_cast<std::size_t>(m_nWholeBytes));
    const auto size = FileSize(m_strPath);
    if (!grant || !size || *size > kMaxIconFile)
        throw vips::VError("icon too large");
    const auto bytes = ReadFileBytes(m_strPath, static_cast<std::size_t>(*size));
    if (!bytes)
        throw vips::VError("picture file unreadable");
    IconFrame frame;
    if (!FindIconFrame(*bytes, m_nFrame, frame))
        throw vips::VError("icon frame missing");
    VImage image;
    if (frame.png) {
        VipsBlob* blob = vips_blob_copy(frame.image.data(), frame.image.size());
        try {
            image = VImage::pngload_buffer(blob,
                                           VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED))
                        .copy_memory();
            vips_area_unref(VIPS_AREA(blob));
        } catch (...) {
            vips_area_unref(VIPS_AREA(blob));
            throw;
        }
    } else {
        Raster raster;
        if (!DecodeIcoDibFrame(frame, raster))
            throw vips::VError("damaged picture");
        image = FromRaster(raster);
    }
    if (image.width() != m_header.nWidth || image.height() != m_header.nHeight)
        throw vips::VError("damaged picture");
    HoldWhileAlive(image, std::move(*grant));
    return image;
}

namespace {

// `pixels` with the resolution, camera data and colour profile of `header`, as a picture
// decoded through libvips carries them, so that a save keeps them.
VImage WithMetadataOf(VImage pixels, const VImage& header) {
    pixels = pixels.copy(VImage::option()->set("xres", header.xres())->set("yres", header.yres()));
    for (const char* field : {"exif-data", "icc-profile-data", "xmp-data", "iptc-data"}) {
        GValue value{};
        if (vips_image_get(header.get_image(), field, &value) == 0) {
            vips_image_set(pixels.get_image(), field, &value);
            g_value_unset(&value);
        }
    }
    return pixels;
}

} // namespace

VImage CPictureSource::Pixels(int shrink, bool sequential, bool twoThreads, bool allFrames) const {
    VImage image;
    switch (m_header.nType) {
    case CXIMAGE_FORMAT_BMP:
    case CXIMAGE_FORMAT_PCX:
        image = DecodeOwn();
        break;
    case CXIMAGE_FORMAT_ICO:
        image = DecodeIcon();
        break;
    default: {
        Raster eighth;
        if (m_header.nType == CXIMAGE_FORMAT_JPG && shrink == 8 &&
            DecodeProgressiveDc(m_strPath, eighth)) {
            image = WithMetadataOf(FromRaster(eighth), OpenVips(shrink, false));
            image.set("orientation", m_nOrientation);
        } else {
            // Turning a picture upright reads it out of order, so it cannot stream.
            const bool streams = sequential && m_nOrientation == 1;
            image = OpenVips(shrink, streams, allFrames && m_header.nFrames > 1);
            std::optional<VImage> decoded;
            if (m_header.nType == CXIMAGE_FORMAT_JPG)
                decoded = DecodeJpeg(m_strPath, shrink, image, twoThreads);
            else if (m_header.nType == CXIMAGE_FORMAT_PNG)
                decoded = DecodePng(m_strPath, image);
            if (decoded && streams) {
                image = *decoded;
            } else if (decoded) {
                auto grant =
                    CMemoryBudget::Library().Take(VIPS_IMAGE_SIZEOF_IMAGE(decoded->get_image()));
                if (!grant)
                    throw vips::VError("picture too large to turn in memory");
                image = decoded->copy_memory();
                HoldWhileAlive(image, std::move(*grant));
            } else if (m_nWholeBytes > 0) {
                // libvips decodes this one whole (or holds its coefficients): only once the
                // budget grants it.
                auto grant = CMemoryBudget::Library().Take(static_cast<std::size_t>(m_nWholeBytes));
                if (!grant)
                    throw vips::VError("picture too large to hold in memory");
                HoldWhileAlive(image, std::move(*grant));
            }
        }
        if (m_nOrientation != 1)
            image = EachFrame(image, [](const VImage& frame) { return frame.autorot(); });
        break;
    }
    }
    return ToDisplayable(image);
}

int BppOfBands(int bands) {
    switch (bands) {
    case 1:
        return 8;
    case 2:
        return 16;
    case 3:
        return 24;
    default:
        return 32;
    }
}

int FramesOf(const VImage& picture) {
    if (picture.get_typeof("page-height") == 0)
        return 1;
    const int rows = picture.get_int("page-height");
    return rows > 0 && rows < picture.height() && picture.height() % rows == 0
               ? picture.height() / rows
               : 1;
}

VImage EachFrame(const VImage& picture, const std::function<VImage(const VImage&)>& change) {
    const int frames = FramesOf(picture);
    if (frames == 1)
        return change(picture);
    const int rows = picture.height() / frames;
    std::vector<VImage> changed;
    for (int i = 0; i < frames; ++i)
        changed.push_back(change(picture.extract_area(0, i * rows, picture.width(), rows)));
    // The joined frames take the first one's metadata, and with it the delays and loop count.
    VImage joined = VImage::arrayjoin(changed, VImage::option()->set("across", 1));
    joined.set("page-height", changed.front().height());
    return joined;
}

VImage FirstFrame(const VImage& picture) {
    const int frames = FramesOf(picture);
    if (frames == 1)
        return picture;
    VImage first = picture.extract_area(0, 0, picture.width(), picture.height() / frames).copy();
    first.remove("page-height");
    return first;
}

VImage ToDisplayable(const VImage& image) {
    VImage out = image;
    const VipsInterpretation kind = out.interpretation();
    const bool grey =
        out.bands() <= 2 && (kind == VIPS_INTERPRETATION_B_W || kind == VIPS_INTERPRETATION_GREY16);
    if (grey) {
        if (out.format() != VIPS_FORMAT_UCHAR)
            out = out.colourspace(VIPS_INTERPRETATION_B_W);
    } else if (kind != VIPS_INTERPRETATION_sRGB || out.format() != VIPS_FORMAT_UCHAR) {
        out = out.colourspace(VIPS_INTERPRETATION_sRGB);
    }
    if (out.format() != VIPS_FORMAT_UCHAR)
        out = out.cast(VIPS_FORMAT_UCHAR);
    if (out.bands() > 4)
        out = out.extract_band(0, VImage::option()->set("n", 4));
    return out;
}

} // namespace vtlimage
