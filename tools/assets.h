// The asset generator's parts. Each writes its files into the directory out (which exists) and
// is deterministic: the same bytes on every run and every machine.
#ifndef OSA_TOOLS_ASSETS_H
#define OSA_TOOLS_ASSETS_H

#include <string>

// tiles.pcx, title.pcx, back.pcx, shops.dat, mora.dat, vela.dat, font.dat
bool write_pictures(const std::string& out);
// change.wav, shoe1.wav, shoe2.wav, land.wav, jump.wav, vela.wav, unlock.wav
bool write_sounds(const std::string& out);
// music.it (the town's tune, tune.h)
bool write_music(const std::string& out);
// level.dat, from the text map at map_path
bool write_level(const std::string& out, const std::string& map_path);
// demo.replay: the first mission played on the files written above (write them first)
bool write_demo(const std::string& out);

// The desktop icon, 48x48.png, 64x64.png, 128x128.png and 256x256.png (not part of dat/).
bool write_icons(const std::string& dir);

// Review sheets for a person to look at, written into dir (which exists).
bool write_picture_previews(const std::string& dir);
bool write_level_preview(const std::string& dir, const std::string& out, const std::string& map_path);

#endif
