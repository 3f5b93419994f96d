// The note that tells a Linux saver from the bare player by its first bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "scene/saver_note.h"

namespace {

using vesper::scene::MarkPlayerNoteAsSaver;
using vesper::scene::SaverNote;
using vesper::scene::SaverNoteBytes;
using vesper::scene::SaverNoteKind;

std::size_t Count(const std::vector<BYTE>& image, const std::vector<BYTE>& pattern)
{
    std::size_t count = 0;
    for (auto at = image.begin(); (at = std::search(at, image.end(), pattern.begin(), pattern.end())) != image.end();
         ++at)
        ++count;
    return count;
}

std::vector<BYTE> ImageWithNotesAt(std::initializer_list<std::size_t> offsets)
{
    std::vector<BYTE> image(4000, 0x5A);
    const auto note = SaverNoteBytes(SaverNoteKind::player);
    for (const std::size_t at : offsets)
        std::copy(note.begin(), note.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    return image;
}

TEST(SaverNote, BytesAreAnElfNoteOfTheOwnerVesper)
{
    for (const auto kind : {SaverNoteKind::player, SaverNoteKind::saver}) {
        const auto bytes = SaverNoteBytes(kind);
        ASSERT_EQ(bytes.size(), sizeof(SaverNote));
        SaverNote note{};
        std::memcpy(&note, bytes.data(), sizeof note);
        EXPECT_EQ(note.ownerSize, 7u);  // "Vesper" and its NUL
        EXPECT_EQ(note.descriptorSize, 8u);
        EXPECT_EQ(note.type, 1u);
        EXPECT_STREQ(note.owner, "Vesper");
        EXPECT_STREQ(note.descriptor, kind == SaverNoteKind::player ? "player" : "saver");
        // The padding after the texts is zero, as readers of notes expect.
        EXPECT_EQ(note.owner[7], 0);
        EXPECT_EQ(note.descriptor[7], 0);
    }
}

TEST(SaverNote, PackingTurnsTheOnePlayerNoteIntoASaverNoteInPlace)
{
    auto image = ImageWithNotesAt({1000});
    const auto before = image;
    EXPECT_EQ(MarkPlayerNoteAsSaver(image), "");
    ASSERT_EQ(image.size(), before.size());
    EXPECT_EQ(Count(image, SaverNoteBytes(SaverNoteKind::player)), 0u);
    const auto saver = SaverNoteBytes(SaverNoteKind::saver);
    ASSERT_EQ(Count(image, saver), 1u);
    EXPECT_TRUE(std::equal(saver.begin(), saver.end(), image.begin() + 1000));
    // Nothing else moved.
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (i < 1000 || i >= 1000 + saver.size()) {
            ASSERT_EQ(image[i], before[i]) << "at " << i;
        }
    }

    // Packing a saver again leaves its note as it is.
    const auto marked = image;
    EXPECT_EQ(MarkPlayerNoteAsSaver(image), "");
    EXPECT_EQ(image, marked);
}

TEST(SaverNote, AnImageWithoutANoteIsLeftAndTwoNotesAreRefused)
{
    auto plain = ImageWithNotesAt({});
    const auto before = plain;
    EXPECT_EQ(MarkPlayerNoteAsSaver(plain), "");
    EXPECT_EQ(plain, before);

    auto twice = ImageWithNotesAt({100, 3000});
    const auto original = twice;
    EXPECT_NE(MarkPlayerNoteAsSaver(twice).find("more than once"), std::string::npos);
    EXPECT_EQ(twice, original);

    // A copy beyond the first page (a debug build's debugging information
    // holds one) is not the program's note: the one in reach is marked.
    auto beyond = ImageWithNotesAt({1000});
    const auto copy = SaverNoteBytes(SaverNoteKind::player);
    beyond.resize(6000, 0x5A);
    std::copy(copy.begin(), copy.end(), beyond.begin() + 5000);
    EXPECT_EQ(MarkPlayerNoteAsSaver(beyond), "");
    EXPECT_EQ(Count(beyond, SaverNoteBytes(SaverNoteKind::saver)), 1u);
    EXPECT_EQ(Count(beyond, SaverNoteBytes(SaverNoteKind::player)), 1u);

    // A note cut short by the end of the image is no note.
    auto cut = ImageWithNotesAt({});
    const auto note = SaverNoteBytes(SaverNoteKind::player);
    std::copy(note.begin(), note.end() - 1, cut.end() - static_cast<std::ptrdiff_t>(note.size()) + 1);
    const auto cutBefore = cut;
    EXPECT_EQ(MarkPlayerNoteAsSaver(cut), "");
    EXPECT_EQ(cut, cutBefore);
}

}  // namespace
