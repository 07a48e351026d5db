#pragma once
// Shared by the imaging control's source files: one operation run with every
// failed allocation inside it turned into the memory result code.

#include "imaging/ResultCodes.h"

#include <new>
#include <stdexcept>

namespace ardane::imaging::detail {

// Operations change the bitmap only as their last, non-throwing step, so it
// is as it was on every failure (a std::bad_alloc, or std::length_error from
// a container asked for more than it can hold).
template <typename Body>
Result memoryGuarded(Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const std::length_error&) {
        return result::OutOfMemory;
    }
}

} // namespace ardane::imaging::detail
