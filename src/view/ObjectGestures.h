#pragma once
// The two mouse gestures of the drawing-object tools, fed press, moves and
// release in view coordinates by the view: the rubber band that drags out
// a new object, and the drag of a selected object's handle or inside. Both
// show their feedback on an overlay over the view's client area: a light
// grey outline drawn inverted over what lies under it.

#include "objects/CObjTracker.h"
#include "objects/ObjectGeometry.h"

#include <QPolygon>
#include <QWidget>

#include <optional>

namespace ardane {

// A transparent window over the client area that draws one inverted
// outline: a polygon, an ellipse in a box, or a line.
class FeedbackOverlay : public QWidget {
    Q_OBJECT
public:
    enum class Shape { None, Polygon, Ellipse, Line };
    explicit FeedbackOverlay(QWidget* viewport);
    // Points in the viewport's coordinates.
    void show(Shape shape, const QPolygon& points);
    void clear();
    [[nodiscard]] Shape shape() const { return m_shape; }
    [[nodiscard]] const QPolygon& points() const { return m_points; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape m_shape = Shape::None;
    QPolygon m_points;
};

// The band dragged by the text, ellipse, line and rectangle tools, held
// inside `bounds` (view coordinates: the display control's rectangle).
class RubberBand {
public:
    enum class Mode { Rectangle, Ellipse, Line };
    RubberBand(Mode mode, const objects::Box& bounds, QPoint press);

    void moveTo(QPoint viewPoint);
    [[nodiscard]] Mode mode() const { return m_mode; }
    // The tracked points: the press alone until the pointer moved, then the
    // press and the last position.
    [[nodiscard]] QPolygon points() const;
    [[nodiscard]] FeedbackOverlay::Shape feedbackShape() const;

private:
    [[nodiscard]] QPoint clamped(QPoint p) const;
    Mode m_mode;
    objects::Box m_bounds;
    QPoint m_press;
    std::optional<QPoint> m_current;
};

// What the band makes: the box of a new object, or nothing. A line takes
// the two tracked points as they are; the other tools need a box at least
// 4 pixels wide or high, and a text box narrower or lower than 20 pixels
// grows by 20 on each side in that direction.
struct NewObjectBox {
    objects::Box box;
    QPoint press, release;
};
[[nodiscard]] std::optional<NewObjectBox> newObjectBox(const QPolygon& tracked, bool text, bool line);

// The drag of a selected object's handle or inside (whatever lies under
// the press), confined to `client` (view coordinates of the client area).
class ObjectDrag {
public:
    ObjectDrag(const objects::ObjPoints& points, QPoint press, const objects::Box& client);
    [[nodiscard]] int hit() const { return m_tracker.hit(); }
    void moveTo(QPoint viewPoint);
    [[nodiscard]] const objects::ObjPoints& points() const { return m_points; }
    [[nodiscard]] bool moved() const { return m_moved; }

private:
    objects::CObjTracker m_tracker;
    QPoint m_press;
    objects::Box m_client;
    objects::ObjPoints m_points;
    bool m_moved = false;
};

} // namespace ardane
