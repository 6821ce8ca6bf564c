#include "package/archive.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "package/archive_reader.hpp"
#include "platform/xml_parser.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle {
namespace {

using testing::Compression;
using testing::Damage;
using testing::Member;
using testing::TempDir;

std::optional<std::string> Extract(const std::string& book, std::string_view name) {
    ArchiveBuffer buffer;
    if (!ExtractEntry(book, name, buffer)) {
        return std::nullopt;
    }
    return std::string(buffer.Text());
}

class ArchiveTest : public ::testing::Test {
  protected:
    std::string Book(const std::vector<Member>& members, std::string_view fileName = "book.epub") {
        const auto path = dir_ / fileName;
        testing::WriteArchive(path, members);
        return path.string();
    }

    TempDir dir_;
};

TEST_F(ArchiveTest, LookupPrefersWholeNamesThenFirstContainingThenDecodedName) {
    const std::string book = Book({
        {"mimetype", "application/epub+zip", Compression::Store},
        {"META-INF/container.xml", "container"},
        {"OEBPS/images/backcover.jpg", "back"},
        {"OEBPS/cover.jpg", "cover"},
        {"a/1.xhtml", "a1"},
        {"b/1.xhtml", "b1"},
        {"OEBPS/Text/chapter1.xhtml", "chapter"},
        {"OEBPS/My Chapter.xhtml", "spaced"},
        {"OEBPS/50%25.xhtml", "literal percent"},
    });
    struct Case {
        std::string_view name;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"container.xml", "container"},
        {"cover.jpg", "cover"},  // a whole name beats the earlier images/backcover.jpg
        {"over.jpg", "back"},    // no whole name: the first entry containing it
        {"backcover", "back"},
        {"1.xhtml", "a1"},  // two whole names: archive order decides
        {"Text/chapter1.xhtml", "chapter"},
        {"chapter1", "chapter"},
        {"../Text/chapter1.xhtml", std::nullopt},
        {"My%20Chapter.xhtml", "spaced"},    // nothing contains it, its decoded form matches
        {"50%25.xhtml", "literal percent"},  // contained literally: no decoding
        {"", "application/epub+zip"},        // the empty name keeps "first entry"
        {"missing.xhtml", std::nullopt},
        {"COVER.JPG", std::nullopt},  // byte comparison, no case folding
    };
    // A reader held open answers from its index of whole names, and must find the same.
    ArchiveReader reader(book);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name));
        EXPECT_EQ(Extract(book, c.name), c.expected);
        EXPECT_EQ(reader.Read(c.name), c.expected);
    }
}

TEST_F(ArchiveTest, ExtractEntryFillsFourTimesTheSizeWithZerosAfterTheData) {
    const std::string book = Book({{"a.txt", "hello"}, {"empty.txt", ""}});

    ArchiveBuffer buffer;
    ASSERT_TRUE(ExtractEntry(book, "a.txt", buffer));
    EXPECT_EQ(buffer.size, 5u);
    EXPECT_EQ(buffer.capacity, 20u);
    EXPECT_EQ(buffer.Text(), "hello");
    for (std::size_t i = buffer.size; i < buffer.capacity; ++i) {
        ASSERT_EQ(buffer.data[i], '\0') << "at " << i;
    }

    ArchiveBuffer empty;
    ASSERT_TRUE(ExtractEntry(book, "empty.txt", empty));
    EXPECT_EQ(empty.size, 0u);
    ASSERT_NE(empty.data, nullptr);
    EXPECT_EQ(empty.data[0], '\0');
}

