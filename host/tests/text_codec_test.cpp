// Program texts are GB18030: the runtime's own conversion must give exactly what ICU's
// converter gives, for every character it handles by itself and for texts that mix them with
// the ones it hands to ICU.
#include <gtest/gtest.h>

#include <QStringDecoder>
#include <QStringEncoder>
#include <random>

#include "host/krnln/controls/edit_box_shown.h"
#include "host/krnln/program_texts.h"
#include "host/krnln/text_codec.h"

namespace quorix::host {
namespace {

QByteArray IcuEncode(const QString& text) {
    QStringEncoder encode("GB18030");
    return encode(text);
}

QString IcuDecode(const QByteArray& bytes) {
    QStringDecoder decode("GB18030");
    return decode(bytes);
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

TEST(TextCodec, EveryCharacterOfTheBasicPlaneConvertsAsIcuConvertsIt) {
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;  // halves of pairs, below
        const QString text = QString(QChar(static_cast<char16_t>(c))) + QStringLiteral("12");
        const QByteArray expected = IcuEncode(text);
        ASSERT_EQ(ToProgramText(text), expected) << std::hex << static_cast<uint32_t>(c);
        ASSERT_EQ(FromProgramText(View(expected)), IcuDecode(expected))
            << std::hex << static_cast<uint32_t>(c);
    }
}

TEST(TextCodec, EveryTwoByteCodeDecodesAsIcuDecodesIt) {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;  // not a trail byte: malformed, below
            const char bytes[4] = {'7', static_cast<char>(lead), static_cast<char>(trail), '8'};
            const QByteArray code(bytes, 4);
            ASSERT_EQ(FromProgramText(View(code)), IcuDecode(code)) << lead << " " << trail;
        }
    }
}

TEST(TextCodec, MixedTextsOfEveryKindRoundTripAsIcuConvertsThem) {
    // Digits, CR LF, two-byte symbols, characters outside GBK (four-byte codes) and emoji
    // (four-byte codes of a surrogate pair), in random mixtures.
    const QString pieces[] = {QStringLiteral("0123456789"),   QStringLiteral("\r\n"),
                              QString::fromUtf8("█■★㊣─口⊙"), QString::fromUtf8("€ḿ𠀀"),
                              QString::fromUtf8("😀🎨"),        QString(QChar(0xE5E5)),
                              QString::fromUtf8("ﾟ")};
    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int parts = static_cast<int>(rng() % 40);
        for (int i = 0; i < parts; ++i) text += pieces[rng() % std::size(pieces)];
        const QByteArray expected = IcuEncode(text);
        ASSERT_EQ(ToProgramText(text), expected) << text.toStdString();
        ASSERT_EQ(FromProgramText(View(expected)), IcuDecode(expected)) << text.toStdString();
        ASSERT_EQ(FromProgramText(View(expected)), text) << text.toStdString();
    }
}

// The program's texts are always whole codes; malformed bytes may decode otherwise than ICU
// would decode them in context, but never past the text, and every ASCII byte stays itself.
TEST(TextCodec, MalformedBytesNeverReadPastTheTextAndKeepItsAscii) {
    const QByteArray cases[] = {QByteArray("\x81", 1),
                                QByteArray("12\x81", 3),
                                QByteArray("\x81\x30", 2),
                                QByteArray("\x81\x30\x81", 3),
                                QByteArray("\xFF\xFF"
                                           "ab",
                                           4),
                                QByteArray("\x80"
                                           "c",
                                           2),
                                QByteArray("\x81\x7F"
                                           "a",
                                           3)};
    for (const QByteArray& bytes : cases) {
        const QString text = FromProgramText(View(bytes));
        EXPECT_LE(text.size(), bytes.size());
        for (const char c : {'1', '2', 'a', 'b', 'c'}) {
            EXPECT_EQ(text.count(QChar(c)), bytes.count(c)) << bytes.toHex().toStdString();
        }
    }
}

// A step's short texts decode on the spot, as ICU decodes them; anything that needs ICU itself
// says so instead of writing a guess.
TEST(TextCodec, ShortTextsDecodeInPlaceOrAskForIcu) {
    const struct {
        QByteArray bytes;
        bool by_table;
    } cases[] = {
        {QByteArray(), true},
        {QByteArray("07"), true},
        {QByteArray("\r\n"), true},
        {IcuEncode(QStringLiteral("█")), true},
        {IcuEncode(QStringLiteral("1█2★")), true},
        {IcuEncode(QStringLiteral("a\u0080")), false},  // a four-byte code
        {IcuEncode(QStringLiteral("9\U0001F600")), false},
        {QByteArray("12\x81", 3), false},
        {QByteArray("\x81\x7F", 2), false},
    };
    for (const auto& c : cases) {
        std::vector<char16_t> out(static_cast<size_t>(c.bytes.size()) + 1, u'?');
        const qsizetype written = DecodeProgramText(View(c.bytes), out.data());
        const std::string hex = c.bytes.toHex().toStdString();
        if (!c.by_table) {
            EXPECT_EQ(written, -1) << hex;
            continue;
        }
        ASSERT_GE(written, 0) << hex;
        EXPECT_EQ(QStringView(out.data(), written), IcuDecode(c.bytes)) << hex;
        EXPECT_EQ(out[static_cast<size_t>(c.bytes.size())], u'?') << hex;  // nothing past the room
    }
}

