#include "tests/scene/scene_test_support.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "framework/archive.h"
#include "framework/file.h"
#include "imaging/packed_dib.h"
#include "imaging/dib.h"
#include "scene/vesper_doc.h"
#include "sprites/sprite.h"

namespace vesper::test {

HGLOBAL MakePicture(LONG width, LONG height, WORD bits, DWORD coloursUsed, BYTE seed)
{
    const DWORD tableEntries = coloursUsed ? coloursUsed : (bits <= 8 ? 1u << bits : 0u);
    const DWORD stride = ((bits * width + 31) / 32) * 4;
    const DWORD size = 40 + tableEntries * 4 + stride * height;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biSizeImage = stride * height;
    header.biXPelsPerMeter = 3790;
    header.biYPelsPerMeter = 3780;
    header.biClrUsed = coloursUsed;
    header.biClrImportant = coloursUsed;
    std::memcpy(bytes, &header, sizeof header);
    for (DWORD i = 0; i < tableEntries; ++i) {
        const BYTE entry[4] = {static_cast<BYTE>(i * 3 + seed), static_cast<BYTE>(i * 5), static_cast<BYTE>(255 - i), 0};
        std::memcpy(bytes + 40 + i * 4, entry, 4);
    }
    for (DWORD i = 40 + tableEntries * 4; i < size; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + seed);
    GlobalUnlock(block);
    return block;
}

CDIB* MakeDIB(LONG width, LONG height, WORD bits, DWORD coloursUsed, BYTE seed)
{
    auto* picture = new CDIB;
    picture->dib = MakePicture(width, height, bits, coloursUsed, seed);
    return picture;
}

std::vector<BYTE> BlockBytes(HGLOBAL block)
{
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> copy(bytes, bytes + GlobalSize(block));
    GlobalUnlock(block);
    return copy;
}

std::vector<BYTE> StoreInPlace(CObject& object)
{
    return StoreToBytes(object);
}

void LoadInPlace(CObject& object, const std::vector<BYTE>& bytes)
{
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    object.Serialize(ar);
    ar.Close();
}

std::vector<BYTE> StoreScene(CVesperDoc& doc)
{
    return StoreInPlace(doc);
}

BOOL LoadSceneBytes(CVesperDoc& doc, const std::vector<BYTE>& bytes)
{
    CMemFile file(bytes);
    return doc.LoadScene(file, 0);
}

void WriteFile(const std::string& path, const std::vector<BYTE>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<BYTE> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Append16(std::vector<BYTE>& bytes, WORD value)
{
    bytes.push_back(static_cast<BYTE>(value));
    bytes.push_back(static_cast<BYTE>(value >> 8));
}

void Append32(std::vector<BYTE>& bytes, DWORD value)
{
    Append16(bytes, static_cast<WORD>(value));
    Append16(bytes, static_cast<WORD>(value >> 16));
}

void AppendText(std::vector<BYTE>& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
}

int SpriteCount(const CVesperDoc& doc)
{
    return doc.sprites.GetCount();
}

CSprite* SpriteAt(const CVesperDoc& doc, int index)
{
    return static_cast<CSprite*>(doc.sprites.GetAt(doc.sprites.FindIndex(index)));
}

}  // namespace vesper::test
