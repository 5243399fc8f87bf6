#include "results/TextStyles.h"

namespace {
constexpr TColor kBlack = 0x000000, kMaroon = 0x000080, kGray = 0x808080, kGreen = 0x008000,
                 kBlue = 0xFF0000;

constexpr TTextStyle kStyles[kTextStyleCount] = {
    {"Whitespace", kBlack, false, false, false},
    {"String", kMaroon, false, false, false},
    {"Comment", kGray, false, true, false},
    {"Identifier", kBlack, false, false, false},
    {"Integer", kGreen, false, false, false},
    {"Float", kGreen, false, false, false},
    {"Reserved words", kBlue, true, false, false},
    {"Delimiters", kBlack, false, false, false},
    {"Defines", kGreen, false, false, false},
    {"Assembler", kGreen, false, false, false},
    {"Html tags", kBlue, false, false, false},
    {"Html params", kBlue, false, false, false},
    {"Url", kBlue, false, false, true},
};
} // namespace

const TTextStyle& DefaultTextStyle(int cls)
{
    if (cls < 0 || cls >= kTextStyleCount)
        return kStyles[0];
    return kStyles[cls];
}
