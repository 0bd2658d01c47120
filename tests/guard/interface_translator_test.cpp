#include "guard/interface_translator.h"

#include <gtest/gtest.h>

#include <map>

#include "support/test_support.h"

namespace {

// A small control tree in place of real forms.
class TFakeControl : public TTranslatableControl {
public:
    TFakeControl(String name, String ownerName, std::vector<String> properties, int tabs = -1)
        : name_(std::move(name)), owner_(std::move(ownerName)), tabCount_(tabs)
    {
        for (const String& p : properties)
            values_[p] = "design " + p;
        for (int i = 0; i < tabs; ++i)
            tabs_.push_back("tab " + IntToStr(i));
    }
    TFakeControl& Add(std::unique_ptr<TFakeControl> child)
    {
        children_.push_back(std::move(child));
        return *children_.back();
    }

    String ControlName() const override { return name_; }
    String OwnerPrefixName() const override { return owner_; }
    bool HasTextProperty(const String& p) const override { return values_.count(p) != 0; }
    void SetTextProperty(const String& p, const String& v) override { values_[p] = v; }
    int TabCount() const override { return tabCount_; }
    void SetTabCaption(int i, const String& c) override { tabs_.at(static_cast<size_t>(i)) = c; }
    int ChildCount() const override { return static_cast<int>(children_.size()); }
    TTranslatableControl* Child(int i) override { return children_[static_cast<size_t>(i)].get(); }

    String Value(const String& p) const { return values_.count(p) ? values_.at(p) : "<none>"; }
    String Tab(int i) const { return tabs_.at(static_cast<size_t>(i)); }

private:
    String name_, owner_;
    int tabCount_;
    std::map<String, String> values_;
    std::vector<String> tabs_;
    std::vector<std::unique_ptr<TFakeControl>> children_;
};

TInterfaceTranslator Loaded(const test_support::TempFolder& folder, const std::string& text)
{
    const String file = folder.File("interface.txt");
    test_support::WriteAll(file, text);
    TInterfaceTranslator translator;
    translator.LoadFromFile(file);
    return translator;
}

}  // namespace

TEST(InterfaceTranslator, TextsById)
{
    test_support::TempFolder folder;
    const TInterfaceTranslator t = Loaded(folder,
                                          "300=Translated\r\n"
                                          "301=\r\n"           // empty value: the default stays
                                          "302\r\n"            // no "=": matches nothing
                                          "303=a=b\r\n"        // the value is all after the first "="
                                          "304=second\n"
                                          "304=first\r\n"      // the line that sorts first answers
                                          "305=same\r\n305=same\r\n"
                                          "caption=Lower\r\n");
    struct Case {
        const char* key;
        const char* expected;
    } cases[] = {
        {"300", "Translated"}, {"301", "default"}, {"302", "default"}, {"303", "a=b"},
        {"304", "first"},      {"305", "same"},    {"CAPTION", "Lower"}, {"999", "default"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.Translate(c.key, "default"), c.expected) << c.key;
}

TEST(InterfaceTranslator, MissingOrReloadedFile)
{
    test_support::TempFolder folder;
    TInterfaceTranslator t = Loaded(folder, "1=one\r\n");
    EXPECT_EQ(t.Translate("1", "x"), "one");
    t.LoadFromFile(folder.File("missing.txt"));
    EXPECT_TRUE(t.Empty());
    EXPECT_EQ(t.Translate("1", "x"), "x");
}

TEST(InterfaceTranslator, TranslateStringUsesTheRegisteredTable)
{
    test_support::TempFolder folder;
    const TInterfaceTranslator t = Loaded(folder,
                                          "10=Line one{CRLF}Line two{CRLF}end\r\n"
                                          "11=Schluessel %d\r\n"
                                          "12=%s und %s\r\n");
    RegisterTextTranslator(nullptr);
    EXPECT_EQ(TranslateString(10, "English{CRLF}default"), "English\r\ndefault");
    RegisterTextTranslator(&t);
    EXPECT_EQ(TranslateString(10, "x"), "Line one\r\nLine two\r\nend");
    EXPECT_EQ(TranslateString(13, "untranslated"), "untranslated");
    // A translation whose specifier doesn't fit falls back to the English text.
    EXPECT_EQ(TranslateFormat(11, "Key %s", {"HKCU"}), "Key HKCU");
    EXPECT_EQ(TranslateFormat(12, "%s and %s", {"a", "b"}), "a und b");
    EXPECT_EQ(TranslateFormat(12, "%s and %s", {"a"}), "%s and %s");
    RegisterTextTranslator(nullptr);
}

TEST(InterfaceTranslator, TranslateFormWalksControlsDepthFirst)
{
    test_support::TempFolder folder;
    const TInterfaceTranslator t = Loaded(folder,
                                          "fmMain.Caption=Main translated\r\n"
                                          "fmMain.btnOk.Caption=OK translated\r\n"
                                          "fmMain.btnOk.Hint=Hint translated\r\n"
                                          "btnOk.Caption=wrong: owner prefix missing\r\n"
                                          "frameLog.lblTitle.Caption=Frame label translated\r\n"
                                          "fmMain.lblTitle.Caption=wrong: the frame owns this label\r\n"
                                          "frameLog.tsPages.1=Second tab\r\n"
                                          "frameLog.tsPages.5=No such tab\r\n"
                                          "fmMain.edName.Text=\r\n"
                                          "fmMain.imgLogo.Caption=has no caption\r\n");
    TFakeControl form("fmMain", "", {"Caption", "Hint"});
    TFakeControl& ok = form.Add(std::make_unique<TFakeControl>("btnOk", "fmMain", std::vector<String>{"Caption", "Hint"}));
    TFakeControl& edit = form.Add(std::make_unique<TFakeControl>("edName", "fmMain", std::vector<String>{"Text"}));
    TFakeControl& image = form.Add(std::make_unique<TFakeControl>("imgLogo", "fmMain", std::vector<String>{}));
    TFakeControl& frame = form.Add(std::make_unique<TFakeControl>("frameLog", "fmMain", std::vector<String>{}));
    TFakeControl& label = frame.Add(std::make_unique<TFakeControl>("lblTitle", "frameLog", std::vector<String>{"Caption"}));
    TFakeControl& tabs = frame.Add(std::make_unique<TFakeControl>("tsPages", "frameLog", std::vector<String>{}, 3));

    t.TranslateForm(form);
    EXPECT_EQ(form.Value("Caption"), "Main translated");
    EXPECT_EQ(form.Value("Hint"), "design Hint");
    EXPECT_EQ(ok.Value("Caption"), "OK translated");
    EXPECT_EQ(ok.Value("Hint"), "Hint translated");
    EXPECT_EQ(edit.Value("Text"), "design Text");  // an empty value never replaces a text
    EXPECT_EQ(image.Value("Caption"), "<none>");
    EXPECT_EQ(label.Value("Caption"), "Frame label translated");
    EXPECT_EQ(tabs.Tab(0), "tab 0");
    EXPECT_EQ(tabs.Tab(1), "Second tab");
    EXPECT_EQ(tabs.Tab(2), "tab 2");
}

TEST(InterfaceTranslator, EmptyTableChangesNothing)
{
    TInterfaceTranslator t;
    TFakeControl form("fmMain", "", {"Caption"});
    t.TranslateForm(form);
    EXPECT_EQ(form.Value("Caption"), "design Caption");
    EXPECT_EQ(t.Translate("300", "English"), "English");
}
