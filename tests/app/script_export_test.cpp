// Books in other scripts than Latin, exported as a user exports them: what pdftotext reads back
// from the PDF must hold every word of the chapter. A glyph drawn as a box, a cluster exported
// without its text, or a line that runs off the page all lose words.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/book_fixture.hpp"
#include "support/layout_fixture.hpp"
#include "support/program_run.hpp"

namespace quirelle {
namespace {

using testing::ProgramRun;
using testing::Quoted;

// How the chapter is held against pdftotext's text.
enum class Match {
    // Each word of the chapter is a word of the text, or a run of them: poppler cuts a word
    // wherever two of its glyphs stand apart, as a vowel sign under a letter can make them.
    Words,
    // Each sentence of the chapter is in the text once all white space is gone from both: these
    // scripts put no spaces between words, and pdftotext breaks its lines anywhere.
    Sentences,
    // Each word of the chapter is in the text once all white space is gone: on a right-to-left
    // line poppler not only cuts words of joined letters, it also moves the spaces beside numbers
    // and punctuation, so that a word can come back glued to its neighbour.
    UnspacedWords,
};

struct ScriptCase {
    const char* name;
    const char* language;
    const char* direction;
    Match match;
    const char* title;
    std::vector<const char*> paragraphs;
};

void PrintTo(const ScriptCase& script, std::ostream* out) {
    *out << script.name;
}

const ScriptCase kScripts[] = {
    {"Latin",
     "en",
     "ltr",
     Match::Words,
     "The Lighthouse Keeper",
     {"Every evening the old keeper climbed the narrow stairs to the lamp room, counting the steps "
      "as his father had taught him. From the gallery he could see the whole bay: the fishing "
      "boats coming home, the gulls settling on the rocks, and the first lights of the village "
      "across the water. He wrote the weather in his log, wound the clockwork that turned the "
      "lens, and waited for the beam to sweep over the dark sea.",
      "In winter the storms came without warning. Waves broke against the granite walls and the "
      "wind shook the windows until the glass sang, but the lamp never went out. Sailors who had "
      "never met him knew his light, and more than one of them owed him their lives."}},
    {"Chinese",
     "zh-Hans",
     "ltr",
     Match::Sentences,
     "旧书与老人",
     {"清晨的阳光透过窗户洒在书桌上，老人慢慢地翻开那本旧书。书页已经发黄，边角也有些破损，"
      "但每一个字都还清清楚楚。他记得五十年前第一次读这本书的时候，自己还是一个刚刚离开家乡的"
      "年轻人。那时候他住在城市边上的一间小屋里，白天在工厂做工，晚上点着油灯读书，常常读到深夜"
      "。",
      "如今，窗外的街道早已变了模样：高楼代替了低矮的房屋，汽车代替了自行车。可是书里的故事一点"
      "也没有改变。他一边读，一边想起了许多往事——母亲做的饭菜、朋友们的笑声，还有那条流过村子的"
      "小河。读完最后一页，他合上书，静静地坐了很久，然后给远方的孙女写了一封信。"}},
    {"Japanese",
     "ja",
     "ltr",
     Match::Sentences,
     "灯台守",
     {"灯台守の老人は、毎晩同じ時刻に螺旋階段を上った。海は荒れていたが、彼は少しも急がなかった"
      "。「今夜も船が通るだろう」と彼は独り言を言った。ランプに火をともすと、長い光が暗い波の上を"
      "ゆっくりと回り始めた。",
      "遠くの港から、小さな漁船が帰ってくるのが見えた。老人は窓のそばに椅子を置き、温かいお茶を"
      "飲みながら、その灯りが岸に着くまで見守っていた。「無事に帰ってきてよかった」と、彼はほっと"
      "してつぶやいた。やがて東の空が白くなり、新しい朝が静かに訪れた。"}},
    {"Arabic",
     "ar",
     "rtl",
     Match::UnspacedWords,
     "يوم في المكتبة",
     {"ذهب أحمد إلى المكتبة العامة في صباح يوم الجمعة ليستعير كتابا عن تاريخ المدينة. قالت له "
      "أمينة المكتبة إن الكتاب موجود في القسم الثالث، وإن عدد صفحاته 350 صفحة. جلس أحمد بجانب "
      "النافذة وبدأ يقرأ بهدوء، ثم فتح حاسوبه ليبحث عن الكاتب على موقع Wikipedia فوجد أنه ولد "
      "في عام 1948 في مدينة صغيرة على ساحل البحر.",
      "في المساء عاد أحمد إلى البيت وحكى لأخته الصغيرة ما تعلمه في ذلك اليوم. أعجبتها القصة "
      "كثيرا وطلبت منه أن يأخذها معه إلى المكتبة في الأسبوع القادم، لأنها تحب الكتب المصورة عن "
      "الحيوانات والبحار."}},
    {"Hindi",
     "hi",
     "ltr",
     Match::Words,
     "राम की यात्रा",
     {"भारत एक विशाल देश है जहाँ अनेक भाषाएँ बोली जाती हैं। मेरा मित्र राम हर सुबह विद्यालय जाने "
      "से पहले अपनी माँ के साथ बगीचे में काम करता है। उसके पिता एक शिक्षक हैं और वे बच्चों को "
      "विज्ञान पढ़ाते हैं। पिछले वर्ष उन्होंने परिश्रम और धैर्य के बारे में एक सुंदर कहानी लिखी थी, "
      "जो कक्षा के सभी छात्रों को बहुत पसंद आई।",
      "गर्मियों की छुट्टियों में पूरा परिवार पहाड़ों की यात्रा पर गया। उस क्षेत्र के लोग बहुत सरल "
      "और मेहनती थे। राम ने अपनी डायरी में लिखा कि इस यात्रा से उसने प्रकृति के प्रति श्रद्धा और "
      "सम्मान सीखा।"}},
};

std::string Chapter(const ScriptCase& script) {
    std::string body = std::string("<h1>") + script.title + "</h1>";
    for (const char* paragraph : script.paragraphs) {
        body += std::string("<p>") + paragraph + "</p>";
    }
    const std::string language = script.language;
    return testing::Page(
        body, std::string("<title>") + script.title + "</title>",
        "xml:lang=\"" + language + "\" lang=\"" + language + "\" dir=\"" + script.direction + "\"");
}

// The code point that starts at text[i], and its length in bytes.
char32_t CodePointAt(std::string_view text, std::size_t i, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    length = std::min(length, text.size() - i);
    char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
        point = point << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    return point;
}

// The text with every kind of white space made one plain space, and without the direction marks
// pdftotext puts around right-to-left runs and the numbers in them (they are not the book's).
std::string Normalised(std::string_view text) {
    std::string result;
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        const char32_t point = CodePointAt(text, i, length);
        const bool directionMark = point == 0x200E || point == 0x200F ||
                                   (point >= 0x202A && point <= 0x202E) ||
                                   (point >= 0x2066 && point <= 0x2069);
        const bool space = point == ' ' || point == '\n' || point == '\t' || point == '\r' ||
                           point == '\f' || point == 0xA0 || point == 0x3000;
        if (space) {
            result += ' ';
        } else if (!directionMark) {
            result.append(text.substr(i, length));
        }
    }
    return result;
}

std::string Unspaced(std::string text) {
    std::erase(text, ' ');
    return text;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream stream(Normalised(text));
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

// The sentences of a text, each with the mark that ends it.
std::vector<std::string> Sentences(const std::string& text) {
    std::vector<std::string> sentences;
    std::string sentence;
    const std::string unspaced = Unspaced(Normalised(text));
    for (std::size_t i = 0, length = 0; i < unspaced.size(); i += length) {
        const char32_t point = CodePointAt(unspaced, i, length);
        sentence.append(unspaced, i, length);
        if (point == U'。' || point == U'！' || point == U'？') {
            sentences.push_back(std::move(sentence));
            sentence.clear();
        }
    }
    if (!sentence.empty()) {
        sentences.push_back(sentence);
    }
    return sentences;
}

// Lam followed by alef is drawn as one glyph, whose two letters poppler spells the other way
// round on a right-to-left line ("لأخته" comes back as "ألخته"). The word spelled that way.
std::string LamAlefSwapped(std::string word) {
    const std::string lam = "ل";
    for (std::size_t at = word.find(lam); at != std::string::npos; at = word.find(lam, at)) {
        const std::string next = word.substr(at + lam.size(), 2);
        if (next == "ا" || next == "أ" || next == "إ" || next == "آ") {
            word.replace(at, lam.size() + next.size(), next + lam);
            at += next.size();
        }
        at += lam.size();
    }
    return word;
}

// The pieces of the chapter, title first, that pdftotext's text must hold, as `match` cuts them.
std::vector<std::string> Pieces(const ScriptCase& script) {
    std::vector<std::string> pieces;
    std::vector<std::string> texts = {script.title};
    texts.insert(texts.end(), script.paragraphs.begin(), script.paragraphs.end());
    for (const std::string& text : texts) {
        const std::vector<std::string> cut =
            script.match == Match::Sentences ? Sentences(text) : Words(text);
        pieces.insert(pieces.end(), cut.begin(), cut.end());
    }
    return pieces;
}

// Whether some run of consecutive words, put together, spells `piece`.
bool IsRunOfWords(const std::vector<std::string>& words, const std::string& piece) {
    for (std::size_t first = 0; first < words.size(); ++first) {
        std::string run;
        for (std::size_t last = first; last < words.size() && piece.starts_with(run); ++last) {
            run += words[last];
            if (run == piece) {
                return true;
            }
        }
    }
    return false;
}

// The pieces of the chapter that are not in pdftotext's text, each named once.
std::vector<std::string> Missing(const ScriptCase& script, const std::string& pdfText) {
    const std::vector<std::string> pdfWords = Words(pdfText);
    const std::string unspaced = Unspaced(Normalised(pdfText));
    auto found = [&](const std::string& piece) {
        if (script.match == Match::Words) {
            return IsRunOfWords(pdfWords, piece);
        }
        return unspaced.find(piece) != std::string::npos;
    };
    std::vector<std::string> missing;
    for (const std::string& piece : Pieces(script)) {
        if (!found(piece) && !found(LamAlefSwapped(piece)) &&
            std::find(missing.begin(), missing.end(), piece) == missing.end()) {
            missing.push_back(piece);
        }
    }
    return missing;
}

class ScriptExportTest : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptExportTest, EveryWordOfTheChapterIsInThePdfText) {
    const ScriptCase& script = GetParam();
    testing::TempDir dir;
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml", Chapter(script)}}));
    const auto pdf = dir / "book.pdf";
    const ProgramRun run = testing::RunProgram(
        QUIRELLE_PROGRAM, "--export-pdf " + Quoted(pdf.string()) + " " + Quoted(book.string()),
        dir);
    ASSERT_EQ(run.status, 0) << run.err;

    // Not -raw: in content-stream order, a right-to-left line comes back one letter a line.
    const ProgramRun text =
        testing::RunProgram("pdftotext", "-enc UTF-8 " + Quoted(pdf.string()) + " -", dir);
    ASSERT_EQ(text.status, 0) << text.err;
    std::string missing;
    for (const std::string& piece : Missing(script, text.out)) {
        missing += " " + piece;
    }
    EXPECT_TRUE(missing.empty()) << "not in the text:" << missing << "\npdftotext gave:\n"
                                 << text.out;
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptExportTest, ::testing::ValuesIn(kScripts),
                         [](const ::testing::TestParamInfo<ScriptCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace quirelle
