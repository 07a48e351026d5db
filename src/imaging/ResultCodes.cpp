#include "imaging/ResultCodes.h"

namespace ardane::imaging {

std::string_view resultMessage(Result code)
{
    switch (code) {
    case result::OutOfMemory:
    case result::OutOfMemory2:
    case result::OutOfMemory3:
        return "Not enough memory available";
    case result::ReadError: return "Error reading file";
    case result::InvalidFormat: return "Invalid file format";
    case result::CannotOpen: return "Not able to open file";
    case result::UnknownCompression: return "Unknown compression format";
    case result::NotAvailable: return "Not available for file format requested";
    case result::CrcError: return "Data CRC check error";
    case result::TargaMissing: return "TARGA not installed";
    case result::InvalidCompression: return "Invalid compression format";
    case result::UnsupportedDepth:
        return "Current file format doesn't support specified number of colors - Bit Per Pixel";
    case result::WriteError: return "Error Writing file";
    default: return "Unknown error";
    }
}

} // namespace ardane::imaging
