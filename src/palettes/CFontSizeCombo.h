#pragma once
// The font-size box of the main toolbar: an editable list of point sizes
// whose text is checked when the box loses the focus.

#include <QComboBox>

#include <functional>
#include <vector>

namespace ardane {

class CFontSizeCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kTextLimit = 4;

    // Shows a message to the user (an information box in the program).
    using MessageSink = std::function<void(const QString&)>;

    explicit CFontSizeCombo(QWidget* parent = nullptr);

    void setMessageSink(MessageSink sink) { m_message = std::move(sink); }
    // The face whose sizes the list offers (the font-name box's current face).
    void setFaceSource(std::function<QString()> source) { m_face = std::move(source); }

    // The size typed, in twips, or kNoFontSize / kBadFontSize.
    int twipsFromText() const;
    // Shows the size unless the text already means it, then remembers it as
    // the last valid size.
    void setTwips(int twips);
    int lastValidTwips() const { return m_lastValid; }

    // Refuses an unreadable or out-of-range size with "Invalid font size" and
    // goes back to the last valid one.
    void validate();

    // Fills the list with the sizes of a face: the sizes a bitmap face has, or
    // the usual sizes of a scalable one; then checks the text again, quietly
    // unless it is not a number at all.
    void fillSizes(const QString& face);

    // Sizes offered for a face, in twips, ascending; empty for no face.
    static std::vector<int> sizesForFace(const QString& face);

    // Fills the list for the current face before it drops down.
    void showPopup() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void selectExactItem(const QString& text);

    int m_lastValid = 200;
    MessageSink m_message;
    std::function<QString()> m_face;
};

} // namespace ardane
