#include "platform/settings.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/settings_store.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle {
namespace {

TEST(SettingsTest, DefaultsAreTheFirstStartValues) {
    const Settings settings;
    EXPECT_EQ(settings.HorizontalMarginValue(), 20);
    EXPECT_EQ(settings.VerticalMarginValue(), 30);
    EXPECT_EQ(settings.standart, (StyleSetting{"Arial", "15"}));
    EXPECT_EQ(settings.header1, (StyleSetting{"Arial", "28"}));
    EXPECT_EQ(settings.header4, (StyleSetting{"Arial", "18"}));
    EXPECT_EQ(settings.preformatedColor, (SettingsColor{0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA}));
    EXPECT_EQ(settings.hyperlinkColor, (SettingsColor{0xFFFFFFFF, 0, 0}));
    EXPECT_TRUE(settings.pagelist);
    EXPECT_FALSE(settings.pageslider);
    EXPECT_TRUE(settings.css);
    EXPECT_TRUE(settings.ignoreToc);
}

TEST(SettingsTest, KeysSetAndGetTheirValues) {
    struct Case {
        const char* key;
        const char* value;
        bool accepted;
        const char* stored;  // what Get gives afterwards
    };
    const Case cases[] = {
        {"horizontal_margin", "45", true, "45"},
        {"header_2_font", "Liberation Serif", true, "Liberation Serif"},
        {"preformated_size", "12", true, "12"},
        {"hyperlink_color", "#0080ff", true, "#0080ff"},
        {"hyperlink_color", "blue", false, "#ff0000"},
        {"ignore_toc", "0", true, "0"},
        {"pageslider", "yes", true, "1"},
        {"css", "maybe", false, "1"},
        {"pagelist_divider", "240", true, "240"},
        {"panel_divider", "12px", false, "-1"},
        {"cover_divider", "", false, "-1"},
        {"theme", "night", true, "night"},
        {"theme", "sepia", true, "sepia"},
        {"theme", "Night", false, "day"},
        {"theme", "dark", false, "day"},
        {"no_such_key", "1", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        Settings settings;
        EXPECT_EQ(settings.Set(c.key, c.value), c.accepted);
        const auto stored = settings.Get(c.key);
        if (c.stored == nullptr) {
            EXPECT_FALSE(stored.has_value());
        } else {
            EXPECT_EQ(stored, c.stored);
        }
    }
    Settings settings;
    settings.Set("hyperlink_color", "#0080ff");
    EXPECT_EQ(settings.hyperlinkColor, (SettingsColor{0, 0x80808080, 0xFFFFFFFF}));
}

TEST(SettingsTest, MarginsReadTheLeadingInteger) {
    const std::pair<const char*, int> cases[] = {{"20", 20},
                                                 {" 7px", 7},
                                                 {"-5", -5},
                                                 {"abc", 0},
                                                 {"", 0},
                                                 {"+3", 3},
                                                 {"99999999999999", 2147483647}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(LeadingInteger(text), expected);
    }
}

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_RUNTIME_DIR");
    }
    testing::TempDir dir_;
};

TEST_F(SettingsStoreTest, UseKeepsForThisLoginAndSaveKeepsForGood) {
    EXPECT_EQ(LoadSettings(), Settings()) << "no files yet: the defaults";

    Settings used;
    used.horizontalMargin = "44";
    ASSERT_TRUE(SaveSettings(used, SettingsScope::Current));
    EXPECT_EQ(LoadSettings(), used);

    Settings saved;
    saved.verticalMargin = "12";
    saved.pageslider = true;
    saved.hyperlinkColor = {0, 0xFFFFFFFF, 0};
    ASSERT_TRUE(SaveSettings(saved, SettingsScope::Permanent));
    ASSERT_TRUE(SaveSettings(saved, SettingsScope::Current));
    EXPECT_EQ(LoadSettings(), saved);

    // A new login: the current environment is gone, the permanent one comes back.
    std::filesystem::remove(SettingsFile(SettingsScope::Current));
    EXPECT_EQ(LoadSettings(), saved);
}

