#pragma once
// The text entry box, one for the whole program: a borderless multi-line
// field laid over the text object being edited. It accepts Return, does not
// scroll, and grows by 15 pixels on every side when the typed text reaches
// its edge. When it loses the input focus (or the view ends the edit) it
// hides and hands the text and its rectangle to whoever began the edit.

#include <QFont>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>


namespace ardane {

class CTextEditWnd : public QObject {
    Q_OBJECT
public:
    static constexpr int kGrowth = 15;
    // The edit field's control id.
    static constexpr int kFieldId = 1041;

    // The text and the box's rectangle (in its parent's coordinates).
    using EndHandler = std::function<void(const QString& text, const QRect& rect)>;

    CTextEditWnd();
    ~CTextEditWnd() override;

    // Lays the box over `rect` of `parent`, fills it with `text` and gives
    // it the focus. A running edit ends first.
    void begin(QWidget* parent, const QRect& rect, const QString& text, const QFont& font, EndHandler onEnd);
    // Ends the running edit, if any: hides the box and calls the handler.
    void end();
    [[nodiscard]] bool isVisible() const;
    // The box's field while it is shown (null otherwise).
    [[nodiscard]] QPlainTextEdit* field() const { return m_field; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void grow();

    QPointer<QPlainTextEdit> m_field;
    EndHandler m_onEnd;
    bool m_ending = false;
};

} // namespace ardane
