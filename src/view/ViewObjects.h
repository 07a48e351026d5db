#pragma once
// The drawing objects over one view: the models in stacking order and a
// window for each. Keeps the windows where their objects are as the view
// scrolls, zooms and moves its margin, finds objects under a point and
// repaints the areas that change.

#include "objects/CGeneralObj.h"

#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>
#include <map>

class QWidget;

namespace ardane {

class CObjectWnd;

class ViewObjects {
public:
    // `viewport` parents the windows; `scroll` gives the view's scroll
    // position (view coordinates of the viewport's top-left).
    ViewObjects(QWidget& viewport, std::function<QPoint()> scroll);
    ~ViewObjects();
    ViewObjects(const ViewObjects&) = delete;
    ViewObjects& operator=(const ViewObjects&) = delete;

    [[nodiscard]] objects::ObjectList& list() { return m_list; }
    [[nodiscard]] const objects::ObjectList& list() const { return m_list; }
    [[nodiscard]] bool empty() const { return m_list.empty(); }

    // Appends an object and shows its window.
    objects::CGeneralObj& add(objects::ObjectPtr object, int windowId);
    // Gives every object in the list that has no window yet one (after a
    // layered file was read into the list).
    void adoptAll(const std::function<int()>& nextWindowId);
    // Closes the object's window and drops it from the list; its area,
    // inflated by `inflate` pixels, is repainted.
    void remove(const objects::CGeneralObj& object, int inflate);
    // Closes every window and empties the list.
    void clear();

    // The object moved, changed size or look: its window follows and the
    // union of the old and new areas, inflated, is repainted.
    void changed(objects::CGeneralObj& object, const objects::Box& before, int inflate);
    // Only the look changed.
    void redraw(const objects::CGeneralObj& object);
    // Every window to its object's place (after scrolling or a margin move).
    void placeAll();
    void setVisible(bool visible);
    [[nodiscard]] bool isVisible() const { return m_visible; }

    // Every object follows a new zoom; `origin` is the display control's
    // top-left in view coordinates.
    void rescaleAll(int zoom, QPoint origin);
    void translateAll(int dx, int dy);
    // Deselects everything; repaints the areas of the objects that were
    // selected, inflated. True when one was.
    bool deselectAll(int inflate);
    void select(objects::CGeneralObj& object, bool on);

    // The topmost object whose rectangle holds the point (view coordinates).
    [[nodiscard]] objects::CGeneralObj* topmostAt(QPoint viewPoint) const;
    // The first selected object, in list order, whose rectangle holds the point.
    [[nodiscard]] objects::CGeneralObj* selectedAt(QPoint viewPoint) const;
    // The first selected object of a kind (any kind but text when `text` is false).
    [[nodiscard]] objects::CGeneralObj* firstSelected(bool text) const;
    [[nodiscard]] bool anySelected() const;
    [[nodiscard]] CObjectWnd* windowOf(const objects::CGeneralObj& object) const;

    // Repaints an area given in view coordinates.
    void repaint(const objects::Box& viewBox);
    // The last area repainted, view coordinates (for the tests).
    [[nodiscard]] const objects::Box& lastRepaint() const { return m_lastRepaint; }

private:
    QWidget& m_viewport;
    std::function<QPoint()> m_scroll;
    objects::ObjectList m_list;
    std::map<const objects::CGeneralObj*, QPointer<CObjectWnd>> m_windows;
    bool m_visible = true;
    objects::Box m_lastRepaint;
};

} // namespace ardane
