#include "controls/bitmapped_combo_box_model.h"

#include <algorithm>

int ComboItemHeight(int normalPictureHeight, int fontHeight)
{
    return normalPictureHeight > 0 ? normalPictureHeight - 2 : fontHeight + 4;
}

TComboButtonRect ComboButtonRect(int clientRight, int clientTop, int clientBottom, int pictureWidth)
{
    return TComboButtonRect{clientRight - pictureWidth - 2, clientTop + 2, clientRight - 1, clientBottom - 2};
}

int ComboDropDownHeight(int itemHeight, int itemCount, int dropDownCount)
{
    const int rows = std::clamp(itemCount, 1, std::max(dropDownCount, 1));
    return itemHeight * rows + 2;
}