// One setting chosen in a menu goes into the permanent file alone: what was only "Used" stays
// out of it, and what it held stays in it.
TEST_F(SettingsStoreTest, OneSettingIsSavedWithoutTheOthers) {
    Settings saved;
    saved.verticalMargin = "12";
    ASSERT_TRUE(SaveSettings(saved, SettingsScope::Permanent));
    ASSERT_TRUE(SaveSetting("theme", "night", SettingsScope::Permanent));
    Settings expected = saved;
    expected.theme = PageTheme::Night;
    EXPECT_EQ(LoadSettings(), expected);

    std::filesystem::remove(SettingsFile(SettingsScope::Permanent));
    ASSERT_TRUE(SaveSetting("theme", "sepia", SettingsScope::Permanent));
    expected = Settings();
    expected.theme = PageTheme::Sepia;
    EXPECT_EQ(LoadSettings(), expected) << "a file of one key: the rest keep their defaults";
}

TEST_F(SettingsStoreTest, BadStoredValuesKeepTheirDefaults) {
    std::filesystem::create_directories(SettingsFile(SettingsScope::Current).parent_path());
    testing::WriteFile(SettingsFile(SettingsScope::Current),
                       "[Quirelle]\ncss=perhaps\nhyperlink_color=red\nheader_1_size=30\n"
                       "unknown_key=1\n");
    const Settings loaded = LoadSettings();
    EXPECT_TRUE(loaded.css);
    EXPECT_EQ(loaded.hyperlinkColor, Settings().hyperlinkColor);
    EXPECT_EQ(loaded.header1.size, "30");
}

// A damaged file loses only its unreadable lines: what it still holds is read, the permanent
// settings stand in for the rest, the user is told, and the next save keeps the readable lines.
TEST_F(SettingsStoreTest, ADamagedFileKeepsWhatItStillHolds) {
    std::string randomBytes;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245 + 12345;
        randomBytes.push_back(static_cast<char>(seed >> 16));
    }
    Settings permanent;
    permanent.verticalMargin = "12";
    permanent.css = false;
    struct Case {
        const char* name;
        std::string current;  // the current environment's file
        bool withPermanent;
        Settings expected;
    };
    Settings partly = permanent;
    partly.horizontalMargin = "44";
    partly.pageslider = true;
    const Case cases[] = {
        {"random bytes, nothing saved for good", randomBytes, false, Settings()},
        {"random bytes", randomBytes, true, permanent},
        {"one bad line among good ones",
         "[Quirelle]\nhorizontal_margin=44\n\x01\xff garbage\nnot a pair\npageslider=1\n", true,
         partly},
        {"keys before any group", "horizontal_margin=44\n[Quirelle]\npageslider=1\n\x02\n", true,
         [&] {
             Settings s = permanent;
             s.pageslider = true;
             return s;
         }()},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A folder of its own for each case: the damage of each file is told once per run.
        setenv("XDG_RUNTIME_DIR", (dir_ / ("runtime" + std::to_string(++run))).c_str(), 1);
        std::filesystem::remove_all(dir_ / "config");
        if (c.withPermanent) {
            ASSERT_TRUE(SaveSettings(permanent, SettingsScope::Permanent));
        }
        std::filesystem::create_directories(SettingsFile(SettingsScope::Current).parent_path());
        testing::WriteFile(SettingsFile(SettingsScope::Current), c.current);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(LoadSettings(), c.expected);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(SettingsFile(SettingsScope::Current).string() + " is damaged"),
                  std::string::npos)
            << said;
    }
}

TEST_F(SettingsStoreTest, SavingOverADamagedFileKeepsItsReadableLines) {
    const auto file = SettingsFile(SettingsScope::Permanent);
    std::filesystem::create_directories(file.parent_path());
    testing::WriteFile(file,
                       "# mine\n[Other]\nkeep=me\n[Quirelle]\nheader_1_size=30\n\xff\xfe\x01\n"
                       "future_key=7\n");
    ::testing::internal::CaptureStderr();
    Settings settings = LoadSettings();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(file.string() + " is damaged"), std::string::npos) << said;
    EXPECT_EQ(settings.header1.size, "30");
    settings.horizontalMargin = "5";
    ASSERT_TRUE(SaveSettings(settings, SettingsScope::Permanent));
    const std::string saved = testing::ReadFile(file);
    for (const char* line : {"# mine", "[Other]", "keep=me", "future_key=7", "header_1_size=30",
                             "horizontal_margin=5"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
    }
    EXPECT_EQ(saved.find('\x01'), std::string::npos) << "the unreadable line is gone";
    EXPECT_EQ(LoadSettings().horizontalMargin, "5");
}

}  // namespace
}  // namespace quirelle
