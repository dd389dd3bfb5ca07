#include "tests/preview/PreviewPictures.h"

#include <QBuffer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace previewtest {

ExifBlock::ExifBlock() : m_pData(exif_data_new()) {
    exif_data_set_byte_order(m_pData, EXIF_BYTE_ORDER_INTEL);
}

ExifBlock::~ExifBlock() {
    exif_data_unref(m_pData);
}

ExifBlock& ExifBlock::Ascii(ExifIfd ifd, int tag, const std::string& text) {
    Add(ifd, tag, EXIF_FORMAT_ASCII, text + '\0');
    return *this;
}

ExifBlock& ExifBlock::Short(ExifIfd ifd, int tag, std::uint16_t value) {
    const char bytes[] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    Add(ifd, tag, EXIF_FORMAT_SHORT, std::string(bytes, 2));
    return *this;
}

void ExifBlock::Add(ExifIfd ifd, int tag, ExifFormat format, const std::string& bytes) {
    ExifEntry* entry = exif_entry_new();
    entry->tag = static_cast<ExifTag>(tag);
    entry->format = format;
    entry->components = format == EXIF_FORMAT_ASCII ? bytes.size() : 1;
    entry->size = static_cast<unsigned int>(bytes.size());
    // The entry frees its data with libexif's default allocator, which is malloc's.
    entry->data = static_cast<unsigned char*>(std::malloc(bytes.size()));
    std::memcpy(entry->data, bytes.data(), bytes.size());
    exif_content_add_entry(m_pData->ifd[ifd], entry);
    exif_entry_unref(entry);
}

std::string ExifBlock::Segment() const {
    unsigned char* data = nullptr;
    unsigned int size = 0;
    exif_data_save_data(m_pData, &data, &size);
    if (!data || size + 2 > 0xFFFF)
        throw std::runtime_error("EXIF block does not fit one segment");
    std::string segment = {'\xFF', '\xE1', static_cast<char>((size + 2) >> 8),
                           static_cast<char>((size + 2) & 0xFF)};
    segment.append(reinterpret_cast<const char*>(data), size);
    std::free(data);
    return segment;
}

QImage Flat(int width, int height, QColor color) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(color);
    return picture;
}

std::string Encoded(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format, 95))
        throw std::runtime_error(std::string("no writer for ") + format);
    return bytes.toStdString();
}

std::string JpegBytes(const QImage& picture, const std::string& segment) {
    return Encoded(picture, "JPG").insert(2, segment);
}

std::string SampleFolder() {
    const std::filesystem::path folder =
        std::filesystem::path(VTL_SOURCE_DIR) / "../shared/testdata/exif-samples/jpg";
    return std::filesystem::is_directory(folder) ? folder.string() : "";
}

} // namespace previewtest
