#include "app/PrinterQueries.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace ardane {

namespace {

constexpr int kUserDefinedPaper = 256;

// The paper code of a Qt page size, as printer settings number them.
int paperCodeFor(const QPageSize& size)
{
    switch (size.id()) {
    case QPageSize::Letter: return 1;
    case QPageSize::Tabloid: return 3;
    case QPageSize::Ledger: return 4;
    case QPageSize::Legal: return 5;
    case QPageSize::Statement: return 6;
    case QPageSize::Executive: return 7;
    case QPageSize::A3: return 8;
    case QPageSize::A4: return 9;
    case QPageSize::A5: return 11;
    case QPageSize::Envelope9: return 19;
    case QPageSize::Comm10E: return 20;
    case QPageSize::Envelope11: return 21;
    case QPageSize::Envelope12: return 22;
    case QPageSize::Envelope14: return 23;
    case QPageSize::EnvelopeMonarch: return 37;
    case QPageSize::EnvelopePersonal: return 38;
    case QPageSize::Custom: return kUserDefinedPaper;
    default: return 0;
    }
}

} // namespace

QSizeF pageSizeForPaper(int paperCode, bool portrait, int userWidthTenthMm, int userLengthTenthMm)
{
    QSizeF size(8.5, 11.0);
    switch (paperCode) {
    case 3: size = {11, 17}; break;
    case 4: size = {17, 11}; break;
    case 5: size = {8.5, 14}; break;
    case 6: size = {5.5, 8.5}; break;
    case 7: size = {7.5, 10.5}; break;
    case 19: size = {8.8, 3.8}; break;
    case 20: size = {9.5, 4.1}; break;
    case 21: size = {10.4, 4.5}; break;
    case 22: size = {11, 4.5}; break;
    case 23: size = {11.5, 5}; break;
    case 37: size = {3.9, 7.5}; break;
    case 38: size = {6.5, 3.6}; break;
    case 39: size = {11, 15}; break;
    case kUserDefinedPaper: size = {userWidthTenthMm / 254.0, userLengthTenthMm / 254.0}; break;
    default: break;
    }
    if (!portrait)
        size.transpose();
    return size;
}

PrinterResolution queryPrinterResolution()
{
    PrinterResolution r;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return r;
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid() || printer.resolution() <= 0)
        return r;
    r.x = r.y = printer.resolution();
    return r;
}

QSizeF queryPageSizeInches(const std::function<void(const QString&)>& complain)
{
    const QSizeF preset(8.5, 11.0);
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return preset;
    QPrinter printer(info);
    if (!printer.isValid()) {
        if (complain)
            complain(QStringLiteral("Unable to access printer device."));
        return preset;
    }
    const QPageLayout layout = printer.pageLayout();
    const QPageSize page = layout.pageSize();
    const QSizeF mm = page.size(QPageSize::Millimeter);
    return pageSizeForPaper(paperCodeFor(page), layout.orientation() == QPageLayout::Portrait,
                            int(mm.width() * 10), int(mm.height() * 10));
}

} // namespace ardane
