// Every page's scroll bar is painted from the main form's scroll pictures:
// the up arrow 0 at rest and 1 while pressed, the down arrow 2 and 3 (drawn
// one pixel higher), the thumb 4, each at its part's left edge.
#pragma once

#include "classlib/image_list.h"
#include "controls/owner_scroll_bar.h"

// `pictures` must outlive the bar's painting (the main form's list does).
void PaintFromScrollPictures(TWOwnrScrllBar& bar, const TImageList& pictures);

// Moves the bar to the grid's selected row without running its OnChange
// (which selects the row the bar shows): no feedback loop.
void FollowRowQuietly(TWOwnrScrllBar& bar, int row);
