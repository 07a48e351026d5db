#pragma once
// The dialog in which the user picks one of several scanners: a list of the
// devices (vendor, model and SANE name), OK and Cancel.

#include "capture/SaneSession.h"

#include <QDialog>

#include <optional>
#include <vector>

class QListWidget;

namespace ardane::capture {

class ScannerChooser : public QDialog {
    Q_OBJECT
public:
    ScannerChooser(const std::vector<ScannerDevice>& devices, QWidget* parent);

    // The row chosen (the first until the user picks another).
    [[nodiscard]] int currentRow() const;
    [[nodiscard]] QListWidget* list() const { return m_list; }

    // Shows the dialog modally; the index of the device chosen, nullopt on Cancel.
    [[nodiscard]] static std::optional<std::size_t> choose(const std::vector<ScannerDevice>& devices,
                                                           QWidget* parent);

private:
    QListWidget* m_list;
};

} // namespace ardane::capture
