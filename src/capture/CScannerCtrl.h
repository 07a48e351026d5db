#pragma once
// The scanner control: an imaging control the application keeps for the
// whole run, which lets the user pick a scanner and then holds the picture
// scanned from it until a new document takes it over.

#include "capture/SaneSession.h"
#include "view/CImagingCtrl.h"

#include <memory>
#include <string>

namespace ardane::capture {

class CScannerCtrl : public CImagingCtrl {
    Q_OBJECT
public:
    static constexpr int kControlId = 120;

    // Results of SelectScanner and Acquire.
    enum : int { kOk = 0, kNoScanner = 1, kScanFailed = 2, kScanCancelled = 3 };

    explicit CScannerCtrl(QWidget* parent);
    ~CScannerCtrl() override;

    // The frame's scanner control, made on first use (a hidden child of the frame).
    [[nodiscard]] static CScannerCtrl& of(QWidget& frame);

    // Finds the scanners: one is taken at once, several are offered in a
    // dialog owned by `owner`. kOk with a scanner chosen; kNoScanner when
    // there is none or the user cancels.
    [[nodiscard]] int SelectScanner(QWidget* owner);
    // Scans one picture from the chosen scanner into this control, with a
    // progress dialog whose Cancel stops the scanner. kOk on success; else the
    // control's picture is left as it was.
    [[nodiscard]] int Acquire(QWidget* owner);

    [[nodiscard]] const std::string& selectedScanner() const { return m_device; }
    // What went wrong in the last Acquire, in words.
    [[nodiscard]] const std::string& lastError() const { return m_error; }

private:
    std::unique_ptr<SaneSession> m_session; // from SelectScanner to the end of Acquire
    std::string m_device;
    std::string m_error;
};

} // namespace ardane::capture
