#pragma once
// Colours as the settings file and the colour form write them: the standard colour name when the
// colour has one ("White", "Lightblue"), otherwise "#AARRGGBB".

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qn {

struct NamedColour {
    std::string_view name; // lower case
    uint32_t argb;
};

// The standard CSS colour names with their values, in alphabetical order; all fully opaque.
// There is no entry for full transparency: a transparent colour is written in the # form.
std::span<const NamedColour> namedColours();

// The colour's name with its first letter upper-case and the rest lower-case; where two names share
// a value the alphabetically first one ("Aqua", not "Cyan"). Colours without a name give
// "#" + eight upper-case hex digits, alpha first.
QString colourToText(uint32_t argb);

// Reads a colour name (any letter case), "#AARRGGBB" or "#RRGGBB" (opaque). Blanks around the text
// are ignored. Anything else gives no colour.
std::optional<uint32_t> colourFromText(const QString &text);

// The accent colour a style gives to the maximum marker of dashboard values; the name is compared
// exactly.
uint32_t styleAccentColour(const QString &styleName);

} // namespace qn
