#include "image/fastjpeg/JpegDecoder.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "image/base/FileBytes.h"
#include "image/base/MemoryBudget.h"
#include "image/base/StripImage.h"
#include "image/fastjpeg/FastJpeg.h"
#include "image/fastjpeg/JpegReader.h"
#include "image/fastjpeg/ScanSplit.h"
#include "image/fastjpeg/YccToRgb.h"

namespace vtlimage {

namespace {

using vips::VImage;

// The decoder makes the pixels in strips of this many rows, each once, top to bottom.
constexpr int kStripRows = 16;
// Below this height a second decoder is not worth its start.
constexpr int kLeastSplitRows = 128;
// How far a decoder may run ahead of the rows taken.
constexpr int kRowsAhead = 64;

// Rows from a decoder to the strips: a ring of `capacity` rows, the producer waiting
// for room and the consumer for rows. A side is woken only when it waits, and a waiting
// producer only once half the ring is free, so the two threads do not trade places at every
// row. Either side can end it: a failed producer, a consumer that is dropped.
class CRowQueue {
  public:
    void Reset(int capacity, std::size_t rowBytes) {
        m_nCapacity = capacity;
        m_nRowBytes = rowBytes;
        m_buffer.resize(static_cast<std::size_t>(capacity) * rowBytes);
    }

    // Where row n goes, once there is room; nullptr once the consumer is gone.
    std::uint8_t* Slot(int n) {
        std::unique_lock lock(m_lock);
        while (!m_bCancelled && n - m_nConsumed >= m_nCapacity)
            Sleep(lock, m_bProducerWaits);
        return m_bCancelled ? nullptr : At(n);
    }
    void Produced(int n) {
        Change([&] {
            m_nProduced = n + 1;
            return m_bConsumerWaits;
        });
    }
    void Fail() {
        Change([&] { return m_bFailed = true; });
    }

    // Row n, once produced; nullptr when the producer failed before it or the queue was ended.
    const std::uint8_t* Wait(int n) {
        std::unique_lock lock(m_lock);
        while (!m_bFailed && !m_bCancelled && n >= m_nProduced)
            Sleep(lock, m_bConsumerWaits);
        return n < m_nProduced ? At(n) : nullptr;
    }
    void Consumed(int n) {
        Change([&] {
            m_nConsumed = n + 1;
            return m_bProducerWaits && m_nProduced - m_nConsumed <= m_nCapacity / 2;
        });
    }
    void Cancel() {
        Change([&] { return m_bCancelled = true; });
    }

  private:
    std::uint8_t* At(int n) {
        return m_buffer.data() + static_cast<std::size_t>(n % m_nCapacity) * m_nRowBytes;
    }
    void Sleep(std::unique_lock<std::mutex>& lock, bool& waits) {
        waits = true;
        m_changed.wait(lock);
        waits = false;
    }
    // change() updates the state under the lock and says whether to wake the other side.
    template <typename Update> void Change(Update change) {
        bool wake = false;
        {
            std::lock_guard lock(m_lock);
            wake = change();
        }
        if (wake)
            m_changed.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::uint8_t> m_buffer;
    int m_nCapacity = 1;
    std::size_t m_nRowBytes = 0;
    int m_nProduced = 0;
    int m_nConsumed = 0;
    bool m_bFailed = false;
    bool m_bCancelled = false;
    bool m_bProducerWaits = false;
    bool m_bConsumerWaits = false;
};

// One decode of one picture. Its decoders run ahead on threads of their own, each filling a
// queue of rows, so that decoding goes on at full speed on one core while libvips' workers
// scale and encode the rows already there on the other; the strips take the rows in order.
class CJpegPixels final : public CStripSource {
  public:
    CJpegPixels(std::string file, CMemoryBudget::CGrant fileGrant, int shrink, int width,
                int height, int bands)
        : m_file(std::move(file)), m_fileGrant(std::move(fileGrant)), m_nShrink(shrink),
          m_nWidth(width), m_nHeight(height), m_nBands(bands) {}
    ~CJpegPixels() override {
        for (Lane& lane : m_lanes)
            lane.queue.Cancel();
        for (Lane& lane : m_lanes)
            if (lane.thread.joinable())
                lane.thread.join();
    }
    CJpegPixels(const CJpegPixels&) = delete;
    CJpegPixels& operator=(const CJpegPixels&) = delete;

