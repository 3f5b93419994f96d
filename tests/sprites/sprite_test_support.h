// Helpers shared by the sprite and sprite list tests: packed pictures built
// byte by byte, archives over memory, and a stage that records what it is told.
#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "framework/archive.h"
#include "framework/file.h"
#include "platform/win32.h"
#include "sprites/rect_list.h"
#include "sprites/sprite.h"
#include "sprites/stage_change_target.h"

namespace vesper::test {

inline void PutLE(std::vector<BYTE>& out, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// A 40-byte bitmap info header without compression.
inline std::vector<BYTE> InfoHeaderBytes(int width, int height, int bits, int colours, int imageSize)
{
    std::vector<BYTE> bytes;
    PutLE(bytes, 40, 4);
    PutLE(bytes, static_cast<std::uint32_t>(width), 4);
    PutLE(bytes, static_cast<std::uint32_t>(height), 4);
    PutLE(bytes, 1, 2);
    PutLE(bytes, static_cast<std::uint32_t>(bits), 2);
    PutLE(bytes, 0, 4);  // no compression
    PutLE(bytes, static_cast<std::uint32_t>(imageSize), 4);
    PutLE(bytes, 0, 4);
    PutLE(bytes, 0, 4);
    PutLE(bytes, static_cast<std::uint32_t>(colours), 4);
    PutLE(bytes, 0, 4);
    return bytes;
}

// The bytes of a packed picture with a 40-byte header, `colours` table entries
// and pixel rows filled with a pattern that differs from row to row.
inline std::vector<BYTE> PackedPictureBytes(int width, int height, int bits, int colours)
{
    const int stride = ((bits * width + 31) / 32) * 4;
    std::vector<BYTE> bytes = InfoHeaderBytes(width, height, bits, colours, stride * height);
    for (int i = 0; i < colours; ++i) {
        const BYTE level = static_cast<BYTE>(i * 16);
        bytes.insert(bytes.end(), {level, static_cast<BYTE>(255 - level), static_cast<BYTE>(i), 0});
    }
    for (int row = 0; row < height; ++row)
        for (int i = 0; i < stride; ++i)
            bytes.push_back(static_cast<BYTE>(row * 7 + i));
    return bytes;
}

// A movable block holding `bytes`; the caller hands it to an object that frees it.
inline HGLOBAL BlockOf(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

inline std::vector<BYTE> BytesOf(HGLOBAL block)
{
    const auto* start = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> bytes(start, start + GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

// Runs `store` on a storing archive over memory and returns the bytes written.
template <typename Store>
std::vector<BYTE> StoredBytes(Store store)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
        ar.Close();
    }
    return file.Bytes();
}

inline std::vector<BYTE> StoredObject(const CObject& object)
{
    return StoredBytes([&](CArchive& ar) { ar.StoreObject(&object); });
}

// Loads one sprite object from `bytes`; null when it is not a T.
template <typename T>
std::unique_ptr<T> LoadedObject(std::vector<BYTE> bytes)
{
    CMemFile file(std::move(bytes));
    CArchive ar(&file, CArchive::load);
    std::unique_ptr<CObject> object(ar.LoadObject(RUNTIME_CLASS(CSprite)));
    if (!dynamic_cast<T*>(object.get()))
        return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(object.release()));
}

// A new-class tag with schema 0 and the class name, as the archive writes it
// before the first object of a class.
inline std::vector<BYTE> NewClassRecordBytes(const std::string& name)
{
    std::vector<BYTE> bytes;
    PutLE(bytes, 0xFFFF, 2);
    PutLE(bytes, 0, 2);
    PutLE(bytes, static_cast<std::uint32_t>(name.size()), 2);
    for (const char c : name)
        bytes.push_back(static_cast<BYTE>(c));
    return bytes;
}

// The bytes of a string as the archive writes it for lengths below 255.
inline std::vector<BYTE> ShortStringBytes(const std::string& text)
{
    std::vector<BYTE> bytes{static_cast<BYTE>(text.size())};
    for (const char c : text)
        bytes.push_back(static_cast<BYTE>(c));
    return bytes;
}

// A stage that collects changed areas exactly as the player's stage does:
// ChangeArea rectangles go into a CRectList with AddRect.
class RecordingStage : public CStageChangeTarget {
public:
    RecordingStage() = default;
    RecordingStage(int width, int height) : size{width, height} {}
    ~RecordingStage() { rects.DeleteAllRects(); }

    SIZE GetStageSize() const override { return size; }

    void NotifyChange(int kind, const RECT* area) override
    {
        calls.emplace_back(kind, area ? *area : RECT{-1, -1, -1, -1});
        if (kind == ChangeArea && area)
            rects.AddRect(area);
    }

    SIZE size{640, 480};
    std::vector<std::pair<int, RECT>> calls;
    CRectList rects;
};

// The first `count` draws of the generator after seeding it with `seed`.
inline std::vector<int> Draws(unsigned seed, int count)
{
    std::srand(seed);
    std::vector<int> draws;
    for (int i = 0; i < count; ++i)
        draws.push_back(std::rand());
    return draws;
}

inline std::vector<RECT> RectsOf(const CRectList& list)
{
    std::vector<RECT> rects;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        rects.push_back(list.GetNextRect(pos));
    return rects;
}

}  // namespace vesper::test

inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void PrintTo(const RECT& r, std::ostream* os)
{
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
