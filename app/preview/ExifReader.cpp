#include "app/preview/ExifReader.h"

#include "image/ximage.h"

#include <filesystem>
#include <libexif/exif-loader.h>
#include <system_error>

namespace {

// The loader is fed the file in pieces of this size; it says when it has seen enough.
constexpr std::size_t kPiece = 1024;
// A value text is cut to this many bytes less one: a long description or user comment would
// otherwise make a row many screens wide.
constexpr unsigned int kValueText = 1024;

// An EXIF block parsed. By default libexif adds the entries the standard requires and the file
// lacks (a resolution of 72, an EXIF version, a colour space), so the panel would show values
// the picture does not have: only the file's own entries are kept.
ExifData* Parse(const unsigned char* bytes, unsigned int size) {
    if (!bytes || size == 0)
        return nullptr;
    ExifData* data = exif_data_new();
    if (!data)
        return nullptr;
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, bytes, size);
    return data;
}

// The data the loader found, parsed.
ExifData* ParseLoaded(ExifLoader* loader) {
    const unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_loader_get_buf(loader, &bytes, &size);
    return Parse(bytes, size);
}

} // namespace

CExifReader::~CExifReader() {
    Release();
}

bool CExifReader::Load(const std::string& path) {
    // Opening a pipe for reading would wait for a writer, and a device may never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), error))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const bool loaded = LoadFile(file);
    std::fclose(file);
    if (loaded)
        return true;
    // HEIC, AVIF, WebP and PNG keep theirs in a box or chunk the loader does not know, which
    // the image library finds.
    const std::string block = CxImage::ReadExifBlock(path);
    if (block.empty())
        return false;
    Release();
    m_pData = Parse(reinterpret_cast<const unsigned char*>(block.data()),
                    static_cast<unsigned int>(block.size()));
    return HasEntry(EXIF_IFD_0, 0);
}

bool CExifReader::LoadFile(std::FILE* file) {
    std::rewind(file);
    Rewind();
    ExifLoader* loader = exif_loader_new();
    if (!loader)
        return false;
    unsigned char buffer[kPiece];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        if (got == 0)
            break;
        // A short read means the file has ended (or failed): no more pieces follow.
        if (exif_loader_write(loader, buffer, static_cast<unsigned int>(got)) == 0 ||
            got < sizeof buffer)
            break;
    }
    Release();
    m_pData = ParseLoaded(loader);
    exif_loader_unref(loader);
    return HasEntry(EXIF_IFD_0, 0);
}

void CExifReader::Rewind() {
    m_nIfd = 0;
    m_nEntry = 0;
}

ExifEntry* CExifReader::NextEntry(int& nIfd) {
    if (!m_pData || m_nIfd < 0 || m_nIfd >= EXIF_IFD_COUNT || m_nEntry < 0)
        return nullptr;
    while (!HasEntry(m_nIfd, m_nEntry)) {
        ++m_nIfd;
        m_nEntry = 0;
        if (m_nIfd >= EXIF_IFD_COUNT)
            return nullptr;
    }
    ExifContent* content = m_pData->ifd[m_nIfd];
    ExifEntry* entry = content->entries[m_nEntry];
    nIfd = m_nIfd;
    if (++m_nEntry >= static_cast<int>(content->count)) {
        m_nEntry = 0;
        ++m_nIfd;
    }
    return entry;
}

std::string CExifReader::TagName(ExifEntry* entry) {
    // Tag numbers repeat across IFDs (GPS tag 1 is GPSLatitudeRef, interoperability tag 1 is
    // InteroperabilityIndex), so the name is looked up in the entry's own IFD.
    const char* name = exif_tag_get_name_in_ifd(entry->tag, exif_entry_get_ifd(entry));
    return name ? name : "";
}

std::string CExifReader::ValueText(ExifEntry* entry) {
    char text[kValueText] = {};
    const char* value = exif_entry_get_value(entry, text, sizeof text);
    return value ? value : "";
}

void CExifReader::Release() {
    if (m_pData)
        exif_data_unref(m_pData);
    m_pData = nullptr;
}

bool CExifReader::HasEntry(int nIfd, int nEntry) const {
    const ExifContent* content = m_pData ? m_pData->ifd[nIfd] : nullptr;
    return content && nEntry < static_cast<int>(content->count) && content->entries[nEntry];
}
