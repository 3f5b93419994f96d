// The public BMP suite: every file is either read correctly by both readers
// (pixels equal to the reference PNG) or refused cleanly. Which files each
// reader must accept is pinned down below, so that a regression that refuses
// a good file, or starts accepting a broken one, fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "imaging/dib8bpp.h"
#include "imaging/packed_dib.h"
#include "platform/user/message_box.h"
#include "tests/imaging/bmp_test_support.h"
#include "tests/support/test_data.h"

#ifdef VESPER_HAVE_PNG
#include <png.h>
#endif

namespace vesper::test {
namespace {

// R: the reader must read the file; -: it must refuse it.
struct Expectation {
    const char* name;
    char packed;  // ReadPackedDIBFile: 1/4/8/24 bits uncompressed and 8-bit run length, 40-byte header
    char frame;   // CDIB8BPP::LoadImage: 8 bits uncompressed, 40- or 12-byte header
    // Reference picture for a file read from q/ or b/ that shows the same
    // picture as a file of g/.
    const char* sameAs = nullptr;
};

const std::map<std::string, Expectation>& Expectations()
{
    static const std::map<std::string, Expectation> table = [] {
        std::map<std::string, Expectation> byPath;
        const std::pair<const char*, std::vector<Expectation>> sets[] = {
            {"g",
             {
                 {"pal1.bmp", 'R', '-'},          {"pal1bg.bmp", 'R', '-'},        {"pal1wb.bmp", 'R', '-'},
                 {"pal4.bmp", 'R', '-'},          {"pal4gs.bmp", 'R', '-'},        {"pal4rle.bmp", '-', '-'},
                 {"pal8-0.bmp", 'R', 'R'},        {"pal8.bmp", 'R', 'R'},          {"pal8gs.bmp", 'R', 'R'},
                 {"pal8nonsquare.bmp", 'R', 'R'}, {"pal8os2.bmp", '-', 'R'},       {"pal8rle.bmp", 'R', '-'},
                 {"pal8topdown.bmp", 'R', 'R'},   {"pal8v4.bmp", '-', '-'},        {"pal8v5.bmp", '-', '-'},
                 {"pal8w124.bmp", 'R', 'R'},      {"pal8w125.bmp", 'R', 'R'},      {"pal8w126.bmp", 'R', 'R'},
                 {"rgb16-565.bmp", '-', '-'},     {"rgb16-565pal.bmp", '-', '-'},  {"rgb16.bmp", '-', '-'},
                 {"rgb16bfdef.bmp", '-', '-'},    {"rgb24.bmp", 'R', '-'},         {"rgb24pal.bmp", 'R', '-'},
                 {"rgb32.bmp", '-', '-'},         {"rgb32bf.bmp", '-', '-'},       {"rgb32bfdef.bmp", '-', '-'},
             }},
            {"q",
             {
                 {"pal1huffmsb.bmp", '-', '-'},
                 {"pal1p1.bmp", 'R', '-'},
                 {"pal2.bmp", '-', '-'},
                 {"pal2color.bmp", '-', '-'},
                 {"pal4rlecut.bmp", '-', '-'},
                 {"pal4rletrns.bmp", '-', '-'},
                 {"pal8offs.bmp", 'R', 'R', "g/pal8.png"},
                 {"pal8os2-hs.bmp", '-', 'R', "g/pal8.png"},
                 {"pal8os2-sz.bmp", '-', 'R', "g/pal8.png"},
                 {"pal8os2sp.bmp", '-', 'R', "g/pal8.png"},
                 {"pal8os2v2-16.bmp", '-', '-'},
                 {"pal8os2v2-40sz.bmp", 'R', 'R', "g/pal8.png"},
                 {"pal8os2v2-sz.bmp", '-', '-'},
                 {"pal8os2v2.bmp", '-', '-'},
                 {"pal8oversizepal.bmp", '-', '-'},
                 {"pal8rlecut.bmp", 'R', '-'},
                 {"pal8rletrns.bmp", 'R', '-'},
                 {"rgb16-231.bmp", '-', '-'},
                 {"rgb16-3103.bmp", '-', '-'},
                 {"rgb16faketrns.bmp", '-', '-'},
                 {"rgb24jpeg.bmp", '-', '-'},
                 {"rgb24largepal.bmp", '-', '-'},
                 {"rgb24lprof.bmp", '-', '-'},
                 {"rgb24png.bmp", '-', '-'},
                 {"rgb24rle24.bmp", '-', '-'},
                 {"rgb32-111110.bmp", '-', '-'},
                 {"rgb32-7187.bmp", '-', '-'},
                 {"rgb32-xbgr.bmp", '-', '-'},
                 {"rgb32fakealpha.bmp", '-', '-'},
                 {"rgb32h52.bmp", '-', '-'},
                 {"rgba16-1924.bmp", '-', '-'},
                 {"rgba16-4444.bmp", '-', '-'},
                 {"rgba16-5551.bmp", '-', '-'},
                 {"rgba32-1.bmp", '-', '-'},
                 {"rgba32-1010102.bmp", '-', '-'},
                 {"rgba32-2.bmp", '-', '-'},
                 {"rgba32-61754.bmp", '-', '-'},
                 {"rgba32-81284.bmp", '-', '-'},
                 {"rgba32abf.bmp", '-', '-'},
                 {"rgba32h56.bmp", '-', '-'},
                 {"rgba64.bmp", '-', '-'},
             }},
            {"b",
             {
                 {"badbitcount.bmp", '-', '-'},
                 {"badbitssize.bmp", 'R', '-', "g/pal1.png"},
                 {"baddens1.bmp", 'R', '-', "g/pal1.png"},
                 {"baddens2.bmp", 'R', '-', "g/pal1.png"},
                 {"badfilesize.bmp", 'R', '-', "g/pal1.png"},
                 {"badheadersize.bmp", '-', '-'},
                 {"badpalettesize.bmp", '-', '-'},
                 {"badplanes.bmp", '-', '-'},
                 {"badrle.bmp", 'R', '-'},
                 {"badrle4.bmp", '-', '-'},
                 {"badrle4bis.bmp", '-', '-'},
                 {"badrle4ter.bmp", '-', '-'},
                 {"badrlebis.bmp", 'R', '-'},
                 {"badrleter.bmp", 'R', '-'},
                 {"badwidth.bmp", '-', '-'},
                 {"pal8badindex.bmp", 'R', 'R'},
                 {"reallybig.bmp", '-', '-'},
                 {"rgb16-880.bmp", '-', '-'},
                 {"rletopdown.bmp", '-', '-'},
                 {"shortfile.bmp", '-', '-'},
             }},
        };
        for (const auto& [set, files] : sets)
            for (const Expectation& e : files)
                byPath.emplace(std::string(set) + "/" + e.name, e);
        return byPath;
    }();
    return table;
}

// An RGB picture, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

std::optional<Picture> ReadReference(const std::filesystem::path& path)
{
#ifdef VESPER_HAVE_PNG
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    std::vector<BYTE> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return std::nullopt;
    Picture picture{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        picture.pixels.push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    return picture;
#else
    (void)path;
    return std::nullopt;
#endif
}

// The colour of every pixel of a packed block, by its depth.
std::optional<Picture> PictureOfBlock(HGLOBAL block, std::string& problem)
{
    const BlockView view(block);
    const BITMAPINFOHEADER& h = view.header;
    const DWORD stride = Stride(h.biWidth, h.biBitCount);
    if (h.biSize != 40 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0 ||
        view.size != 40 + std::size_t{h.biClrUsed} * 4 + std::size_t{stride} * h.biHeight ||
        h.biSizeImage != stride * static_cast<DWORD>(h.biHeight)) {
        problem = "inconsistent block";
        return std::nullopt;
    }
    Picture picture{h.biWidth, h.biHeight, {}};
    for (int y = 0; y < h.biHeight; ++y) {
        const BYTE* row = view.rows.data() + std::size_t{stride} * (h.biHeight - 1 - y);
        for (int x = 0; x < h.biWidth; ++x) {
            if (h.biBitCount == 24) {
                const BYTE* p = row + 3 * x;
                picture.pixels.push_back(RGB(p[2], p[1], p[0]));
                continue;
            }
            const int bit = x * h.biBitCount;
            const int index = (row[bit / 8] >> (8 - h.biBitCount - bit % 8)) & ((1 << h.biBitCount) - 1);
            if (index >= static_cast<int>(view.table.size())) {
                // Indexes past the table have no defined colour.
                picture.pixels.push_back(0xFFFFFFFF);
                continue;
            }
            const RGBQUAD& c = view.table[static_cast<std::size_t>(index)];
            picture.pixels.push_back(RGB(c.rgbRed, c.rgbGreen, c.rgbBlue));
        }
    }
    return picture;
}

Picture PictureOfFrame(const CDIB8BPP& frame)
{
    Picture picture{frame.GetWidth(), frame.GetHeight(), {}};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(frame.GetPixelColor(x, y));
    return picture;
}

// Empty when equal; otherwise where the first difference is.
std::string Compare(const Picture& actual, const Picture& expected)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + " instead of " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x)
            if (actual.At(x, y) != expected.At(x, y)) {
                std::ostringstream out;
                out << "pixel " << x << "," << y << " is " << std::hex << actual.At(x, y) << " instead of "
                    << expected.At(x, y);
                return out.str();
            }
    return {};
}

class BmpSuiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = SharedTestData() / "bmpsuite";
        VESPER_REQUIRE_TEST_DATA(m_root);
        m_previous = platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) { return IDOK; });
    }
    void TearDown() override { platform::SetMessageBoxHandler(m_previous); }

    // The reference picture a file read from the suite must equal, if any.
    std::optional<Picture> Reference(const std::string& relative, const Expectation& e) const
    {
        std::filesystem::path png = m_root / relative;
        png.replace_extension(".png");
        if (e.sameAs)
            png = m_root / e.sameAs;
        if (!std::filesystem::exists(png))
            return std::nullopt;
        auto picture = ReadReference(png);
        EXPECT_TRUE(picture) << "cannot decode " << png;
        return picture;
    }

    std::filesystem::path m_root;
    platform::MessageBoxHandler m_previous;
};

