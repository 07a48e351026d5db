#include "app/ModelessDialogs.h"

#include "dialogs/CColorPlanesDlg.h"
#include "dialogs/CEnhanceDlg.h"
#include "dialogs/CurveAdjustDlg.h"
#include "dialogs/FlatAdjustDlg.h"
#include "dialogs/PreciseAdjustDlg.h"

namespace ardane {

ModelessDialogs::ModelessDialogs(QWidget* owner)
    : m_owner(owner)
    , m_enhance(new CEnhanceDlg(m_snapshot, owner))
    , m_precise(new CPreciseAdjustDlg(m_snapshot, owner))
    , m_curve(new CCurveAdjustDlg(m_snapshot, owner))
    , m_flat(new CFlatAdjustDlg(m_snapshot, owner))
{
}

AdjustDialogs ModelessDialogs::handles() const
{
    return {m_enhance.data(), m_precise.data(), m_curve.data(), m_flat.data()};
}

PlanesPanel* ModelessDialogs::openPlanes(CArdaneView& view) const
{
    auto* dialog = new CColorPlanesDlg(view, m_owner);
    dialog->show();
    return dialog;
}

} // namespace ardane
