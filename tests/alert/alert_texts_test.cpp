#include "alert/alert_texts.h"

#include <gtest/gtest.h>

TEST(AlertTexts, TranslatedByTheirEnglishWording)
{
    TStringList table;
    table.SetText("1=by id\r\n"
                  "Accept changes?=Annehmen?\r\n"
                  "accept changes?=second line, never used\r\n"
                  "Restore data?=\r\n"
                  "Talmoris Security Alert=Alarm=mit Gleichheitszeichen\r\n");
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"Accept changes?", "Annehmen?"},
        {"ACCEPT CHANGES?", "Annehmen?"},                       // letter case ignored, first line wins
        {"  Accept changes?  ", "Annehmen?"},                   // blanks around the text trimmed
        {"Restore data?", "Restore data?"},                     // an empty value keeps the English
        {"Talmoris Security Alert", "Alarm=mit Gleichheitszeichen"},  // the value after the first "="
        {"Always forbid these changes", "Always forbid these changes"},
        {"1", "by id"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateWording(table, c.text), c.shown) << c.text;

    TAlertTexts texts{"Talmoris Security Alert", "Always forbid these changes", "Accept changes?",
                      "Talmoris Security Alert has found the following changes:"};
    TranslateAlertTexts(table, texts);
    EXPECT_EQ(texts.Caption, "Alarm=mit Gleichheitszeichen");
    EXPECT_EQ(texts.CheckBox, "Always forbid these changes");
    EXPECT_EQ(texts.Question, "Annehmen?");
}
