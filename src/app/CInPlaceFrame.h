#pragma once
// The frame an Ardane document would have while edited in place inside
// another program's window: a resize bar round the view, a drop target, and
// a Copy/Paste toolbar put into the container's frame. The program does not
// run embedded; the frame keeps this minimal behaviour.

#include "palettes/CommandBars.h"

#include <QPointer>
#include <QWidget>

class QMainWindow;
class QSizeGrip;
class QToolBar;

namespace ardane {

class CInPlaceFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kResizeBarId = ID_INPLACE_RESIZE_BAR;
    static constexpr int kToolBarId = ID_VIEW_TOOLBAR;

    explicit CInPlaceFrame(QWidget* parent = nullptr);
    // Takes the toolbar out of the container's frame.
    ~CInPlaceFrame() override;

    // The resize bar and the drop target; false when either cannot be made.
    [[nodiscard]] bool create();
    // The Copy and Paste toolbar, docked at the top of the container's frame
    // and dockable on every side of it.
    [[nodiscard]] bool createControlBars(QMainWindow& container, const ActionProvider& actions);

    [[nodiscard]] QSizeGrip* resizeBar() const { return m_resizeBar; }
    [[nodiscard]] QToolBar* toolBar() const { return m_toolBar; }

private:
    QSizeGrip* m_resizeBar = nullptr;   // child of this frame
    QPointer<QToolBar> m_toolBar;       // lives in the container's window, owned here
};

} // namespace ardane
