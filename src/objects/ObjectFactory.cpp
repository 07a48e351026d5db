#include "objects/CGeneralObj.h"
#include "objects/CTextObj.h"
#include "objects/ShapeObjects.h"

namespace ardane::objects {

ObjectPtr CreateObjectByName(std::string_view className)
{
    if (className == "CTextObj")
        return std::make_unique<CTextObj>();
    if (className == "CEllipseObj")
        return std::make_unique<CEllipseObj>();
    if (className == "CLineObj")
        return std::make_unique<CLineObj>();
    if (className == "CRectObj")
        return std::make_unique<CRectObj>();
    return nullptr;
}

} // namespace ardane::objects
