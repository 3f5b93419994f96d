// Builders for pictures and scenes, and stream helpers shared by the scene tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/object.h"
#include "platform/win32.h"

class CDIB;
class CVesperDoc;
class CSprite;

namespace vesper::test {

// A packed picture with a 40-byte header, coloursUsed table entries (the depth's
// full table when 0 and the depth has one) and rows of a pattern from `seed`.
HGLOBAL MakePicture(LONG width, LONG height, WORD bits, DWORD coloursUsed, BYTE seed = 1);
// A CDIB holding MakePicture(...).
CDIB* MakeDIB(LONG width, LONG height, WORD bits, DWORD coloursUsed, BYTE seed = 1);
// The bytes of a block.
std::vector<BYTE> BlockBytes(HGLOBAL block);

// The bytes an object's Serialize writes in place.
std::vector<BYTE> StoreInPlace(CObject& object);
// Loads an object in place from bytes; the archive's failure propagates.
void LoadInPlace(CObject& object, const std::vector<BYTE>& bytes);
// The scene stream of a document.
std::vector<BYTE> StoreScene(CVesperDoc& doc);
// Loads a bare scene stream through the document's loader.
BOOL LoadSceneBytes(CVesperDoc& doc, const std::vector<BYTE>& bytes);

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes);
std::vector<BYTE> ReadFile(const std::string& path);

// Little-endian fields for hand-made streams.
void Append16(std::vector<BYTE>& bytes, WORD value);
void Append32(std::vector<BYTE>& bytes, DWORD value);
void AppendText(std::vector<BYTE>& bytes, const std::string& text);

// Counts of a document's contents.
int SpriteCount(const CVesperDoc& doc);
CSprite* SpriteAt(const CVesperDoc& doc, int index);

}  // namespace vesper::test