    // Reads the header and starts decoding; false for a JPEG left to libvips. Throws when the
    // picture's coefficients are more than the memory budget ever grants.
    bool Open(bool twoThreads) {
        CJpegReader header(Bytes(m_file), m_file.size());
        if (!Prepare(header, JCS_UNKNOWN))
            return false;
        const jpeg_decompress_struct& info = header.Info();
        // A progressive picture is decoded into coefficients for all of it.
        const std::size_t coefficients = info.progressive_mode ? header.CoefficientBytes() : 0;
        // Where the DC scans are split, two decoders hold what one would, so a picture beside
        // another takes the second as well; otherwise each holds every component's
        // coefficients, which only a picture on its own spends.
        if ((twoThreads || std::thread::hardware_concurrency() > 1) &&
            m_nHeight >= kLeastSplitRows && info.progressive_mode &&
            info.jpeg_color_space == JCS_YCbCr && SplitScans(m_file, !twoThreads, m_streams)) {
            if (auto grant = CMemoryBudget::Library().TryTake(
                    m_streams.bDcSplit ? coefficients : 2 * coefficients)) {
                m_bSplit = true;
                m_grant = std::move(*grant);
            }
        }
        if (!m_bSplit && coefficients > 0) {
            auto grant = CMemoryBudget::Library().Take(coefficients);
            if (!grant)
                throw vips::VError("picture too large to hold in memory");
            m_grant = std::move(*grant);
        }
        if (!m_bSplit) {
            Begin(0, m_file, JCS_UNKNOWN, m_nBands);
        } else {
            // Asked for grey, libjpeg skips the chroma components' transforms altogether. The
            // luma lane reads the chroma lane's queue, so that queue is set up first.
            Begin(1, m_streams.chroma, JCS_YCbCr, 3);
            Begin(0, m_streams.luma, JCS_GRAYSCALE, m_nBands);
        }
        return true;
    }

    bool Strip(int top, int rows, std::uint8_t* out, std::size_t stride) override {
        if (top != m_nNextRow)
            return false;
        for (int y = top; y < top + rows; ++y, out += stride)
            if (!Row(y, out))
                return false;
        m_nNextRow = top + rows;
        return true;
    }

  private:
    struct Lane {
        CRowQueue queue;
        std::thread thread;
    };

    static const std::uint8_t* Bytes(const std::string& s) {
        return reinterpret_cast<const std::uint8_t*>(s.data());
    }

    // Reads the header and sets the decode up as libvips' loader does; JCS_UNKNOWN keeps
    // libjpeg's own choice of output colours.
    bool Prepare(CJpegReader& reader, J_COLOR_SPACE colours) {
        const jpeg_decompress_struct& info = reader.Info();
        if (!reader.ReadHeader())
            return false;
        const bool set = reader.Guarded([&](jpeg_decompress_struct& jpeg) {
            jpeg.scale_num = 1;
            jpeg.scale_denom = static_cast<unsigned>(m_nShrink);
            if (colours != JCS_UNKNOWN) {
                jpeg.out_color_space = colours;
                // Each decoder of a split holds final coefficients of the components it is
                // used for; smoothing guesses only at coefficients still to come.
                jpeg.do_block_smoothing = FALSE;
            }
            jpeg_calc_output_dimensions(&jpeg);
        });
        return set && static_cast<int>(info.output_width) == m_nWidth &&
               static_cast<int>(info.output_height) == m_nHeight &&
               (colours != JCS_UNKNOWN || info.output_components == m_nBands);
    }