// What an output box collects between two flushes: every piece as FromProgramText gives it,
// through the buffer's growth and after it is cleared.
TEST(TextCodec, PendingTextHoldsEveryPieceAsItsOwnTextGivesIt) {
    const QByteArray pieces[] = {
        QByteArray("42"),
        IcuEncode(QStringLiteral("█")),
        QByteArray("\r\n"),
        IcuEncode(QStringLiteral("\U0001F600")),
        QByteArray("\x81", 1),
        QByteArray("1234567\xA1", 8),        // the eighth byte starts a code the piece cuts off
        IcuEncode(QStringLiteral("★★★★★")),  // ten bytes
        QByteArray("123456789"),
        QByteArray(),
    };
    PendingText pending;
    for (int round = 0; round < 2; ++round) {
        QString expected;
        // Past the first room of 4096 characters, twice over.
        for (int i = 0; i < 3000; ++i) {
            const QByteArray& piece = pieces[static_cast<size_t>(i) % std::size(pieces)];
            pending.AppendProgramText(View(piece));
            expected += FromProgramText(View(piece));
        }
        EXPECT_EQ(pending.view(), expected) << "round " << round;
        pending.clear();
        EXPECT_TRUE(pending.empty());
    }
}

// A text handed back by the program is taken as the string it was made from only when its bytes
// are exactly that string's: any other bytes convert afresh.
TEST(TextCodec, BytesConvertBackToATextOnlyWhenTheyAreExactlyItsBytes) {
    const QString texts[] = {
        QString(5000, QChar('1')) + QStringLiteral("\r\n"),
        QString::fromUtf8("01█23■4★5㊣\r\n67─89口\r\n").repeated(300),
        QString::fromUtf8("1😀2€3𠀀4").repeated(200),
    };
    for (const QString& text : texts) {
        const QByteArray bytes = ToProgramText(text);
        ASSERT_EQ(ProgramTextLength(text), static_cast<size_t>(bytes.size()));
        EXPECT_TRUE(ConvertsBackTo(View(bytes), text));
        EXPECT_FALSE(ConvertsBackTo(View(bytes.left(bytes.size() - 1)), text));
        EXPECT_FALSE(ConvertsBackTo(View(bytes + "1"), text));
        for (const qsizetype at : {qsizetype{0}, bytes.size() / 2, bytes.size() - 3}) {
            QByteArray changed = bytes;
            changed[at] = changed[at] == '7' ? '8' : '7';
            EXPECT_FALSE(ConvertsBackTo(View(changed), text)) << at;
        }
    }
    // Half of a pair has bytes, but they do not convert back to it.
    const QString half = QStringLiteral("12") + QChar(0xD83D) + QStringLiteral("34");
    EXPECT_FALSE(ConvertsBackTo(View(ToProgramText(half)), half));
}

TEST(TextCodec, ATextHandedBackUnchangedIsTheStringItWasMadeFrom) {
    ProgramMemory memory(uint64_t{1} << 28);
    const QString text = QString::fromUtf8("0123█56789\r\n").repeated(200'000);
    const QxAddr a = NewProgramText(memory, text);
    ASSERT_NE(a, 0u);
    EXPECT_EQ(memory.Text(a), View(ToProgramText(text)));
    // Unchanged: the same string, not a copy.
    EXPECT_EQ(TextFromProgram(memory.Text(a)).constData(), text.constData());
    // One byte changed by the program (the sixth digit, after the two bytes of the block):
    // converted afresh, with the change.
    memory.At(a)[7] = '7';
    QString expected = text;
    expected[6] = QChar('7');
    const QString changed = TextFromProgram(memory.Text(a));
    EXPECT_NE(changed.constData(), text.constData());
    EXPECT_EQ(changed, expected);
    ForgetProgramTexts();
    memory.At(a)[7] = '7';
    EXPECT_EQ(TextFromProgram(memory.Text(a)), expected);
}

}  // namespace
}  // namespace quorix::host
