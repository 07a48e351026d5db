#pragma once
// The window of one image document inside the main frame. It keeps the main
// frame's status panes in step with its state and asks to save before closing.

#include <QMdiSubWindow>

#include <functional>

namespace ardane {

class CArdaneView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(CArdaneView* view, QWidget* parent = nullptr);
    ~CChildFrame() override;

    [[nodiscard]] CArdaneView* view() const { return m_view; }
    // Decides whether the window may close (the document's "save changes?").
    void setCloseGuard(std::function<bool()> guard) { m_guard = std::move(guard); }
    // Closes without asking (a view whose image could not be loaded).
    void closeWithoutAsking();

signals:
    void refreshRequested();          // focus gained or resized: refresh the status panes
    void minimizedChanged(bool minimized);
    void closing();                   // about to be destroyed: reset the status panes

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    CArdaneView* m_view;
    std::function<bool()> m_guard;
    bool m_force = false;
};

} // namespace ardane
