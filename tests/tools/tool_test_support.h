// Helpers the vesper-scene tests share: scenes as bytes, files, a stand-in
// player program, PNG files written straight through libpng, and runs of the
// tool in process and as the real executable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/api/win32_types.h"
#include "scene/vesper_doc.h"

namespace vesper::tools::test {

std::vector<BYTE> StoredScene(CVesperDoc& doc);
void WriteFile(const std::filesystem::path& path, const std::vector<BYTE>& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);
std::vector<BYTE> ReadFile(const std::filesystem::path& path);

// Filler around a copy of this program's patchable block.
std::vector<BYTE> FakePlayer(std::size_t size = 5000, std::size_t blockAt = 1234);

// A packed picture with every header field chosen by the caller; rows are
// filled with `fill` (padding included), colour entry i is (i, 2i, 3i).
std::vector<BYTE> PackedBytes(LONG width, LONG height, WORD bits, DWORD coloursUsed, BYTE fill);
// A movable block holding those bytes, for a CDIB.
HGLOBAL BlockOf(const std::vector<BYTE>& bytes);

// A PNG of RGBA pixels (top row first), written by libpng in the given
// simplified-interface format (PNG_FORMAT_RGBA, _RGB, _GRAY ...).
void WritePng(const std::filesystem::path& path, LONG width, LONG height, const std::vector<std::uint32_t>& rgba,
              std::uint32_t format);
// 0xRRGGBBAA.
constexpr std::uint32_t Rgba(BYTE r, BYTE g, BYTE b, BYTE a = 255)
{
    return std::uint32_t{r} << 24 | std::uint32_t{g} << 16 | std::uint32_t{b} << 8 | a;
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};
ToolRun RunInProcess(const std::vector<std::string>& args);
// The real executable, through the shell; out holds stdout and stderr.
ToolRun RunExecutable(const std::string& arguments);
std::string Quote(const std::filesystem::path& path);

}  // namespace vesper::tools::test
