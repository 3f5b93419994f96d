// The player's own note (see scene/saver_note.h). In a section whose name
// begins with ".note", the assembler makes it a note section and the linker
// places it with the other notes at the start of the program file.
#include "scene/saver_note.h"

namespace {

using vesper::scene::SaverNote;

[[gnu::used, gnu::section(".note.vesper")]] alignas(4) const SaverNote g_playerNote = {
    sizeof vesper::scene::kSaverNoteOwner,
    vesper::scene::kSaverNoteDescriptorSize,
    vesper::scene::kSaverNoteType,
    {'V', 'e', 's', 'p', 'e', 'r'},
    {'p', 'l', 'a', 'y', 'e', 'r'},
};

}  // namespace
