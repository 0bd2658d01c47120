#include "controls/bitmapped_combo_box_model.h"

int ComboItemHeight(int normalPictureHeight, int fontHeight)
{
    return normalPictureHeight > 0 ? normalPictureHeight - 2 : fontHeight + 4;
}

TComboButtonRect ComboButtonRect(int clientRight, int clientTop, int clientBottom, int pictureWidth)
{
    return TComboButtonRect{clientRight - pictureWidth - 2, clientTop + 2, clientRight - 1, clientBottom - 2};
}
