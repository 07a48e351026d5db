#pragma once
// The 16-bit result codes of imaging operations and their message texts.

#include <cstdint>
#include <string_view>

namespace ardane::imaging {

using Result = std::uint16_t;

namespace result {
inline constexpr Result Ok = 0;
inline constexpr Result OutOfMemory = 20001;        // "Not enough memory available"
inline constexpr Result OutOfMemory2 = 20003;
inline constexpr Result ReadError = 20007;          // "Error reading file"
inline constexpr Result InvalidFormat = 20009;      // "Invalid file format"
inline constexpr Result CannotOpen = 20014;         // "Not able to open file"
inline constexpr Result UnknownCompression = 20015; // "Unknown compression format"
inline constexpr Result NotAvailable = 20016;       // "Not available for file format requested"
inline constexpr Result CrcError = 20019;           // "Data CRC check error"
inline constexpr Result TargaMissing = 20022;       // "TARGA not installed"
inline constexpr Result InvalidCompression = 20023; // "Invalid compression format"
inline constexpr Result UnsupportedDepth = 20027;   // "Current file format doesn't support ..."
inline constexpr Result WriteError = 20050;         // "Error Writing file"
inline constexpr Result OutOfMemory3 = 62473;
// Every failure is reported with one of the codes above, so that each has a
// message. In particular:
//   OutOfMemory       memory that cannot be had, including an image size that
//                     no bitmap can have (not positive, or beyond kMaxPixels /
//                     kMaxSide), an empty crop, and an operation on a control
//                     that holds no image
//   UnsupportedDepth  a depth that is not 1, 4, 8, 16, 24 or 32
//   NotAvailable      an option value the operation does not offer (resize
//                     mode, palette or dither option), or an image too large
//                     for the file format's own size fields
//   WriteError        saving from a control that holds no image
} // namespace result

// The message for a result code; "Unknown error" for codes without a text.
[[nodiscard]] std::string_view resultMessage(Result code);

} // namespace ardane::imaging