TEST_F(ArchiveTest, ExtractEntryIntoReplacesTheBufferExactlyOrLeavesItAlone) {
    const std::string book = Book({{"short.txt", "short"}, {"ten.txt", "0123456789"}});
    const std::string previous = "a much longer previous document text";

    auto bufferHolding = [&](std::size_t capacity) {
        ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(capacity);
        std::memcpy(buffer.data.get(), previous.c_str(), std::min(capacity - 1, previous.size()));
        buffer.size = static_cast<std::uint32_t>(std::min(capacity - 1, previous.size()));
        return buffer;
    };

    ArchiveBuffer buffer = bufferHolding(100);
    ASSERT_TRUE(ExtractEntryInto(book, "short.txt", buffer));
    EXPECT_EQ(buffer.Text(), "short");
    EXPECT_STREQ(buffer.data.get(), "short");

    // No match, and a member that would not fit with its NUL: the previous text stays.
    for (auto [name, capacity] : {std::pair{"missing.txt", 100}, std::pair{"ten.txt", 10}}) {
        SCOPED_TRACE(name);
        ArchiveBuffer kept = bufferHolding(capacity);
        const std::string before(kept.Text());
        EXPECT_FALSE(ExtractEntryInto(book, name, kept));
        EXPECT_EQ(kept.Text(), before);
        EXPECT_EQ(std::string_view(kept.data.get()), before);
    }

    ArchiveBuffer exact = bufferHolding(11);
    ASSERT_TRUE(ExtractEntryInto(book, "ten.txt", exact));
    EXPECT_STREQ(exact.data.get(), "0123456789");
}

TEST_F(ArchiveTest, DamagedMembersAreNotFoundAndLeaveTheBufferAlone) {
    const std::string text(5000, 'x');
    const Damage damages[] = {Damage::WrongCrc, Damage::DeclaredTooSmall, Damage::DeclaredTooLarge,
                              Damage::UnsupportedMethod};
    const char* names[] = {"wrong crc", "declared too small", "declared too large",
                           "unsupported method"};
    for (Compression compression : {Compression::Deflate, Compression::Store}) {
        for (std::size_t i = 0; i < std::size(damages); ++i) {
            SCOPED_TRACE(std::string(names[i]) +
                         (compression == Compression::Store ? ", stored" : ", deflated"));
            const std::string book = Book({{"ok.txt", "fine"}, {"bad.txt", text, compression}});
            testing::DamageMember(book, "bad.txt", damages[i]);

            EXPECT_FALSE(Extract(book, "bad.txt").has_value());
            ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(20000);
            std::strcpy(buffer.data.get(), "kept");
            buffer.size = 4;
            EXPECT_FALSE(ExtractEntryInto(book, "bad.txt", buffer));
            EXPECT_STREQ(buffer.data.get(), "kept");
            EXPECT_EQ(buffer.size, 4u);
            // The rest of the archive is still readable.
            EXPECT_EQ(Extract(book, "ok.txt"), "fine");
        }
    }
}

TEST_F(ArchiveTest, MembersLargerThanTheLimitAreRefused) {
    // A quarter of a GiB of zeros deflates to a few hundred KB: a classic archive bomb.
    const std::string book = Book({{"bomb.bin", std::string(kMaxMemberSize + 1, '\0')},
                                   {"lying.bin", std::string(1000, 'h')}});
    testing::DeclareSize(book, "lying.bin", 300u * 1024 * 1024);
    EXPECT_FALSE(Extract(book, "bomb.bin").has_value());
    EXPECT_FALSE(Extract(book, "lying.bin").has_value());
}

TEST_F(ArchiveTest, ProbeTellsReadableProtectedAndDamagedFiles) {
    auto withMembers = [](std::vector<Member> extra) {
        std::vector<Member> members = testing::MinimalBookMembers();
        members.insert(members.end(), extra.begin(), extra.end());
        return members;
    };
    const std::string fontObfuscation = R"(<?xml version="1.0"?>
<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container"
            xmlns:enc="http://www.w3.org/2001/04/xmlenc#">
  <enc:EncryptedData>
    <enc:EncryptionMethod Algorithm="http://www.idpf.org/2008/embedding"/>
    <enc:CipherData><enc:CipherReference URI="OEBPS/font.otf"/></enc:CipherData>
  </enc:EncryptedData>
  <enc:EncryptedData>
    <enc:EncryptionMethod Algorithm="http://ns.adobe.com/pdf/enc#RC"/>
    <enc:CipherData><enc:CipherReference URI="OEBPS/font2.otf"/></enc:CipherData>
  </enc:EncryptedData>
</encryption>)";
    const std::string aes = R"(<?xml version="1.0"?>
