#pragma once
// The bytes of a picture file for the library's own readers (BMP, PCX), read piece by piece
// from the file, so that a reader holds no more of a large file than the rows it is decoding;
// or bytes already in memory (an icon's frame, a test's bytes).
//
// Callers: the BMP and PCX readers. Read may be called from several threads at once; a cursor
// belongs to one thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vtlimage {

class CByteSource {
  public:
    virtual ~CByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // n bytes from `at` into out; false when they are not all there or cannot be read.
    virtual bool Read(std::uint64_t at, std::size_t n, std::uint8_t* out) const = 0;
};

// Bytes that outlive the source.
class CMemoryBytes final : public CByteSource {
  public:
    explicit CMemoryBytes(std::string_view bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    bool Read(std::uint64_t at, std::size_t n, std::uint8_t* out) const override;

  private:
    std::string_view m_bytes;
};

// A regular file, kept open while the source lives; nullptr when it cannot be opened.
std::unique_ptr<CByteSource> OpenFileBytes(const std::string& path);

// Reads a source byte after byte, in pieces, from `at` up to `end`.
class CByteCursor {
  public:
    CByteCursor(const CByteSource& source, std::uint64_t at, std::uint64_t end);
    // The next byte; false at `end` or when the source cannot be read.
    bool Next(std::uint8_t& byte) {
        if (m_nNext == m_nFilled && !Fill())
            return false;
        byte = m_buffer[m_nNext++];
        return true;
    }
    // Where the next byte comes from.
    std::uint64_t Offset() const { return m_nAt - (m_nFilled - m_nNext); }

  private:
    bool Fill();

    const CByteSource& m_source;
    std::uint64_t m_nAt;
    std::uint64_t m_nEnd;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_nNext = 0;
    std::size_t m_nFilled = 0;
};

} // namespace vtlimage
