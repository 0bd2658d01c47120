// Translating a form: the interface translator walks a tree of controls
// through its own small interface; this gives it our controls.
#pragma once

#include "classlib/controls.h"
#include "guard/interface_translator.h"

// Sets the translated captions, hints and texts of `form` and of every
// control below it (depth first, in their order).
void TranslateControls(const TInterfaceTranslator& translator, TControl& form);
