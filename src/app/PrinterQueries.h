#pragma once
// The default printer's resolution and page size, with the fallbacks used when
// there is no printer: 100 x 100 dots per inch and 8.5 x 11 inches.

#include <QSizeF>
#include <QString>

#include <functional>

namespace ardane {

struct PrinterResolution {
    int x = 100;
    int y = 100;
};

// The page size in inches for a paper code of the printer settings; code 256
// (user-defined) takes the given width and length in tenths of a millimetre.
// Width and height are exchanged unless the orientation is portrait.
[[nodiscard]] QSizeF pageSizeForPaper(int paperCode, bool portrait, int userWidthTenthMm = 0,
                                      int userLengthTenthMm = 0);

[[nodiscard]] PrinterResolution queryPrinterResolution();
// `complain` is told "Unable to access printer device." when a default
// printer exists but its settings cannot be read.
[[nodiscard]] QSizeF queryPageSizeInches(const std::function<void(const QString&)>& complain);

} // namespace ardane
