#include "view/metadata_text.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace quirelle {
namespace {

TEST(MetadataTextTest, DescriptionBecomesText) {
    struct Case {
        const char* what;
        const char* description;
        const char* shown;
    };
    const Case cases[] = {
        {"plain text keeps its lines", "Two\nlines", "Two\nlines"},
        {"plain text, entity left escaped", "Everyone&#8217;s &amp; no tag",
         "Everyone\u2019s & no tag"},
        {"a lone ampersand and a less-than", "Salt & pepper, 1 < 2", "Salt & pepper, 1 < 2"},
        {"tags removed, links keep their words",
         "<p>Everyone's familiar with <a href=\"http://x\">Sherlock</a>.</p>",
         "Everyone's familiar with Sherlock."},
        {"paragraphs kept, white space collapsed",
         "<p>First\n   paragraph.</p>\n<p>Second <em>one</em>.</p>",
         "First paragraph.\n\nSecond one."},
        {"a line break", "One<br/>Two<br>Three", "One\nTwo\nThree"},
        {"entities decoded", "<p>Rock &amp; roll &mdash; &ldquo;now&rdquo; &#x263A; &#169;</p>",
         "Rock & roll \u2014 \u201Cnow\u201D \u263A \u00A9"},
        {"unknown entity stays", "<p>&bogus; &#;</p>", "&bogus; &#;"},
        {"comments, scripts and styles dropped",
         "<!-- note --><style>p{}</style><p>Kept</p><script>alert(1)</script>", "Kept"},
        {"prefixed and upper-case tags", "<xhtml:P>One</xhtml:P><DIV>Two</DIV>", "One\n\nTwo"},
        {"a list", "<ul><li>a</li><li>b</li></ul>", "a\n\nb"},
        {"a tag never closed", "<p>Cut <a href=", "Cut"},
        {"empty", "   ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DescriptionAsText(c.description), c.shown);
    }
}

// In the C locale the short date is month/day/year; the year is always whole.
TEST(MetadataTextTest, DatesAreShownInTheLocalesWords) {
    const std::string before = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    struct Case {
        const char* date;
        const char* shown;
    };
    const Case cases[] = {
        {"2018-05-08T02:24:50Z", "05/08/2018"},
        {"2018-05-08T23:30:00-05:00", "05/08/2018"},  // the date as written, not as in UTC
        {"2018-05-08", "05/08/2018"},
        {" 1851-10-18 ", "10/18/1851"},
        {"1813-01", "January 1813"},
        {"1813", "1813"},
        {"2018-13-01", "2018-13-01"},
        {"2018-02-30", "2018-02-30"},
        {"2018-05-08Tnonsense", "2018-05-08Tnonsense"},
        {"Spring 1920", "Spring 1920"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        EXPECT_EQ(DateAsText(c.date), c.shown);
    }
    std::setlocale(LC_TIME, before.c_str());
}

}  // namespace
}  // namespace quirelle