<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container"
            xmlns:enc="http://www.w3.org/2001/04/xmlenc#">
  <enc:EncryptedData>
    <enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>
    <enc:CipherData><enc:CipherReference URI="OEBPS/chapter1.xhtml"/></enc:CipherData>
  </enc:EncryptedData>
</encryption>)";

    const std::vector<Member> aesChapter = withMembers({{"META-INF/encryption.xml", aes}});
    enum class Cut { Whole, Half, Empty };
    struct Case {
        const char* what;
        const char* fileName;
        std::optional<std::vector<Member>> members;  // nullopt: a text file, no archive
        Cut cut;
        ProbeResult expected;
    };
    const Case cases[] = {
        {"plain book", "book.epub", withMembers({}), Cut::Whole, ProbeResult::Readable},
        {"plain book, any name", "book.zip", withMembers({}), Cut::Whole, ProbeResult::Readable},
        {"obfuscated fonts only", "book.epub",
         withMembers({{"META-INF/encryption.xml", fontObfuscation}}), Cut::Whole,
         ProbeResult::Readable},
        {"encrypted chapter", "book.epub", aesChapter, Cut::Whole, ProbeResult::Protected},
        {"rights document", "book.epub", withMembers({{"META-INF/rights.xml", "<rights/>"}}),
         Cut::Whole, ProbeResult::Protected},
        {"protected, not named .epub", "book.zip",
         withMembers({{"META-INF/rights.xml", "<rights/>"}}), Cut::Whole, ProbeResult::Protected},
        {"text file named .epub", "book.epub", std::nullopt, Cut::Whole, ProbeResult::Damaged},
        {"text file, other name", "notes.txt", std::nullopt, Cut::Whole, ProbeResult::Damaged},
        {"book cut short", "book.epub", withMembers({}), Cut::Half, ProbeResult::Damaged},
        {"protected book cut short", "book.epub", aesChapter, Cut::Half, ProbeResult::Damaged},
        {"empty file", "book.epub", std::nullopt, Cut::Empty, ProbeResult::Damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto path = dir / c.fileName;
        if (c.members) {
            testing::WriteArchive(path, *c.members);
        } else {
            testing::WriteFile(path, "This is a text file, not a ZIP archive.\n");
        }
        if (c.cut != Cut::Whole) {
            const std::string bytes = testing::ReadFile(path);
            testing::WriteFile(path, c.cut == Cut::Half ? bytes.substr(0, bytes.size() / 2) : "");
        }
        EXPECT_EQ(ProbeArchive(path.string()), c.expected);
    }
}

TEST_F(ArchiveTest, ProbeOfAMissingFileIsNotAProtectedBook) {
    EXPECT_EQ(ProbeArchive((dir_ / "gone.epub").string()), ProbeResult::Unreadable);
    EXPECT_EQ(ProbeArchive(dir_.path().string() + "/folder.epub"), ProbeResult::Unreadable);
}

class LoadDocumentTest : public ArchiveTest {
  protected:
    void SetUp() override {
        setenv("QUIRELLE_RAM_DIR", dir_.path().c_str(), 1);
        book_.archivePath = Book({
            {"OEBPS/long.xhtml", "<p>" + std::string(200, 'L') + "</p>"},
            {"OEBPS/short.xhtml", "<p>s</p>"},
            {"OEBPS/nul.xhtml", std::string("<p>before\0after</p>", 19)},
        });
        book_.documents.resize(4);
        book_.documents[0].href = "long.xhtml";
        book_.documents[1].href = "short.xhtml";
        book_.documents[2].href = "nul.xhtml";
        book_.documents[3].href = "missing.xhtml";
        book_.documentCount = 4;
    }
    void TearDown() override { unsetenv("QUIRELLE_RAM_DIR"); }

