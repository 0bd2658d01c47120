// The tab bar that heads every page of the main window: its look, its skins
// and its tabs, each as wide as its caption and 20 pixels.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "controls/adv_tab_set.h"

// The colour of the pages and of the panel that holds them.
constexpr TColor kPageColour = 15130846;

void SetUpPageTabs(TAdvTabSet& tabs, HMODULE pictures, std::initializer_list<const char*> captions);
