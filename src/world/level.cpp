// The level file, the tile map and the level-sized bitmaps.
#include "world/level.h"

#include <allegro.h>

#include "shell/assets.h"
#include "shell/shell.h"

TILE iLevel[map_columns][map_rows];
int iXSize = 0;
int iYSize = 0;
SHOP_POS shop[5] = {};
BITMAP* buffer = nullptr;
BITMAP* back = nullptr;
BITMAP* before = nullptr;
BITMAP* now = nullptr;
DATAFILE* font1 = nullptr;
