#include "platform/storage/PropertyList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "RandomDamage.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/StorageError.h"
#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::TempDir;

namespace {

Value::Bytes allBytes() {
    Value::Bytes b(256);
    for (int i = 0; i < 256; ++i) b[i] = static_cast<std::uint8_t>(i);
    return b;
}

// Every kind of value, with dates on whole seconds so that XML (which keeps no fractions)
// round-trips exactly too.
Value sample() {
    Value v = Value::dictionary({
        {"yes", true},
        {"no", false},
        {"zero", 0},
        {"small", 200},
        {"medium", 70000},
        {"large", std::int64_t{1} << 40},
        {"negative", -5},
        {"min", std::numeric_limits<std::int64_t>::min()},
        {"max", std::numeric_limits<std::int64_t>::max()},
        {"real", 0.1},
        {"huge", -1.5e300},
        {"ascii", "plain <&> text"},
        {"empty", ""},
        {"accents", "h\u00e9llo w\u00f6rld"},
        {"japanese", "\u30e2\u30d3\u30eb"},
        {"emoji", "car \U0001F697 burger \U0001F354"},
        {"data", Value(allBytes())},
        {"noData", Value(Value::Bytes{})},
        {"epoch", Value(Date{0})},
        {"reference", Value(Date::fromReferenceDate(0))},
        {"before", Value(Date::fromReferenceDate(-86400 * 400))},
        {"later", Value(Date{2000000000})},
        {"emptyList", Value::array()},
        {"emptyDict", Value::dictionary()},
        {"clé \u00e9", "non-ASCII key"},
    });
    v.set("nested",
          Value::array({1, "two", Value::array({3.5, Value::dictionary({{"deep", true}})}),
                        Value::dictionary({{"list", Value::array({Value(Date{86400})})}})}));
    return v;
}

// A hand-made binary list: the object area, then each object's offset; references are 4 bytes.
std::string rawPlist(const std::string& objects, const std::vector<std::uint32_t>& offsets,
                     std::uint64_t top = 0) {
    std::string out = "bplist00" + objects;
    auto be = [&](std::uint64_t v, int n) {
        for (int k = n - 1; k >= 0; --k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    std::uint64_t table = out.size();
    for (auto off : offsets) be(off, 4);
    out += std::string(6, '\0');
    out += static_cast<char>(4);
    out += static_cast<char>(4);
    be(offsets.size(), 8);
    be(top, 8);
    be(table, 8);
    return out;
}

std::string binaryPlist(const std::vector<std::string>& objects, std::uint64_t top = 0) {
    std::string area;
    std::vector<std::uint32_t> offsets;
    for (const auto& o : objects) {
        offsets.push_back(static_cast<std::uint32_t>(8 + area.size()));
        area += o;
    }
    return rawPlist(area, offsets, top);
}

std::string arrayOf(const std::vector<std::uint32_t>& refs) {
    std::string o;
    if (refs.size() < 15) {
        o += static_cast<char>(0xA0 | refs.size());
    } else {
        o += static_cast<char>(0xAF);
        o += static_cast<char>(0x12);
        for (int k = 3; k >= 0; --k) o += static_cast<char>((refs.size() >> (8 * k)) & 0xFF);
    }
    for (auto r : refs)
        for (int k = 3; k >= 0; --k) o += static_cast<char>((r >> (8 * k)) & 0xFF);
    return o;
}

void expectCorrupt(std::string_view bytes, const std::string& label) {
    Error error;
    auto v = PropertyList::parse(bytes, &error);
    EXPECT_FALSE(v) << label;
    EXPECT_TRUE(error.is(StorageError::kDomain, StorageError::kPropertyListReadCorrupt))
        << label << ": " << error.description();
}

}  // namespace

TEST(PropertyListTest, BinaryAndXmlRoundTripEveryValueType) {
    const Value v = sample();
    for (auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
        Error error;
        auto bytes = PropertyList::serialize(v, format, &error);
        ASSERT_TRUE(bytes) << error.description();
        PropertyListFormat found{};
        auto back = PropertyList::parse(*bytes, &error, &found);
        ASSERT_TRUE(back) << error.description();
        EXPECT_EQ(found, format);
        EXPECT_EQ(*back, v) << back->description();
    }
    // Binary lists keep fractions of a second; XML keeps whole seconds only.
    Value frac = Value::array({Value(Date{1588748889.25}), Value(Date::fromReferenceDate(-1.5)),
                               Value(Date::fromReferenceDate(-100.75))});
    auto bin = PropertyList::parse(*PropertyList::serialize(frac, PropertyListFormat::Binary));
    ASSERT_TRUE(bin);
    EXPECT_NEAR(bin->at(0).asDate().secondsSince1970, 1588748889.25, 1e-6);
    EXPECT_NEAR(bin->at(1).asDate().secondsSinceReferenceDate(), -1.5, 1e-6);
    EXPECT_NEAR(bin->at(2).asDate().secondsSinceReferenceDate(), -100.75, 1e-6);
    auto xml = PropertyList::parse(*PropertyList::serialize(frac, PropertyListFormat::Xml));
    ASSERT_TRUE(xml);
    EXPECT_NEAR(xml->at(0).asDate().secondsSince1970, 1588748889, 1.0);
    // A scalar at the top is a list too.
    auto scalar = PropertyList::serialize(Value("alone"), PropertyListFormat::Binary);
    ASSERT_TRUE(scalar);
    EXPECT_EQ(PropertyList::parse(*scalar), Value("alone"));
}

TEST(PropertyListTest, ReadsXmlWrittenByOthers) {
    const char* xml =
        "\xEF\xBB\xBF\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\"><dict>\n"
        "  <!-- a comment with <array> in it -->\n"
        "  <key>CFBundleVersion</key><string>1.0.3</string>\n"
        "  <key>date</key><date>2020-05-06T07:08:09Z</date>\n"
        "  <key>data</key><data>\n  AAEC\n  /w==\n  </data>\n"
        "  <key>list</key><array><integer>-42</integer><real>2.5</real><true/><false/>"
        "<array/><dict/></array>\n"
        "</dict></plist>\n";
    PropertyListFormat format{};
    Error error;
    auto v = PropertyList::parse(xml, &error, &format);
    ASSERT_TRUE(v) << error.description();
    EXPECT_EQ(format, PropertyListFormat::Xml);
    EXPECT_EQ(v->get("CFBundleVersion"), Value("1.0.3"));
    EXPECT_EQ(v->get("date"), Value(Date{1588748889}));
    EXPECT_EQ(v->get("data"), Value(Value::Bytes{0, 1, 2, 0xFF}));
    EXPECT_EQ(v->get("list"),
              Value::array({-42, 2.5, true, false, Value::array(), Value::dictionary()}));
}

TEST(PropertyListTest, ReadsOldStyleTextLists) {
    const char* text =
        "// the announcement settings, edited by hand\n"
        "{\n"
        "  name = Movuroute;   /* unquoted */\n"
        "  \"quoted key\" = \"tab\\there \\\"quoted\\\" \\U00e9\\u30e2 \\101\\n\";\n"
        "  single = 'it\\'s';\n"
        "  path = /usr/share/movu-route_1.0:$x;\n"
        "  number = 42;\n"
        "  list = (a, \"b c\", (), {}, <0a0B ff>, );\n"
        "  pair = \"\\UD83D\\UDE97\";\n"
        "  raw = \"caf\xC3\xA9\";\n"
        "}\n";
    PropertyListFormat format{};
    Error error;
    auto v = PropertyList::parse(text, &error, &format);
    ASSERT_TRUE(v) << error.description();
    EXPECT_EQ(format, PropertyListFormat::OpenStep);
    EXPECT_EQ(v->get("name"), Value("Movuroute"));
    EXPECT_EQ(v->get("quoted key"), Value("tab\there \"quoted\" \u00e9\u30e2 A\n"));
    EXPECT_EQ(v->get("single"), Value("it's"));
    EXPECT_EQ(v->get("path"), Value("/usr/share/movu-route_1.0:$x"));
    // Every scalar of this format is a text.
    EXPECT_EQ(v->get("number"), Value("42"));
    EXPECT_EQ(v->get("list"), Value::array({"a", "b c", Value::array(), Value::dictionary(),
                                            Value(Value::Bytes{0x0a, 0x0b, 0xff})}));
    EXPECT_EQ(v->get("pair"), Value("\U0001F697"));
    EXPECT_EQ(v->get("raw"), Value("caf\u00e9"));

    // Strings files: bare pairs at the top, a key alone standing for itself.
    auto strings = PropertyList::parse("\"Hello\" = \"Bonjour\";\nOK;\n/* end */");
    ASSERT_TRUE(strings);
    EXPECT_EQ(*strings, Value::dictionary({{"Hello", "Bonjour"}, {"OK", "OK"}}));
    EXPECT_EQ(PropertyList::parse("  // nothing here\n"), Value::dictionary());
    EXPECT_EQ(PropertyList::parse("(1, 2)"), Value::array({"1", "2"}));

    // UTF-16 with a byte-order mark, both byte orders.
    std::string be = std::string("\xFE\xFF\0(\0\"\0\xE9\0\"\0)", 12);
    std::string le = std::string("\xFF\xFE(\0\"\0\xE9\0\"\0)\0", 12);
    EXPECT_EQ(PropertyList::parse(be), Value::array({"\u00e9"}));
    EXPECT_EQ(PropertyList::parse(le), Value::array({"\u00e9"}));
}

TEST(PropertyListTest, MalformedInputIsRefusedWithAReason) {
    for (const char* bad : {
             "{ a = b }",        // missing ';'
             "{ a = b; ",        // missing '}'
             "{ a b; }",         // missing '='
             "( a b )",          // missing ','
             "( a, ",            // unterminated array
             "\"open",           // unterminated string
             "<0a0>",            // odd digits
             "<0g>",             // not hex
             "/* open comment",  //
             "{ a = b; } junk",  // junk after the list
             "a = ",             // strings file cut short
             "}",                //
             "<?xml version=\"1.0\"?><plist><dict><key>a</key></plist>",
             "<plist><array><string>x</string>",
             "<plist></plist>",
             "<plist><array></dict></plist>",
             "bplist00",
             "bplist01 some future format padded to be long enough to have a trailer....",
         })
        expectCorrupt(bad, bad);
    expectCorrupt("", "empty");
    std::string withNul("( a, \0 )", 8);
    expectCorrupt(withNul, "NUL");
    std::string xmlNul("<plist><string>a\0b</string></plist>", 36);
    expectCorrupt(xmlNul, "NUL in XML");

    Error error;
    PropertyList::parse("{\n\n a = b\n}", &error);
    EXPECT_NE(error.localizedDescription().find("line 4"), std::string::npos)
        << error.localizedDescription();
}

TEST(PropertyListTest, TruncatedAndMutatedFilesNeverCrash) {
    const std::string bin = *PropertyList::serialize(sample(), PropertyListFormat::Binary);
    const std::string xml = *PropertyList::serialize(sample(), PropertyListFormat::Xml);
    // Every truncation of a valid binary list is refused.
    // (Below six bytes the prefix of "bplist" is a valid one-word text list.)
    for (std::size_t n = 6; n < bin.size(); ++n) {
        Error error;
        EXPECT_FALSE(PropertyList::parse(std::string_view(bin).substr(0, n), &error)) << n;
    }
    for (std::size_t n = 0; n < xml.size(); n += 7) {
        // Some truncations of XML still parse; only the absence of a crash is asked.
        (void)PropertyList::parse(std::string_view(xml).substr(0, n));
    }
    // Random damage: flipped bytes anywhere, the trailer included.
    std::mt19937 rng(20261207);
    const std::string text =
        "// c\n{ a = b; \"q\\U00e9\\n\\101\" = ( x, 'y', <0a0b>, { z = \"\\UD83D\\UDE97\"; } ); "
        "/* c */ e = (); }";
    const std::string_view alphabet = "{}()<>;=,\"'\\/*Uu0123456789abcdef \n\xC3\xA9\xFF";
    for (int round = 0; round < 3000; ++round) {
        const std::string damaged = storage_test::randomlyDamaged(text, alphabet, rng, true);
        // What reads must also write and read back the same.
        auto v = PropertyList::parse(damaged);
        if (!v) continue;
        if (auto bytes = PropertyList::serialize(*v, PropertyListFormat::Binary)) {
            EXPECT_EQ(PropertyList::parse(*bytes), *v) << damaged;
        }
    }
    for (int round = 0; round < 4000; ++round) {
        std::string damaged = round % 2 ? bin : xml;
        int flips = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < flips; ++k)
            damaged[rng() % damaged.size()] = static_cast<char>(rng() & 0xFF);
        (void)PropertyList::parse(damaged);
    }
}

TEST(PropertyListTest, HostileBinaryListsAreRefused) {
    // A chain of arrays far deeper than any real list: the parser would recurse off the stack.
    std::vector<std::string> chain;
    const std::uint32_t kLinks = 100000;
    for (std::uint32_t i = 0; i + 1 < kLinks; ++i) chain.push_back(arrayOf({i + 1}));
    chain.push_back(arrayOf({}));
    expectCorrupt(binaryPlist(chain), "deep chain");

    // Shared objects that would expand into 2^40 copies.
    std::vector<std::string> bomb;
    for (std::uint32_t i = 0; i < 40; ++i) bomb.push_back(arrayOf({i + 1, i + 1}));
    bomb.push_back(std::string("\x51x", 2));
    expectCorrupt(binaryPlist(bomb), "fan-out");

    // An array containing itself.
    expectCorrupt(binaryPlist({arrayOf({0})}), "cycle");
    // References and lengths pointing past the data.
    expectCorrupt(binaryPlist({arrayOf({7})}), "missing object");
    expectCorrupt(binaryPlist({std::string("\x5F\x13\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFFxy", 12)}),
                  "huge length");
    expectCorrupt(binaryPlist({arrayOf({})}, 3), "bad top object");

    // Two objects made of the same bytes: harmless here, but the way to make a small file
    // cost unbounded work.
    std::string area = arrayOf({1, 2});
    auto textAt = static_cast<std::uint32_t>(8 + area.size());
    area += std::string("\x52hi", 3);
    expectCorrupt(rawPlist(area, {8, textAt, textAt}), "overlapping objects");

    // A modest sharing is fine: the same text referenced twice.
    auto ok = PropertyList::parse(binaryPlist({arrayOf({1, 1}), std::string("\x52hi", 3)}));
    ASSERT_TRUE(ok);
    EXPECT_EQ(*ok, Value::array({"hi", "hi"}));

    // Deep XML and text lists are refused too.
    std::string deepXml = "<plist>";
    for (int i = 0; i < 100000; ++i) deepXml += "<array>";
    expectCorrupt(deepXml, "deep XML");
    // The same hidden where a parser that knows no CDATA would still see tags.
    expectCorrupt("<plist><![CDATA[" + deepXml.substr(7) + "]]>", "deep XML in CDATA");
    // Unclosed tags without any '>' are scanned once, not once per tag.
    std::string unclosed = "<plist>";
    for (int i = 0; i < 200000; ++i) unclosed += "<dict";
    expectCorrupt(unclosed, "unclosed tags");
    expectCorrupt(std::string(100000, '('), "deep text");
}

TEST(PropertyListTest, ValuesWithoutAFaithfulFormAreNotWritten) {
    Value deep = Value::array();
    for (int i = 0; i < PropertyList::kMaxDepth + 5; ++i) deep = Value::array({deep});
    for (const Value& bad : {
             Value(),
             Value::array({1, Value()}),
             Value(std::string("a\0b", 3)),
             Value("bad \xff utf-8"),
             Value::dictionary({{std::string("k\xC3", 2), 1}}),
             Value(Date{1e12}),
             Value(Date{-5e9}),
             deep,
         }) {
        for (auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
            Error error;
            EXPECT_FALSE(PropertyList::serialize(bad, format, &error));
            EXPECT_TRUE(error.is(StorageError::kDomain, StorageError::kPropertyListWriteInvalid));
        }
    }
    EXPECT_FALSE(PropertyList::serialize(Value(1), PropertyListFormat::OpenStep));
}

TEST(PropertyListTest, FilesAreReadAndWrittenSafely) {
    TempDir dir;
    auto file = dir / "settings.plist";
    Error error;
    EXPECT_FALSE(PropertyList::readFile(file, &error));
    EXPECT_TRUE(error.is(StorageError::kDomain, StorageError::kFileReadNoSuchFile));

    ASSERT_TRUE(PropertyList::writeFile(file, sample(), PropertyListFormat::Binary, &error));
    EXPECT_EQ(AtomicFile::read(file)->substr(0, 8), "bplist00");
    EXPECT_EQ(PropertyList::readFile(file), sample());

    // An unstorable value leaves the file as it was.
    EXPECT_FALSE(PropertyList::writeFile(file, Value::array({Value()})));
    EXPECT_EQ(PropertyList::readFile(file), sample());
    // So does a write into a folder that is gone.
    EXPECT_FALSE(PropertyList::writeFile(dir / "gone" / "x.plist", sample(),
                                         PropertyListFormat::Binary, &error));
    EXPECT_TRUE(error.is(StorageError::kDomain, StorageError::kFileWriteUnknown));

    ASSERT_TRUE(AtomicFile::write(file, "{ broken"));
    EXPECT_FALSE(PropertyList::readFile(file, &error));
    EXPECT_EQ(error.code, StorageError::kPropertyListReadCorrupt);
    EXPECT_EQ(error.userInfo.get("NSFilePath"), Value(file.string()));
}
