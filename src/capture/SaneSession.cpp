#include "capture/SaneSession.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include <signal.h>

namespace ardane::capture {

namespace {

bool g_sessionAlive = false;
// Backends hand the data over through pipes from a reader process or thread;
// a write into a pipe the frontend has stopped reading (a cancelled scan)
// must not end the program.
struct sigaction g_oldPipeAction {};

constexpr std::size_t kChunkBytes = 64 * 1024;
// Reads allowed after sane_cancel while the backend winds the scan down.
constexpr int kDrainReads = 100000;
// A three-pass scanner sends red, green and blue as frames of their own.
constexpr int kMaxFrames = 3;

[[nodiscard]] SANE_Handle handleOf(void* h) { return static_cast<SANE_Handle>(h); }

[[nodiscard]] std::string statusText(SANE_Status status)
{
    const char* text = sane_strstatus(status);
    return text ? std::string(text) : std::string("unknown status");
}

[[nodiscard]] std::string str(const char* s) { return s ? std::string(s) : std::string(); }

// Ends the acquisition however the reading goes: SANE wants sane_cancel after
// every scan, finished or not.
class ScanEnd {
public:
    explicit ScanEnd(SANE_Handle h) : m_h(h) {}
    ~ScanEnd() { sane_cancel(m_h); }
    ScanEnd(const ScanEnd&) = delete;
    ScanEnd& operator=(const ScanEnd&) = delete;

private:
    SANE_Handle m_h;
};

// Bytes one line needs at least.
[[nodiscard]] std::int64_t neededLineBytes(const SANE_Parameters& p)
{
    const std::int64_t w = p.pixels_per_line;
    if (p.format == SANE_FRAME_RGB)
        return w * 3;
    return p.depth == 1 ? (w + 7) / 8 : w;
}

// Whether this reader takes the frame; why not in `why`.
[[nodiscard]] ScanError checkFrame(const SANE_Parameters& p, std::string& why)
{
    switch (p.format) {
    case SANE_FRAME_GRAY:
        if (p.depth != 8 && p.depth != 1) {
            why = "grey scans of " + std::to_string(p.depth) + " bits per sample are not supported";
            return ScanError::Unsupported;
        }
        break;
    case SANE_FRAME_RGB:
    case SANE_FRAME_RED:
    case SANE_FRAME_GREEN:
    case SANE_FRAME_BLUE:
        if (p.depth != 8) {
            why = "colour scans of " + std::to_string(p.depth) + " bits per sample are not supported";
            return ScanError::Unsupported;
        }
        break;
    default:
        why = "frame format " + std::to_string(int(p.format)) + " is not supported";
        return ScanError::Unsupported;
    }
    if (p.pixels_per_line <= 0 || p.lines == 0 || p.lines < -1) {
        why = "the scanner reported an empty image";
        return ScanError::Device;
    }
    if (p.pixels_per_line > imaging::kMaxSide || p.lines > imaging::kMaxSide
        || (p.lines > 0 && !imaging::Bitmap::isValidSize(p.pixels_per_line, p.lines))) {
        why = "the image is too large";
        return ScanError::TooLarge;
    }
    if (p.bytes_per_line < neededLineBytes(p)) {
        why = "the scanner reported fewer bytes per line than its pixels need";
        return ScanError::Device;
    }
    return ScanError::None;
}

struct Frame {
    SANE_Parameters params{};
    std::vector<std::uint8_t> bytes;

    [[nodiscard]] int lines() const
    {
        const std::int64_t whole = std::int64_t(bytes.size()) / params.bytes_per_line;
        return int(params.lines > 0 ? std::min<std::int64_t>(whole, params.lines) : whole);
    }
};

class FrameReader {
public:
    FrameReader(SANE_Handle h, const ScanProgress& progress) : m_h(h), m_progress(progress) {}

