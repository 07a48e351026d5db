#include "app/CArdaneSrvrItem.h"

#include <QPainter>

namespace ardane {

std::optional<QSize> CArdaneSrvrItem::OnGetExtent(DrawAspect aspect) const
{
    if (aspect != DrawAspect::Content)
        return std::nullopt;
    return kContentExtent;
}

bool CArdaneSrvrItem::OnDraw(QPainter& painter) const
{
    painter.setViewTransformEnabled(true);
    painter.setWindow(QRect(QPoint(0, 0), kContentExtent));
    return true;
}

} // namespace ardane
