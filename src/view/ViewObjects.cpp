#include "view/ViewObjects.h"

#include "view/CObjectWnd.h"

#include <algorithm>

namespace ardane {

using objects::Box;
using objects::CGeneralObj;

ViewObjects::ViewObjects(QWidget& viewport, std::function<QPoint()> scroll)
    : m_viewport(viewport), m_scroll(std::move(scroll))
{
}

ViewObjects::~ViewObjects()
{
    clear();
}

CGeneralObj& ViewObjects::add(objects::ObjectPtr object, int windowId)
{
    CGeneralObj& o = *object;
    m_list.push_back(std::move(object));
    auto* w = new CObjectWnd(windowId, o, &m_viewport); // owned by the viewport
    m_windows[&o] = w;
    w->place(m_scroll());
    w->setVisible(m_visible);
    w->raise();
    return o;
}

void ViewObjects::adoptAll(const std::function<int()>& nextWindowId)
{
    for (const objects::ObjectPtr& o : m_list) {
        if (m_windows.count(o.get()))
            continue;
        auto* w = new CObjectWnd(nextWindowId(), *o, &m_viewport);
        m_windows[o.get()] = w;
        w->place(m_scroll());
        w->setVisible(m_visible);
        w->raise();
    }
}

void ViewObjects::remove(const CGeneralObj& object, int inflate)
{
    const auto it = std::find_if(m_list.begin(), m_list.end(),
                                 [&object](const objects::ObjectPtr& o) { return o.get() == &object; });
    if (it == m_list.end())
        return;
    const Box area = object.windowRect().inflated(inflate);
    if (const auto w = m_windows.find(&object); w != m_windows.end()) {
        delete w->second.data();
        m_windows.erase(w);
    }
    m_list.erase(it); // the object goes here: `object` is not used after
    repaint(area);
}

void ViewObjects::clear()
{
    for (auto& [object, window] : m_windows)
        delete window.data();
    m_windows.clear();
    m_list.clear();
}

void ViewObjects::changed(CGeneralObj& object, const Box& before, int inflate)
{
    if (CObjectWnd* w = windowOf(object)) {
        w->place(m_scroll());
        w->update();
    }
    const Box after = object.windowRect();
    repaint(Box{std::min(before.left, after.left), std::min(before.top, after.top), std::max(before.right, after.right),
                std::max(before.bottom, after.bottom)}
                .inflated(inflate));
}

void ViewObjects::redraw(const CGeneralObj& object)
{
    if (CObjectWnd* w = windowOf(object))
        w->update();
}

void ViewObjects::placeAll()
{
    const QPoint scroll = m_scroll();
    for (auto& [object, window] : m_windows)
        if (window)
            window->place(scroll);
}

void ViewObjects::setVisible(bool visible)
{
    m_visible = visible;
    for (auto& [object, window] : m_windows)
        if (window)
            window->setVisible(visible);
}

void ViewObjects::rescaleAll(int zoom, QPoint origin)
{
    for (const objects::ObjectPtr& o : m_list)
        o->RescaleToZoom(zoom, origin);
    placeAll();
    for (auto& [object, window] : m_windows)
        if (window)
            window->update();
}

void ViewObjects::translateAll(int dx, int dy)
{
    for (const objects::ObjectPtr& o : m_list)
        o->translate(dx, dy);
    placeAll();
}

bool ViewObjects::deselectAll(int inflate)
{
    bool any = false;
    for (const objects::ObjectPtr& o : m_list) {
        if (!o->isSelected())
            continue;
        o->setSelected(false);
        any = true;
        redraw(*o);
        repaint(o->windowRect().inflated(inflate));
    }
    return any;
}

void ViewObjects::select(CGeneralObj& object, bool on)
{
    if (object.isSelected() == on)
        return;
    object.setSelected(on);
    redraw(object);
}

CGeneralObj* ViewObjects::topmostAt(QPoint p) const
{
    for (auto it = m_list.rbegin(); it != m_list.rend(); ++it) {
        const Box& b = (*it)->windowRect();
        if (p.x() >= b.left && p.x() < b.right && p.y() >= b.top && p.y() < b.bottom)
            return it->get();
    }
    return nullptr;
}

CGeneralObj* ViewObjects::selectedAt(QPoint p) const
{
    for (const objects::ObjectPtr& o : m_list) {
        const Box& b = o->windowRect();
        if (o->isSelected() && p.x() >= b.left && p.x() < b.right && p.y() >= b.top && p.y() < b.bottom)
            return o.get();
    }
    return nullptr;
}

CGeneralObj* ViewObjects::firstSelected(bool text) const
{
    for (const objects::ObjectPtr& o : m_list)
        if (o->isSelected() && (o->kind() == objects::ObjectKind::Text) == text)
            return o.get();
    return nullptr;
}

bool ViewObjects::anySelected() const
{
    return std::any_of(m_list.begin(), m_list.end(), [](const objects::ObjectPtr& o) { return o->isSelected(); });
}

CObjectWnd* ViewObjects::windowOf(const CGeneralObj& object) const
{
    const auto it = m_windows.find(&object);
    return it == m_windows.end() ? nullptr : it->second.data();
}

void ViewObjects::repaint(const Box& viewBox)
{
    m_lastRepaint = viewBox;
    m_viewport.update(viewBox.toQRect().translated(-m_scroll()));
}

} // namespace ardane