    // Starts lane n decoding `bytes` into rows of `samples` samples a pixel.
    void Begin(int n, const std::string& bytes, J_COLOR_SPACE colours, int samples) {
        Lane& lane = m_lanes[n];
        lane.queue.Reset(kRowsAhead, static_cast<std::size_t>(m_nWidth) * samples);
        lane.thread = std::thread([this, &lane, &bytes, colours] { Decode(lane, bytes, colours); });
    }

    void Decode(Lane& lane, const std::string& bytes, J_COLOR_SPACE colours) {
        CJpegReader reader(Bytes(bytes), bytes.size());
        if (!Prepare(reader, colours) || !reader.Guarded([colours](jpeg_decompress_struct& jpeg) {
                jpeg_start_decompress(&jpeg);
                // The chroma lane's luma is taken from the other lane, so its transform, a
                // third of this lane's transforms, is skipped.
                if (colours == JCS_YCbCr)
                    jpeg.comp_info[0].component_needed = FALSE;
            }))
            return lane.queue.Fail();
        // The luma lane of a split puts each row together with the chroma lane's, on this
        // thread while the chroma lane transforms the rows below, rather than on the workers,
        // which take the strips one at a time.
        const bool joins = m_bSplit && &lane == &m_lanes[0];
        std::vector<std::uint8_t> luma(joins ? static_cast<std::size_t>(m_nWidth) : 0);
        for (int y = 0; y < m_nHeight; ++y) {
            std::uint8_t* slot = lane.queue.Slot(y);
            if (!slot)
                return;
            std::uint8_t* row = joins ? luma.data() : slot;
            if (!reader.Guarded([row](jpeg_decompress_struct& jpeg) {
                    JSAMPROW rows[1] = {row};
                    jpeg_read_scanlines(&jpeg, rows, 1);
                }))
                return lane.queue.Fail();
            if (joins) {
                const std::uint8_t* chroma = m_lanes[1].queue.Wait(y);
                if (!chroma)
                    return lane.queue.Fail();
                YccToRgb(row, chroma, slot, m_nWidth);
                m_lanes[1].queue.Consumed(y);
            }
            lane.queue.Produced(y);
        }
    }

    bool Row(int y, std::uint8_t* out) {
        const std::uint8_t* row = m_lanes[0].queue.Wait(y);
        if (!row)
            return false;
        std::copy_n(row, static_cast<std::size_t>(m_nWidth) * m_nBands, out);
        m_lanes[0].queue.Consumed(y);
        return true;
    }

    const std::string m_file;
    CMemoryBudget::CGrant m_fileGrant;
    SplitStreams m_streams;
    const int m_nShrink;
    const int m_nWidth;
    const int m_nHeight;
    const int m_nBands;
    bool m_bSplit = false;
    CMemoryBudget::CGrant m_grant; // dropped after the decoders have stopped
    Lane m_lanes[2];
    int m_nNextRow = 0;
};

} // namespace

std::optional<VImage> DecodeJpeg(const std::string& path, int shrink, const VImage& header,
                                 bool twoThreads) {
    if (!FastJpegRoad() || header.format() != VIPS_FORMAT_UCHAR)
        return std::nullopt;
    // The file is read whole, for the decoders to share: a file larger than the budget allows
    // is left to libvips, which reads it as it decodes.
    const auto size = FileSize(path);
    auto fileGrant =
        size ? CMemoryBudget::Library().Take(static_cast<std::size_t>(*size)) : std::nullopt;
    auto bytes = fileGrant ? ReadFileBytes(path, static_cast<std::size_t>(*size)) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    auto pixels = std::make_unique<CJpegPixels>(std::move(*bytes), std::move(*fileGrant), shrink,
                                                header.width(), header.height(), header.bands());
    if (!pixels->Open(twoThreads))
        return std::nullopt;
    return StripImage(std::move(pixels), header, kStripRows);
}

} // namespace vtlimage
