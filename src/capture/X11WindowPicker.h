#pragma once
// The window under a point of an X11 screen, found with xcb queries: the
// top-level child of the root there (the window manager's frame when one runs)
// and, inside it, the client window that carries WM_STATE.

#include "capture/CaptureTarget.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace ardane::capture {

class X11WindowPicker {
public:
    // The program's own connection when it runs on X11; unusable otherwise.
    X11WindowPicker();
    // An existing connection and the root of the screen to search.
    X11WindowPicker(xcb_connection_t* connection, std::uint32_t root);

    [[nodiscard]] bool isValid() const { return m_connection != nullptr && m_root != 0; }
    // The root window's rectangle: the whole screen.
    [[nodiscard]] QRect screenRect() const;
    // Whole screen for the desktop, the frame rectangle for a click on a
    // window's caption or border, the client rectangle for a click inside it.
    [[nodiscard]] CaptureTarget pickAt(const QPoint& screenPoint) const;
    // The pointer's position on the root, if the pointer is on this screen.
    [[nodiscard]] std::optional<QPoint> pointerPosition() const;

private:
    [[nodiscard]] std::uint32_t childAt(std::uint32_t parent, const QPoint& point) const;
    [[nodiscard]] std::uint32_t clientOf(std::uint32_t frame) const;
    [[nodiscard]] bool hasWmState(std::uint32_t window) const;
    // Inside (without border) or outside (with border) rectangle in root coordinates.
    [[nodiscard]] std::optional<QRect> windowRect(std::uint32_t window, bool withBorder) const;

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_wmState = 0;
};

// Empties the title a window shows in its frame (Qt would name an untitled
// window after the program). Does nothing off X11.
void clearX11WindowTitle(std::uint32_t window);

} // namespace ardane::capture
