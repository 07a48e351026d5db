#include "capture/CScannerCtrl.h"

#include "capture/ScannerChooser.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <cmath>

namespace ardane::capture {

namespace {

const QString kObjectName = QStringLiteral("scannerControl");
constexpr int kProgressSteps = 1000;

} // namespace

CScannerCtrl::CScannerCtrl(QWidget* parent) : CImagingCtrl(kControlId, parent)
{
    setObjectName(kObjectName);
    setGeometry(0, 0, 20, 20);
    // It only keeps the picture; the new view shows it.
    hide();
}

CScannerCtrl::~CScannerCtrl() = default;

CScannerCtrl& CScannerCtrl::of(QWidget& frame)
{
    if (auto* existing = frame.findChild<CScannerCtrl*>(kObjectName, Qt::FindDirectChildrenOnly))
        return *existing;
    return *new CScannerCtrl(&frame);
}

int CScannerCtrl::SelectScanner(QWidget* owner)
{
    m_device.clear();
    m_session.reset(); // a fresh look at what is plugged in now
    m_session = std::make_unique<SaneSession>();
    if (!m_session->ok()) {
        m_session.reset();
        return kNoScanner;
    }
    const std::vector<ScannerDevice> devices = m_session->devices();
    if (devices.empty()) {
        m_session.reset();
        return kNoScanner;
    }
    std::size_t chosen = 0;
    if (devices.size() > 1) {
        const auto answer = ScannerChooser::choose(devices, owner);
        if (!answer || *answer >= devices.size()) {
            m_session.reset();
            return kNoScanner;
        }
        chosen = *answer;
    }
    m_device = devices[chosen].name;
    return kOk;
}

int CScannerCtrl::Acquire(QWidget* owner)
{
    m_error.clear();
    if (!m_session)
        m_session = std::make_unique<SaneSession>();
    // The session goes when this scan is over, whichever way it ends.
    const std::unique_ptr<SaneSession> session = std::move(m_session);
    std::unique_ptr<SaneDevice> device = session->open(m_device, m_error);
    if (!device)
        return kScanFailed;

    QProgressDialog progress(QStringLiteral("Acquiring image from scanner..."), QStringLiteral("Cancel"), 0,
                             kProgressSteps, owner);
    progress.setWindowTitle(QStringLiteral("Scanner"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.show();
    QCoreApplication::processEvents();
    ScanResult result = device->scan([&progress](double fraction) {
        if (fraction < 0) {
            progress.setRange(0, 0); // length unknown: a busy bar
        } else {
            progress.setRange(0, kProgressSteps);
            progress.setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * kProgressSteps)));
        }
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.hide();
    device.reset(); // before the session ends
    if (!result.ok()) {
        m_error = result.detail;
        return result.error == ScanError::Cancelled ? kScanCancelled : kScanFailed;
    }
    control().SetImageHandle(result.image);
    return kOk;
}

} // namespace ardane::capture