    // Reads the data of one frame up to its end.
    [[nodiscard]] ScanError read(Frame& frame, int index, int count, std::string& detail)
    {
        const SANE_Parameters& p = frame.params;
        const std::int64_t bpl = p.bytes_per_line;
        const std::int64_t expected = p.lines > 0 ? bpl * p.lines : -1;
        // Without a known height the image grows line by line up to the limits.
        const std::int64_t maxLines =
            std::min<std::int64_t>(imaging::kMaxSide, imaging::kMaxPixels / p.pixels_per_line);
        const std::int64_t cap = expected > 0 ? expected : bpl * maxLines;
        try {
            if (expected > 0)
                frame.bytes.reserve(std::size_t(expected));
            std::vector<SANE_Byte> chunk(kChunkBytes);
            for (;;) {
                SANE_Int length = 0;
                const SANE_Status status = sane_read(m_h, chunk.data(), SANE_Int(chunk.size()), &length);
                if (status == SANE_STATUS_EOF)
                    return ScanError::None;
                if (status != SANE_STATUS_GOOD) {
                    detail = statusText(status);
                    return status == SANE_STATUS_CANCELLED ? ScanError::Cancelled : ScanError::Device;
                }
                if (length < 0 || std::size_t(length) > chunk.size()) {
                    detail = "the scanner returned an invalid amount of data";
                    return ScanError::Device;
                }
                const std::int64_t room = cap - std::int64_t(frame.bytes.size());
                if (expected < 0 && length > room) {
                    detail = "the image is too large";
                    return ScanError::TooLarge;
                }
                // Anything past the announced height is dropped.
                const std::int64_t take = std::min<std::int64_t>(length, room);
                frame.bytes.insert(frame.bytes.end(), chunk.begin(), chunk.begin() + take);
                const double fraction = expected > 0
                    ? (index + double(frame.bytes.size()) / double(expected)) / count
                    : -1.0;
                if (m_progress && !m_progress(fraction)) {
                    detail = cancel();
                    return ScanError::Cancelled;
                }
            }
        } catch (const std::bad_alloc&) {
            detail = "not enough memory for the image";
            return ScanError::TooLarge;
        }
    }

private:
    // Asks the backend to stop and reads until it confirms; returns its word.
    [[nodiscard]] std::string cancel()
    {
        sane_cancel(m_h);
        std::array<SANE_Byte, 4096> sink{};
        SANE_Status status = SANE_STATUS_GOOD;
        for (int i = 0; i < kDrainReads && status == SANE_STATUS_GOOD; ++i) {
            SANE_Int length = 0;
            status = sane_read(m_h, sink.data(), SANE_Int(sink.size()), &length);
        }
        return statusText(status);
    }

    SANE_Handle m_h;
    const ScanProgress& m_progress;
};

[[nodiscard]] int channelOf(SANE_Frame format)
{
    return format == SANE_FRAME_RED ? 0 : format == SANE_FRAME_GREEN ? 1 : 2;
}

[[nodiscard]] ScanResult failure(ScanError error, std::string detail)
{
    ScanResult r;
    r.error = error;
    r.detail = std::move(detail);
    return r;
}

[[nodiscard]] ScanResult fromSingleFrame(const Frame& f)
{
    const int w = f.params.pixels_per_line;
    const int h = f.lines();
    if (h <= 0)
        return failure(ScanError::NoData, "the scan ended before a whole line arrived");
    const bool colour = f.params.format == SANE_FRAME_RGB;
    imaging::Bitmap bitmap = imaging::Bitmap::create(w, h, colour ? 24 : 8);
    if (bitmap.isNull())
        return failure(ScanError::TooLarge, "not enough memory for the image");
    QImage& image = bitmap.image();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = f.bytes.data() + std::size_t(y) * std::size_t(f.params.bytes_per_line);
        uchar* dst = image.scanLine(y);
        if (colour) {
            std::memcpy(dst, src, std::size_t(w) * 3);
        } else if (f.params.depth == 8) {
            std::memcpy(dst, src, std::size_t(w));
        } else {
            // Line art: the first pixel in the high bit, a set bit is black.
            for (int x = 0; x < w; ++x)
                dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 0 : 255;
        }
    }
    ScanResult r;
    r.image = bitmap;
    return r;
}

[[nodiscard]] ScanResult fromPlanes(const std::array<const Frame*, 3>& planes)
{
    for (const Frame* p : planes) {
        if (!p)
            return failure(ScanError::Device, "the scanner did not send all three colour frames");
    }
    const int w = planes[0]->params.pixels_per_line;
    int h = imaging::kMaxSide;
    for (const Frame* p : planes) {
        if (p->params.pixels_per_line != w)
            return failure(ScanError::Unsupported, "the colour frames differ in width");
        h = std::min(h, p->lines());
    }
    if (h <= 0)
        return failure(ScanError::NoData, "the scan ended before a whole line arrived");
    imaging::Bitmap bitmap = imaging::Bitmap::create(w, h, 24);
    if (bitmap.isNull())
        return failure(ScanError::TooLarge, "not enough memory for the image");
    QImage& image = bitmap.image();
    for (int y = 0; y < h; ++y) {
        uchar* dst = image.scanLine(y);
        for (int c = 0; c < 3; ++c) {
            const std::uint8_t* src =
                planes[c]->bytes.data() + std::size_t(y) * std::size_t(planes[c]->params.bytes_per_line);
            for (int x = 0; x < w; ++x)
                dst[x * 3 + c] = src[x];
        }
    }
    ScanResult r;
    r.image = bitmap;
    return r;
}

} // namespace

