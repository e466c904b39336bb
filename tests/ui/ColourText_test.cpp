#include "ui/ColourText.h"

#include <gtest/gtest.h>

using namespace qn;

namespace {

struct ToTextCase {
    uint32_t argb;
    const char *text;
};

class ColourToText : public ::testing::TestWithParam<ToTextCase> {};

TEST_P(ColourToText, WritesNameOrHashForm)
{
    EXPECT_EQ(colourToText(GetParam().argb), QLatin1String(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Colours, ColourToText,
    ::testing::Values(ToTextCase{0xFFFFFFFF, "White"}, ToTextCase{0xFF00FF00, "Lime"},
                      ToTextCase{0xFF008000, "Green"}, ToTextCase{0xFFADD8E6, "Lightblue"},
                      ToTextCase{0xFF00FF7F, "Springgreen"},
                      // shared values take the alphabetically first name
                      ToTextCase{0xFF00FFFF, "Aqua"}, ToTextCase{0xFFFF00FF, "Fuchsia"},
                      ToTextCase{0xFF808080, "Gray"}, ToTextCase{0xFF2F4F4F, "Darkslategray"},
                      ToTextCase{0xFF6BD2EE, "#FF6BD2EE"}, ToTextCase{0x00000000, "#00000000"},
                      // a named colour that is not opaque has no name
                      ToTextCase{0x80FFFFFF, "#80FFFFFF"}, ToTextCase{0x0000FF00, "#0000FF00"},
                      ToTextCase{0x0A0B0C0D, "#0A0B0C0D"}));

struct FromTextCase {
    const char *text;
    std::optional<uint32_t> argb;
};

class ColourFromText : public ::testing::TestWithParam<FromTextCase> {};

TEST_P(ColourFromText, ReadsNamesAndHashForms)
{
    EXPECT_EQ(colourFromText(QLatin1String(GetParam().text)), GetParam().argb);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColourFromText,
    ::testing::Values(FromTextCase{"White", 0xFFFFFFFF}, FromTextCase{"white", 0xFFFFFFFF},
                      FromTextCase{"LIGHTBLUE", 0xFFADD8E6}, FromTextCase{"Cyan", 0xFF00FFFF},
                      FromTextCase{"Magenta", 0xFFFF00FF}, FromTextCase{"Grey", 0xFF808080},
                      FromTextCase{"  Red ", 0xFFFF0000}, FromTextCase{"#FF6BD2EE", 0xFF6BD2EE},
                      FromTextCase{"#ff6bd2ee", 0xFF6BD2EE}, FromTextCase{"#6BD2EE", 0xFF6BD2EE},
                      FromTextCase{"#00000000", 0x00000000},
                      FromTextCase{"", std::nullopt}, FromTextCase{"#", std::nullopt},
                      FromTextCase{"#FF6BD2E", std::nullopt},
                      FromTextCase{"#FF6BD2EE0", std::nullopt},
                      FromTextCase{"#GG6BD2EE", std::nullopt},
                      FromTextCase{"#+F6BD2EE", std::nullopt},
                      FromTextCase{"FF6BD2EE", std::nullopt},
                      FromTextCase{"$FF6BD2EE", std::nullopt},
                      FromTextCase{"Whit", std::nullopt}, FromTextCase{"Whitee", std::nullopt},
                      FromTextCase{"Light blue", std::nullopt},
                      FromTextCase{"Transparent", std::nullopt}));

TEST(ColourText, EveryNamedColourReadsBackAsItself)
{
    for (const NamedColour &c : namedColours()) {
        const QString text = colourToText(c.argb);
        EXPECT_EQ(colourFromText(text), c.argb) << text.toStdString();
        EXPECT_EQ(colourFromText(QString::fromLatin1(c.name.data(), qsizetype(c.name.size()))),
                  c.argb);
        EXPECT_EQ(c.argb >> 24, 0xFFu) << c.name;
    }
}

TEST(ColourText, UnnamedColoursReadBackAsThemselves)
{
    for (uint32_t argb : {0xFF6BD2EEu, 0x00000000u, 0x12345678u, 0xFEFFFFFFu, 0xFF000001u})
        EXPECT_EQ(colourFromText(colourToText(argb)), argb);
}

TEST(ColourText, NonAsciiLettersDoNotMatchNames)
{
    // U+212A KELVIN SIGN folds to "k" in Unicode; a colour name is plain ASCII.
    EXPECT_EQ(colourFromText(QString::fromUtf16(u"Blac\u212A")), std::nullopt);
}

TEST(StyleAccentColour, ByExactStyleName)
{
    const std::pair<const char *, uint32_t> cases[] = {
        {"Air", 0xFF65C8E0},     {"Amakrits", 0xFF66F8E3}, {"Aqua", 0xFF009DFA},
        {"Blend", 0xFFF69E2D},   {"Dark", 0xFFF69E2D},     {"Golden", 0xFFFAA800},
        {"Light", 0xFF2080E0},   {"Ruby", 0xFFFA0300},     {"RubyGraphite", 0xFFFA0300},
        {"Transparent", 0xFF6BD2EE}, {"Classic", 0xFF6BD2EE}, {"", 0xFF6BD2EE},
        {"ruby", 0xFF6BD2EE},    {"Air ", 0xFF6BD2EE}};
    for (const auto &[style, argb] : cases)
        EXPECT_EQ(styleAccentColour(QLatin1String(style)), argb) << style;
}

} // namespace
