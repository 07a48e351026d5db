#pragma once
// The preview of a visual patching run: a child window of the view's
// viewport over the selection's place, shaped by the selection's outline,
// showing what lies under the outline where the user has moved it. It takes
// no mouse input (the moves and the ending click reach the image beneath)
// and lives only as long as the run.

#include <QImage>
#include <QPolygon>
#include <QWidget>

namespace ardane {

class CPatchWnd : public QWidget {
    Q_OBJECT
public:
    // `outline` in viewport pixels (already scaled by the zoom); the window
    // covers its bounding box and keeps the points relative to that corner.
    CPatchWnd(int id, int shape, const QPolygon& outline, QWidget* viewport);

    [[nodiscard]] int windowId() const { return m_id; }
    [[nodiscard]] int shape() const { return m_shape; }
    // The outline relative to the window's top-left corner.
    [[nodiscard]] const QPolygon& outline() const { return m_outline; }
    // What the window shows, drawn at its top-left (clipped by its region).
    void setContent(QImage content);
    [[nodiscard]] const QImage& content() const { return m_content; }

    // A new id for every preview window made.
    [[nodiscard]] static int nextId();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_id;
    int m_shape;
    QPolygon m_outline;
    QImage m_content;
};

} // namespace ardane
