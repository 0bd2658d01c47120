#include "alert/alert_texts.h"

String TranslateWording(const TStringList& table, const String& text)
{
    const int index = table.IndexOfName(Trim(text));
    if (index < 0)
        return text;
    const String value = table.ValueFromIndex(index);
    return value.empty() ? text : value;
}

void TranslateAlertTexts(const TStringList& table, TAlertTexts& texts)
{
    texts.Caption = TranslateWording(table, texts.Caption);
    texts.CheckBox = TranslateWording(table, texts.CheckBox);
    texts.Question = TranslateWording(table, texts.Question);
    texts.Heading = TranslateWording(table, texts.Heading);
}
