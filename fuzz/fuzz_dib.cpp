// ReplaceFromDib: packed device-independent bitmaps as the clipboard and the
// undo store hand them over.

#include "FuzzSupport.h"

using namespace ardane;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    imaging::ImagingControl control;
    control.SetImageHandle(fuzz::sentinel());
    fuzz::checkOutcome(control, control.ReplaceFromDib(std::span<const std::uint8_t>(data, size)));
    return 0;
}
