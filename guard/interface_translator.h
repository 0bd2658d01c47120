// The interface translation table: texts by decimal id for messages built in
// code, and texts for the controls of a form ("owner.control.Caption", tab
// captions by index). The table is "interface\interface.txt" in the program
// folder, name=value per line; names match ignoring case, and a missing file
// or an empty value leaves the English text in place.
#pragma once

#include "classlib/format.h"
#include "classlib/string_list.h"
#include "classlib/sysutils.h"

// What the translator needs of a control; the window layer's controls
// implement it.
class TTranslatableControl {
public:
    virtual ~TTranslatableControl() = default;
    virtual String ControlName() const = 0;
    // The owner's name when the owner is a named component other than the
    // application object, else "".
    virtual String OwnerPrefixName() const = 0;
    // "Caption", "Hint" or "Text" when the control has that property.
    virtual bool HasTextProperty(const String& property) const = 0;
    virtual void SetTextProperty(const String& property, const String& value) = 0;
    // Tab sets: the number of tabs, and a tab's caption; -1 for other controls.
    virtual int TabCount() const { return -1; }
    virtual void SetTabCaption(int /*index*/, const String& /*caption*/) {}
    // Windowed controls: the child controls in their order.
    virtual int ChildCount() const { return 0; }
    virtual TTranslatableControl* Child(int /*index*/) { return nullptr; }
};

class TInterfaceTranslator {
public:
    TInterfaceTranslator();

    // Clears the table, then loads the file when it exists.
    void LoadFromFile(const String& fileName);
    String Translate(const String& key, const String& defaultText) const;
    void TranslateForm(TTranslatableControl& form) const;
    bool Empty() const { return table_.Count() == 0; }

private:
    void TranslateControl(TTranslatableControl& control) const;

    TStringList table_;
};

// The translator behind TranslateString: the program registers its own (the
// main form's) at start-up and clears it before destroying it. Registering
// is not synchronised: do it while no other thread looks texts up.
void RegisterTextTranslator(const TInterfaceTranslator* translator);

// The translated text for `id`, else `defaultText`, with every "{CRLF}"
// replaced by CR LF.
String TranslateString(int id, const String& defaultText);
// The same with format arguments: a translation whose specifiers don't fit
// the arguments falls back to the English default.
String TranslateFormat(int id, const String& defaultText, FormatArgs args);

// "interface\interface.txt" under a program folder.
String InterfaceFileName(const String& programFolder);
