#pragma once
// CExifReader: the EXIF entries of one picture file, walked in order as pairs of a tag name and
// a value text, for the preview's "Picture Properties" panel.
//
// One owner, the preview's loader, on its worker thread: it keeps one reader for its life and
// reloads it for every picture shown. The reader owns at most one parsed data set; a new
// load releases the previous one.
//
// The walk visits libexif's five IFDs in libexif's order (0 = IFD 0, 1 = IFD 1 with the
// thumbnail's tags, 2 = EXIF, 3 = GPS, 4 = interoperability) and, within one IFD, the entries
// in the order of the file. Empty IFDs are skipped. Only the entries the file holds are walked:
// libexif does not add the ones the standard requires and the file lacks.
#include <cstdio>
#include <string>

#include <libexif/exif-data.h>

class CExifReader {
  public:
    CExifReader() = default;
    virtual ~CExifReader();
    CExifReader(const CExifReader&) = delete;
    CExifReader& operator=(const CExifReader&) = delete;

    // Loads the EXIF data of the file at path (bytes, whatever their encoding): a JPEG's from
    // its bytes, a HEIC's, AVIF's, WebP's or PNG's through the image library. True when EXIF
    // data was found and its IFD 0 holds an entry. A file that cannot be opened returns false
    // and keeps the data of the last load; anything but a regular file (a folder, a pipe, a
    // device named like a picture) is never opened.
    bool Load(const std::string& path);
    // The same from an open file, read from its start.
    bool LoadFile(std::FILE* file);

    // Starts the walk again at the first entry.
    void Rewind();
    // The next entry of the walk and, in nIfd, the index of its IFD; null at the end, and again
    // on every later call until Rewind or a new load.
    ExifEntry* NextEntry(int& nIfd);

    // The tag's name in its own IFD, for example "DateTime" or "GPSLatitudeRef"; "" for a tag
    // libexif does not know there.
    static std::string TagName(ExifEntry* entry);
    // The value as libexif renders it, for example "1/160 sec." or "Top-left".
    static std::string ValueText(ExifEntry* entry);

  private:
    void Release();
    bool HasEntry(int nIfd, int nEntry) const;

    ExifData* m_pData = nullptr;
    int m_nIfd = 0;
    int m_nEntry = 0;
};
