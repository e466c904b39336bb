#include "platform/SafeName.h"

#include <gtest/gtest.h>

using namespace qn;

namespace {

struct SafeNameCase {
    const char16_t *name;
    const char16_t *expected;
    bool safeAsIs;
};

class SafeNameTable : public ::testing::TestWithParam<SafeNameCase> {};

TEST_P(SafeNameTable, MakesOnePathComponent)
{
    const SafeNameCase &c = GetParam();
    const QString name = QString::fromUtf16(c.name);
    EXPECT_EQ(safeFileName(name, QStringLiteral("fallback")), QString::fromUtf16(c.expected));
    EXPECT_EQ(isSafeFileName(name), c.safeAsIs);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeNameTable,
    ::testing::Values(
        SafeNameCase{u"English", u"English", true},
        SafeNameCase{u"Русский", u"Русский", true},      // any script is kept
        SafeNameCase{u"AB 123 C", u"AB 123 C", true},
        SafeNameCase{u"v1.2", u"v1.2", true},            // a single dot is harmless
        SafeNameCase{u"a/b", u"a_b", false},
        SafeNameCase{u"a\\b", u"a_b", false},
        SafeNameCase{u"../../etc/passwd", u"____etc_passwd", false},
        SafeNameCase{u"..\\Styles\\x", u"__Styles_x", false},
        SafeNameCase{u"a...b", u"a_.b", false},          // no ".." is left behind
        SafeNameCase{u"a....b", u"a__b", false},
        SafeNameCase{u"car\n1\t\u007f\u0085", u"car_1___", false},
        SafeNameCase{u"/", u"_", false},                 // a replaced separator is still a name
        SafeNameCase{u"", u"fallback", false},
        SafeNameCase{u"   ", u"fallback", false},
        SafeNameCase{u".", u"fallback", false},
        SafeNameCase{u"..", u"_", false},
        SafeNameCase{u"...", u"_.", false}));

TEST(SafeName, NulInsideTheStringIsReplaced)
{
    // QString::fromUtf16 stops at the first nul, so build this one by hand.
    QString name = QStringLiteral("ab");
    name.insert(1, QChar(0));
    EXPECT_EQ(safeFileName(name, QStringLiteral("f")), QStringLiteral("a_b"));
    EXPECT_FALSE(isSafeFileName(name));
}

} // namespace
