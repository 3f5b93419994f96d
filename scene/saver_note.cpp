#include "scene/saver_note.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel/translation.h"

namespace vesper::scene {
namespace {

void PutWord(std::vector<BYTE>& out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

void PutPadded(std::vector<BYTE>& out, const char* text, std::size_t field)
{
    const std::size_t length = std::strlen(text);
    out.insert(out.end(), text, text + length);
    out.insert(out.end(), field - length, 0);
}

}  // namespace

std::vector<BYTE> SaverNoteBytes(SaverNoteKind kind)
{
    // Assembled here rather than kept whole, so that the note's bytes occur in
    // a program only where the program's own note is.
    std::vector<BYTE> bytes;
    PutWord(bytes, sizeof kSaverNoteOwner);
    PutWord(bytes, kSaverNoteDescriptorSize);
    PutWord(bytes, kSaverNoteType);
    PutPadded(bytes, kSaverNoteOwner, kSaverNoteOwnerField);
    PutPadded(bytes, kind == SaverNoteKind::player ? kPlayerNoteDescriptor : kSaverNoteDescriptor,
              kSaverNoteDescriptorSize);
    return bytes;
}

std::string MarkPlayerNoteAsSaver(std::vector<BYTE>& image)
{
    const std::vector<BYTE> player = SaverNoteBytes(SaverNoteKind::player);
    const auto reach = image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), kSaverNoteReach));
    const auto found = std::search(image.begin(), reach, player.begin(), player.end());
    if (found == reach)
        return {};
    if (std::search(found + 1, reach, player.begin(), player.end()) != reach)
        return Tr("the player's note (\"Vesper\", \"player\") occurs more than once");
    const std::vector<BYTE> saver = SaverNoteBytes(SaverNoteKind::saver);
    std::copy(saver.begin(), saver.end(), found);
    return {};
}

}  // namespace vesper::scene
