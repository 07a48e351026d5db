#include "palettes/FontSize.h"

#include <charconv>

namespace ardane {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

int parseFontSize(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i == text.size())
        return kNoFontSize;

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (error == std::errc::invalid_argument)
        return kBadFontSize;
    for (const char* p = end; p != last; ++p)
        if (!isBlank(*p))
            return kBadFontSize;
    if (negative)
        return 0;
    // Far beyond any valid size; keep it out of int overflow.
    if (error == std::errc::result_out_of_range || value * 20 > 1e9)
        return 1'000'000'000;
    return int(value * 20);
}

std::string formatFontSize(int twips)
{
    if (twips < 0)
        return {};
    const int halfPoints = (twips + 5) / 10;
    if (halfPoints % 2 == 0)
        return std::to_string((twips + 5) / 20);
    // to_chars keeps the decimal point whatever the user's locale.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, halfPoints * 0.5, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

bool isAcceptableFontSize(int twips)
{
    if (twips == kBadFontSize)
        return false;
    if (twips >= 0 && twips < kMinFontTwips)
        return false;
    return twips <= kMaxFontTwips;
}

} // namespace ardane
