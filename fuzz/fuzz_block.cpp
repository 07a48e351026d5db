// LoadFromBlock for the file formats of one family. The family is fixed at
// build time (ARDANE_FUZZ_FORMATS, a list of FileFormat names); inputs that
// the content detection assigns to another family are turned away so that
// each target's corpus stays with its own reader.

#include "FuzzSupport.h"

#include "imaging/codecs/Codec.h"

#include <initializer_list>

using namespace ardane;
using imaging::FileFormat;

namespace {

constexpr std::initializer_list<FileFormat> kFamily{ARDANE_FUZZ_FORMATS};

#ifdef ARDANE_FUZZ_MAX_INPUT
constexpr std::size_t kMaxInput = ARDANE_FUZZ_MAX_INPUT;
#else
constexpr std::size_t kMaxInput = 0;
#endif

bool inFamily(FileFormat format)
{
    for (FileFormat f : kFamily)
        if (f == format)
            return true;
    return false;
}

bool multiPage()
{
    return inFamily(FileFormat::Tiff) || inFamily(FileFormat::Gif);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (kMaxInput != 0 && size > kMaxInput)
        return -1;
    const std::span<const std::uint8_t> block(data, size);
    if (!inFamily(imaging::codecs::detectFormat(block)))
        return -1;
    imaging::ImagingControl control;
    control.SetImageHandle(fuzz::sentinel());
    fuzz::checkOutcome(control, control.LoadFromBlock(block, 0, 0));
    if (multiPage()) {
        imaging::ImagingControl second;
        second.SetImageHandle(fuzz::sentinel());
        fuzz::checkOutcome(second, second.LoadFromBlock(block, 0, 1));
    }
    return 0;
}
