#include "tests/tools/tool_test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <png.h>

#include "framework/archive.h"
#include "framework/file.h"
#include "platform/kernel/patchable_data.h"
#include "tools/vesper_scene/command_line.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools::test {

std::vector<BYTE> StoredScene(CVesperDoc& doc)
{
    return StoreToBytes(doc);
}

void WriteFile(const std::filesystem::path& path, const std::vector<BYTE>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<BYTE> ReadFile(const std::filesystem::path& path)
{
    return ReadWholeFile(path.string()).value_or(std::vector<BYTE>{});
}

std::vector<BYTE> FakePlayer(std::size_t size, std::size_t blockAt)
{
    std::vector<BYTE> player(size, 0x4F);
    for (std::size_t i = 0; i < sizeof(platform::PatchableData); ++i)
        player[blockAt + i] = reinterpret_cast<const volatile BYTE*>(&g_patchableData)[i];
    return player;
}

std::vector<BYTE> PackedBytes(LONG width, LONG height, WORD bits, DWORD coloursUsed, BYTE fill)
{
    const DWORD stride = ((bits * width + 31) / 32) * 4;
    const DWORD entries = bits > 8 ? coloursUsed : (coloursUsed ? coloursUsed : 1u << bits);
    std::vector<BYTE> block(40 + entries * 4 + stride * height, fill);
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biSizeImage = 12345;  // not the real size: must be kept as it is
    header.biXPelsPerMeter = 3790;
    header.biYPelsPerMeter = 3780;
    header.biClrUsed = coloursUsed;
    header.biClrImportant = 7;
    std::memcpy(block.data(), &header, sizeof header);
    for (DWORD i = 0; i < entries; ++i) {
        const BYTE entry[4] = {static_cast<BYTE>(3 * i), static_cast<BYTE>(2 * i), static_cast<BYTE>(i), 0};
        std::memcpy(block.data() + 40 + 4 * i, entry, 4);
    }
    return block;
}

HGLOBAL BlockOf(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

void WritePng(const std::filesystem::path& path, LONG width, LONG height, const std::vector<std::uint32_t>& rgba,
              std::uint32_t format)
{
    ASSERT_TRUE(format == PNG_FORMAT_RGBA || format == PNG_FORMAT_RGB || format == PNG_FORMAT_GRAY);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    // Grey takes the red component, RGB drops alpha.
    const int channels = static_cast<int>(PNG_IMAGE_SAMPLE_CHANNELS(format));
    std::vector<BYTE> samples;
    for (const std::uint32_t pixel : rgba) {
        for (int channel = 0; channel < channels; ++channel)
            samples.push_back(static_cast<BYTE>(pixel >> (24 - 8 * channel)));
    }
    ASSERT_EQ(samples.size(), PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, samples.data(), 0, nullptr)) << image.message;
}

ToolRun RunInProcess(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunTool(args, out, err);
    return {status, out.str(), err.str()};
}

ToolRun RunExecutable(const std::string& arguments)
{
    const std::string command = std::string(VESPER_SCENE_EXECUTABLE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output, {}};
}

std::string Quote(const std::filesystem::path& path)
{
    // Appended piece by piece: GCC 12 at -O3 misreads "'" + string as an overlapping copy.
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

}  // namespace vesper::tools::test
