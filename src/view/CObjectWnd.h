#pragma once
// The window of one drawing object over the view: it shows the object's
// shape (the image shows through around it) and, while the object is
// selected, its tracker. Presses pass through it to the view, which does
// the hit testing, so the window only paints.

#include "objects/CGeneralObj.h"

#include <QWidget>

namespace ardane {

class CObjectWnd : public QWidget {
    Q_OBJECT
public:
    // Pixels the window reaches past the object on every side, for the handles.
    static constexpr int kHandleMargin = 4;

    // `object` outlives the window (the view's object list owns both).
    CObjectWnd(int id, objects::CGeneralObj& object, QWidget* parent);

    [[nodiscard]] int windowId() const { return m_id; }
    [[nodiscard]] objects::CGeneralObj& object() const { return m_object; }
    // Moves and sizes the window to the object's rectangle less the scroll
    // position.
    void place(QPoint scroll);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_id;
    objects::CGeneralObj& m_object;
};

} // namespace ardane
