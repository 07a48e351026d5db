#include "capture/CCaptureDlg.h"

#include "capture/X11WindowPicker.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace ardane::capture {

QStringList CCaptureDlg::texts()
{
    return {QStringLiteral("Capture entire screen or a window or area inside a window"),
            QStringLiteral("Click on this window then"),
            QStringLiteral("- To capture entire window: Click on the caption of a window."),
            QStringLiteral("- To capture area inside  a window: Click on the area"),
            QStringLiteral("- To capture entire screen: Click anywhere on the desktop")};
}

CCaptureDlg::CCaptureDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(6);
    const QStringList lines = texts();
    for (int i = 0; i < lines.size(); ++i) {
        auto* label = new QLabel(lines[i], this);
        // Clicks on the texts count as clicks on the dialog.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(label);
        if (i == 1)
            layout->addSpacing(6);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CCaptureDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Qt puts the program's name on an untitled window; this one has none.
    clearX11WindowTitle(std::uint32_t(winId()));
}

void CCaptureDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

} // namespace ardane::capture
