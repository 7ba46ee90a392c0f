// The replace's search goes through a text in windows of start positions; whatever the windows'
// ends fall on, it must find what one search through the whole text finds. Qt's own PCRE2
// search, which goes through the text in one piece, is the reference.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "host/RegEx/literal.h"
#include "host/RegEx/substitute.h"

namespace quorix::host::regex {
namespace {

// `lines` lines of `length` characters, digits with an emoji (two UTF-16 units) at every
// seventh place when `emoji`, and an empty line after every third when `blank_lines`.
QString Lines(int length, bool emoji, int lines = 12, bool blank_lines = true) {
    QString line;
    for (int i = 0; i < length; ++i) {
        line += emoji && i % 7 == 3 ? QString::fromUtf8("😀") : QString(QChar('0' + i % 10));
    }
    QString text;
    for (int k = 0; k < lines; ++k)
        text += line + (blank_lines && k % 3 == 1 ? "\r\n\r\n" : "\r\n");
    return text;
}

QString OneSearch(const char* pattern, const QString& subject, const QString& replacement) {
    QRegularExpression whole(QStringLiteral("(*ANYCRLF)") + QString::fromUtf8(pattern),
                             QRegularExpression::MultilineOption);
    return QString(subject).replace(whole, replacement);
}

TEST(RegexSubstitute, WindowedSearchFindsWhatOneSearchThroughTheWholeTextFinds) {
    const char* patterns[] = {"^",    "$",   "^\\s*", ".",  "\\n",      "\\r", "\\r\\n",
                              "\\s*", "\\b", "0",     "9$", "(?<=\\r)", "^$"};
    for (const char* pattern : patterns) {
        const Code code = CompilePattern(QString::fromUtf8(pattern), true, true);
        ASSERT_NE(code.code, nullptr) << pattern;
        // Line lengths around one, two and three windows put every kind of character (digit,
        // CR, LF, either half of an emoji) at the windows' ends.
        for (int length = 0; length < 400; ++length) {
            for (const bool emoji : {false, true}) {
                const QString subject = Lines(length, emoji);
                const std::optional<QString> got = Substitute(code.code, subject, "X", 0);
                ASSERT_TRUE(got.has_value()) << pattern << ", lines of " << length;
                ASSERT_EQ(*got, OneSearch(pattern, subject, "X"))
                    << pattern << ", lines of " << length << (emoji ? " with emoji" : "");
            }
        }
    }
}

TEST(RegexSubstitute, ALineAnchorOnALargeCharacterPictureKeepsEveryLineBreak) {
    const QString subject = Lines(2048, true, 1024, false);
    for (const char* pattern : {"^", "$", "^\\s*"}) {
        const Code code = CompilePattern(QString::fromUtf8(pattern), true, true);
        const std::optional<QString> got = Substitute(code.code, subject, "X", 0);
        ASSERT_TRUE(got.has_value()) << pattern;
        EXPECT_EQ(got->count(QStringLiteral("\r\n")), subject.count(QStringLiteral("\r\n")))
            << pattern;
        EXPECT_EQ(*got, OneSearch(pattern, subject, "X")) << pattern;
    }
}

TEST(RegexSubstitute, APatternOfPlainCharactersIsTakenAsTheCharactersThemselves) {
    struct Case {
        const char* pattern;
        bool literal;
    };
    const Case cases[] = {{"1", true},    {"█", true},     {"ab c#", true}, {"😀", true},
                          {"", false},    {"1.", false},   {"\\d", false},  {"a|b", false},
                          {"(1)", false}, {"1*", false},   {"^1", false},   {"1$", false},
                          {"[1]", false}, {"a{2}", false}, {"x+", false},   {"x?", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsLiteral(QString::fromUtf8(c.pattern)), c.literal) << c.pattern;
    }
    EXPECT_FALSE(IsLiteral(QStringLiteral("1\r\n")));
}

// Plain characters are replaced without the engine: the result must be the engine's.
TEST(RegexSubstitute, APlainPatternReplacesWhatTheEngineReplaces) {
    const QString texts[] = {Lines(300, false), Lines(300, true), Lines(5, true, 3),
                             QString::fromUtf8("aaaa█a█aa\r\n😀1😀\r\n"), QString()};
    const char* patterns[] = {"1", "0", "aa", "█", "😀", "12", "a█", "9\r"};
    const char* replacements[] = {"█", "", "xyz", "😀", "a"};
    for (const QString& text : texts) {
        for (const char* pattern : patterns) {
            const QString literal = QString::fromUtf8(pattern);
            if (!IsLiteral(literal)) continue;
            const Code code = CompilePattern(literal, true, true);
            for (const char* replacement : replacements) {
                const QString with = QString::fromUtf8(replacement);
                const std::optional<QString> got = SubstituteLiteral(text, literal, with);
                const std::optional<QString> engine = Substitute(code.code, text, with, 0);
                ASSERT_EQ(got.has_value(), engine.has_value()) << pattern << " -> " << replacement;
                if (got) {
                    EXPECT_EQ(*got, *engine) << pattern << " -> " << replacement;
                }
            }
        }
    }
}

TEST(RegexSubstitute, APlainPatternRefusesATextWithHalfAPairAsTheEngineDoes) {
    const QString halves[] = {QString(QChar(0xD83D)), QString(QChar(0xDE00)),
                              QString(QChar(0xDE00)) + QString(QChar(0xD83D))};
    for (const QString& half : halves) {
        for (const int at : {0, 1, 255, 256, 257, 600}) {
            QString text = Lines(100, false);
            text.insert(at, half);
            for (const char* pattern : {"1", "12"}) {
                const QString literal = QString::fromUtf8(pattern);
                const Code code = CompilePattern(literal, true, true);
                EXPECT_FALSE(SubstituteLiteral(text, literal, QStringLiteral("x")).has_value())
                    << pattern << " at " << at;
                EXPECT_FALSE(Substitute(code.code, text, QStringLiteral("x"), 0).has_value())
                    << pattern << " at " << at;
            }
        }
    }
}

}  // namespace
}  // namespace quorix::host::regex
