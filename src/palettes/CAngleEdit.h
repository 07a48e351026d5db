#pragma once
// The rotation-angle field beside the "rotate by angle" button: a number
// from -360 to 360 degrees, right aligned.

#include <QLineEdit>

namespace ardane {

class CAngleEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr double kMinAngle = -360;
    static constexpr double kMaxAngle = 360;
    static constexpr int kTextLimit = 4;

    explicit CAngleEdit(QWidget* parent = nullptr);

    // The angle typed, in degrees, within the range; 0 for no number.
    double angle() const;

protected:
    // A number beyond the range is brought into it and written back.
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace ardane
