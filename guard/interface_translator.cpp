#include "guard/interface_translator.h"

#include <atomic>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"
#include "classlib/format.h"

namespace {

std::atomic<const TInterfaceTranslator*> gTextTranslator{nullptr};

const char* const kTextProperties[] = {"Caption", "Hint", "Text"};

String ExpandLineBreaks(const String& text) { return StringReplace(text, "{CRLF}", "\r\n", rfReplaceAll); }

}  // namespace

TInterfaceTranslator::TInterfaceTranslator()
{
    table_.SetSorted(true);
    table_.SetDuplicates(TDuplicates::dupIgnore);
}

void TInterfaceTranslator::LoadFromFile(const String& fileName)
{
    table_.Clear();
    if (!FileExists(fileName))
        return;
    try {
        table_.LoadFromFile(fileName);
    } catch (const Exception&) {
        table_.Clear();  // an unreadable table means an English interface
    }
}

String TInterfaceTranslator::Translate(const String& key, const String& defaultText) const
{
    const String value = table_.Values(key);
    return value.empty() ? defaultText : value;
}

void TInterfaceTranslator::TranslateForm(TTranslatableControl& form) const
{
    if (Empty())
        return;
    TranslateControl(form);
}

void TInterfaceTranslator::TranslateControl(TTranslatableControl& control) const
{
    const String owner = control.OwnerPrefixName();
    const String prefix = (owner.empty() ? String() : owner + ".") + control.ControlName() + ".";
    for (const char* property : kTextProperties) {
        if (!control.HasTextProperty(property))
            continue;
        const String value = table_.Values(prefix + property);
        if (!value.empty())
            control.SetTextProperty(property, value);
    }
    const int tabs = control.TabCount();
    for (int i = 0; i < tabs; ++i) {
        const String value = table_.Values(prefix + IntToStr(i));
        if (!value.empty())
            control.SetTabCaption(i, value);
    }
    const int children = control.ChildCount();
    for (int i = 0; i < children; ++i)
        if (TTranslatableControl* child = control.Child(i))
            TranslateControl(*child);
}

void RegisterTextTranslator(const TInterfaceTranslator* translator) { gTextTranslator = translator; }

String TranslateString(int id, const String& defaultText)
{
    const TInterfaceTranslator* translator = gTextTranslator;
    const String text = translator ? translator->Translate(IntToStr(id), defaultText) : defaultText;
    return ExpandLineBreaks(text);
}

String TranslateFormat(int id, const String& defaultText, std::initializer_list<FormatArg> args)
{
    return FormatText(TranslateString(id, defaultText), ExpandLineBreaks(defaultText), args);
}

String InterfaceFileName(const String& programFolder)
{
    return IncludeTrailingPathDelimiter(programFolder) + "interface\\interface.txt";
}