    BookState book_;
    ArchiveBuffer text_ = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
};

TEST_F(LoadDocumentTest, AShortDocumentAfterALongOneLeavesOnlyItsOwnText) {
    ASSERT_TRUE(LoadDocument(0, book_, text_, {}));
    ASSERT_TRUE(LoadDocument(1, book_, text_, {}));
    EXPECT_EQ(text_.Text(), "<p>s</p>");
    EXPECT_STREQ(text_.data.get(), "<p>s</p>");
}

TEST_F(LoadDocumentTest, TextIsCutAtTheFirstNul) {
    ASSERT_TRUE(LoadDocument(2, book_, text_, {}));
    EXPECT_EQ(text_.Text(), "<p>before");
}

TEST_F(LoadDocumentTest, AFailedLoadKeepsThePreviousDocument) {
    ASSERT_TRUE(LoadDocument(1, book_, text_, {}));
    for (int index : {3, -1, 1000, 5000}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(LoadDocument(index, book_, text_, {}));
        EXPECT_EQ(text_.Text(), "<p>s</p>");
    }
}

TEST_F(LoadDocumentTest, HtmlDumpHoldsTheLastDocumentLoaded) {
    DebugSwitches debug;
    debug.debugHtml = true;
    const auto dump = dir_ / "debug_html.html";

    ASSERT_TRUE(LoadDocument(0, book_, text_, {}));
    EXPECT_FALSE(std::filesystem::exists(dump)) << "written with the switch off";

    ASSERT_TRUE(LoadDocument(0, book_, text_, debug));
    ASSERT_TRUE(LoadDocument(1, book_, text_, debug));
    EXPECT_EQ(testing::ReadFile(dump), "<p>s</p>");
    EXPECT_FALSE(LoadDocument(3, book_, text_, debug));
    EXPECT_EQ(testing::ReadFile(dump), "<p>s</p>");
}

// Collects what an XHTML page says about its single picture.
class PictureScan : public XmlParser {
  public:
    std::vector<std::string> elements;
    std::string src;
    bool altEmpty = false;

  protected:
    void StartElement(std::string_view name, const Attributes& attributes) override {
        elements.emplace_back(name);
        if (name == "img") {
            src = attributes.Get("src");
            altEmpty = attributes.Get("alt").empty();
        }
    }
};

TEST(WrapImagePageTest, PageParsesAsXhtmlAndNamesThePicture) {
    for (std::string_view name : {"cover.jpg", "a \"quoted\" & <odd> name.png", ""}) {
        SCOPED_TRACE(std::string(name));
        ArchiveBuffer page = ArchiveBuffer::WithCapacity(4096);
        std::memset(page.data.get(), 'x', 4095);  // a longer previous text must not show through
        const std::uint32_t length = WrapImagePage(page, name);
        EXPECT_EQ(length, page.size);
        EXPECT_EQ(length, std::strlen(page.data.get()));
        EXPECT_TRUE(page.Text().starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
        EXPECT_TRUE(page.Text().ends_with("</div>\n</body>\n</html>"));

        PictureScan scan;
        ASSERT_TRUE(scan.Parse(page.Text()));
        EXPECT_EQ(scan.elements, (std::vector<std::string>{"html", "head", "body", "div", "img"}));
        EXPECT_EQ(scan.src, name);
        EXPECT_TRUE(scan.altEmpty);
    }
}

TEST(WrapImagePageTest, ABufferTooSmallIsLeftAlone) {
    ArchiveBuffer page = ArchiveBuffer::WithCapacity(16);
    std::strcpy(page.data.get(), "kept");
    page.size = 4;
    EXPECT_EQ(WrapImagePage(page, "cover.jpg"), 0u);
    EXPECT_STREQ(page.data.get(), "kept");
}

}  // namespace
}  // namespace quirelle
