#pragma once
// Scanners through SANE: a session (sane_init to sane_exit) that lists the
// devices, and an open device (sane_open to sane_close) that reads one image
// into a bitmap. The SANE types stay inside the implementation.
//
// SANE is not reentrant: one session at a time in the process. A second
// session constructed while one lives reports itself as not usable.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ardane::capture {

struct ScannerDevice {
    std::string name; // what sane_open takes, e.g. "test:0"
    std::string vendor;
    std::string model;
    std::string type;
};

enum class ScanError {
    None,
    Cancelled,   // the progress callback asked to stop
    Device,      // the backend reported an error (start, parameters or read)
    Unsupported, // a frame format or depth this reader does not take
    TooLarge,    // more pixels than a bitmap may hold
    NoData,      // the scan ended before one whole line arrived
};

struct ScanResult {
    imaging::Bitmap image;   // null unless error is None
    ScanError error = ScanError::None;
    std::string detail;      // what went wrong, in words (the backend's text where it gave one)
    [[nodiscard]] bool ok() const { return error == ScanError::None; }
};

// Called as data arrives: the fraction done (0..1), or -1 while the length of
// the image is unknown (a hand scanner). Returning false cancels the scan.
using ScanProgress = std::function<bool(double fraction)>;

class SaneDevice;

class SaneSession {
public:
    SaneSession();
    ~SaneSession();
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;

    // False when sane_init failed or another session is alive.
    [[nodiscard]] bool ok() const { return m_ok; }
    // The scanners SANE finds now (local and network); empty when there are none.
    [[nodiscard]] std::vector<ScannerDevice> devices() const;
    // Opens a device by name; null with `error` set when it cannot be opened.
    // The device must go before the session.
    [[nodiscard]] std::unique_ptr<SaneDevice> open(const std::string& name, std::string& error) const;

private:
    bool m_ok = false;
};

class SaneDevice {
public:
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    // Reads one image with the device's current settings: 8-bit grey from a
    // grey frame (1-bit line art becomes black and white greys), 24-bit from
    // an RGB frame or the three frames of a three-pass scanner.
    [[nodiscard]] ScanResult scan(const ScanProgress& progress = {});

private:
    friend class SaneSession;
    explicit SaneDevice(void* handle) : m_handle(handle) {}
    [[nodiscard]] int resolution() const;

    void* m_handle; // SANE_Handle
};

} // namespace ardane::capture
