#pragma once
// The modeless dialogs the program keeps from start-up to exit (Enhance
// Image and the three intensity adjustments, with the one snapshot they
// share), and the colour planes dialog a separation opens.

#include "imaging/ImagingControl.h"
#include "view/Adjusters.h"

#include <QPointer>

class QWidget;

namespace ardane {

class CArdaneView;
class CEnhanceDlg;
class CPreciseAdjustDlg;
class CCurveAdjustDlg;
class CFlatAdjustDlg;

class ModelessDialogs {
public:
    // The dialogs are created hidden, as tool windows of `owner`, which
    // owns them.
    explicit ModelessDialogs(QWidget* owner);
    ModelessDialogs(const ModelessDialogs&) = delete;
    ModelessDialogs& operator=(const ModelessDialogs&) = delete;

    [[nodiscard]] AdjustDialogs handles() const;
    // A colour planes dialog for the view's separation, shown; it deletes
    // itself when closed.
    [[nodiscard]] PlanesPanel* openPlanes(CArdaneView& view) const;

private:
    QWidget* m_owner;
    imaging::ImagingControl m_snapshot;
    QPointer<CEnhanceDlg> m_enhance;
    QPointer<CPreciseAdjustDlg> m_precise;
    QPointer<CCurveAdjustDlg> m_curve;
    QPointer<CFlatAdjustDlg> m_flat;
};

} // namespace ardane