TEST_F(BmpSuiteTest, EveryFileIsListed)
{
    std::size_t files = 0;
    for (const char* set : {"g", "q", "b"})
        for (const auto& entry : std::filesystem::directory_iterator(m_root / set)) {
            if (entry.path().extension() != ".bmp")
                continue;
            ++files;
            const std::string relative = std::string(set) + "/" + entry.path().filename().string();
            EXPECT_TRUE(Expectations().count(relative)) << relative << " has no expectation";
        }
    EXPECT_EQ(files, Expectations().size());
#ifndef VESPER_HAVE_PNG
    GTEST_SKIP() << "built without libpng: pictures are not compared";
#endif
}

TEST_F(BmpSuiteTest, ReadPackedDIBReadsOrRefusesEachFile)
{
    for (const auto& [relative, e] : Expectations()) {
        SCOPED_TRACE(relative);
        OwnedBlock block(ReadPackedDIBFile((m_root / relative).c_str()));
        ASSERT_EQ(block ? 'R' : '-', e.packed);
        if (!block)
            continue;
        std::string problem;
        const auto picture = PictureOfBlock(block.get(), problem);
        ASSERT_TRUE(picture) << problem;
        if (const auto reference = Reference(relative, e)) {
            EXPECT_EQ(Compare(*picture, *reference), "");
        }
    }
}

TEST_F(BmpSuiteTest, FrameLoadImageReadsOrRefusesEachFile)
{
    for (const auto& [relative, e] : Expectations()) {
        SCOPED_TRACE(relative);
        CDIB8BPP frame;
        const BOOL read = frame.LoadImage((m_root / relative).c_str());
        ASSERT_EQ(read ? 'R' : '-', e.frame);
        if (!read) {
            EXPECT_EQ(frame.block, nullptr);
            continue;
        }
        EXPECT_EQ(GlobalSize(frame.block), 1064u + static_cast<std::size_t>(frame.GetStride()) * frame.GetHeight());
        EXPECT_EQ(frame.GetColorCount(), 256u);
        if (const auto reference = Reference(relative, e)) {
            EXPECT_EQ(Compare(PictureOfFrame(frame), *reference), "");
        }
    }
}

}  // namespace
}  // namespace vesper::test