SaneSession::SaneSession()
{
    if (g_sessionAlive)
        return;
    SANE_Int version = 0;
    if (sane_init(&version, nullptr) != SANE_STATUS_GOOD)
        return;
    g_sessionAlive = true;
    m_ok = true;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_oldPipeAction);
}

SaneSession::~SaneSession()
{
    if (!m_ok)
        return;
    sane_exit();
    sigaction(SIGPIPE, &g_oldPipeAction, nullptr);
    g_sessionAlive = false;
}

std::vector<ScannerDevice> SaneSession::devices() const
{
    std::vector<ScannerDevice> found;
    if (!m_ok)
        return found;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list)
        return found;
    for (const SANE_Device** d = list; *d; ++d) {
        if (!(*d)->name)
            continue;
        found.push_back({str((*d)->name), str((*d)->vendor), str((*d)->model), str((*d)->type)});
    }
    return found;
}

std::unique_ptr<SaneDevice> SaneSession::open(const std::string& name, std::string& error) const
{
    if (!m_ok) {
        error = "the scanner library could not be started";
        return nullptr;
    }
    if (name.empty()) {
        error = "no scanner chosen";
        return nullptr;
    }
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(name.c_str(), &handle);
    if (status != SANE_STATUS_GOOD || !handle) {
        error = statusText(status);
        return nullptr;
    }
    return std::unique_ptr<SaneDevice>(new SaneDevice(handle));
}

SaneDevice::~SaneDevice()
{
    sane_close(handleOf(m_handle));
}

int SaneDevice::resolution() const
{
    const SANE_Handle h = handleOf(m_handle);
    SANE_Int count = 0;
    if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return 0;
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (!d || !d->name || std::strcmp(d->name, SANE_NAME_SCAN_RESOLUTION) != 0)
            continue;
        if (!SANE_OPTION_IS_ACTIVE(d->cap) || d->size < SANE_Int(sizeof(SANE_Word))
            || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED))
            return 0;
        // An option may be an array; its first element is the resolution.
        std::vector<SANE_Word> value(std::size_t(d->size) / sizeof(SANE_Word) + 1);
        if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
            return 0;
        const double dpi = d->type == SANE_TYPE_FIXED ? SANE_UNFIX(value[0]) : double(value[0]);
        return dpi >= 1.0 && dpi <= 32767.0 ? int(std::lround(dpi)) : 0;
    }
    return 0;
}

ScanResult SaneDevice::scan(const ScanProgress& progress)
{
    const SANE_Handle h = handleOf(m_handle);
    const int dpi = resolution();
    const SANE_Status started = sane_start(h);
    if (started != SANE_STATUS_GOOD)
        return failure(started == SANE_STATUS_CANCELLED ? ScanError::Cancelled : ScanError::Device,
                       statusText(started));
    const ScanEnd end(h);

    FrameReader reader(h, progress);
    std::array<Frame, kMaxFrames> frames;
    std::array<const Frame*, 3> planes{};
    for (int index = 0; index < kMaxFrames; ++index) {
        if (index > 0) {
            const SANE_Status next = sane_start(h);
            if (next != SANE_STATUS_GOOD)
                return failure(ScanError::Device, statusText(next));
        }
        Frame& frame = frames[std::size_t(index)];
        const SANE_Status got = sane_get_parameters(h, &frame.params);
        if (got != SANE_STATUS_GOOD)
            return failure(ScanError::Device, statusText(got));
        std::string detail;
        if (const ScanError bad = checkFrame(frame.params, detail); bad != ScanError::None)
            return failure(bad, detail);
        const bool single = frame.params.format == SANE_FRAME_GRAY || frame.params.format == SANE_FRAME_RGB;
        if (single && index > 0)
            return failure(ScanError::Unsupported, "a grey or colour frame followed a colour plane");
        if (const ScanError bad = reader.read(frame, index, single ? 1 : 3, detail); bad != ScanError::None)
            return failure(bad, detail);
        ScanResult result;
        if (single) {
            result = fromSingleFrame(frame);
        } else {
            planes[std::size_t(channelOf(frame.params.format))] = &frame;
            if (!frame.params.last_frame && index + 1 < kMaxFrames)
                continue;
            result = fromPlanes(planes);
        }
        if (result.ok() && dpi > 0)
            result.image.setResolution(dpi, dpi);
        return result;
    }
    return failure(ScanError::Device, "the scanner did not end the image");
}

} // namespace ardane::capture
