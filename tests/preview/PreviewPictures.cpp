#include "tests/preview/PreviewPictures.h"

#include <QBuffer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace previewtest {

std::string ExifSegment(const std::vector<ExifText>& entries) {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    for (const ExifText& e : entries) {
        ExifEntry* entry = exif_entry_new();
        entry->tag = static_cast<ExifTag>(e.tag);
        entry->format = EXIF_FORMAT_ASCII;
        entry->components = entry->size = static_cast<unsigned int>(e.text.size() + 1);
        // The entry frees its data with libexif's default allocator, which is malloc's.
        entry->data = static_cast<unsigned char*>(std::malloc(entry->size));
        std::memcpy(entry->data, e.text.c_str(), entry->size);
        exif_content_add_entry(data->ifd[e.ifd], entry);
        exif_entry_unref(entry);
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    exif_data_unref(data);
    if (!bytes || size + 2 > 0xFFFF)
        throw std::runtime_error("EXIF block does not fit one segment");
    std::string segment = {'\xFF', '\xE1', static_cast<char>((size + 2) >> 8),
                           static_cast<char>((size + 2) & 0xFF)};
    segment.append(reinterpret_cast<const char*>(bytes), size);
    std::free(bytes);
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
