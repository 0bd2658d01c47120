// The alert window's texts are translated by their English wording: the
// main program's table is read as name=value lines, and a line whose name is
// the text itself (blanks around it trimmed, letter case ignored, the first
// such line) gives the translation, when its value isn't empty.
#pragma once

#include "classlib/string_list.h"

struct TAlertTexts {
    String Caption;   // the window caption, also the caption label
    String CheckBox;  // "Always forbid these changes"
    String Question;  // the question from the block ("Accept changes?", ...)
    String Heading;   // "Talmoris Security Alert has found the following changes:"
};

// `text` translated by `table`, or `text` unchanged.
String TranslateWording(const TStringList& table, const String& text);
void TranslateAlertTexts(const TStringList& table, TAlertTexts& texts);
