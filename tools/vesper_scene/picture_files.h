// Picture files for scenes: reading the .bmp or PNG an author names, and
// writing a stored picture back out as a .bmp file.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "tools/vesper_scene/packed_picture.h"

namespace vesper::tools {

// The picture of a file, told apart by its contents:
// - a .bmp whose bytes after its 14-byte file header are a packed picture a
//   scene can hold (40-byte header, any depth, colour table right after the
//   header, rows that fit) is taken byte for byte, so that pictures written
//   by dump come back unchanged, also those the player does not draw (which
//   get a warning);
// - any other .bmp goes through the player's own reader (core headers,
//   top-down rows, 8-bit run-length data);
// - a PNG is packed by PackRgbaPicture.
// The warnings are about the picture as a sprite or background.
platform::Outcome<PackedPicture> ReadPictureFile(const std::string& path, PictureRole role);

// The height in a stored picture's header.
LONG PictureHeightOf(std::span<const BYTE> block);

// A .bmp file holding exactly the stored picture: a 14-byte file header, then
// the packed bytes as they are.
std::vector<BYTE> BmpFileOf(std::span<const BYTE> block);

}  // namespace vesper::tools
