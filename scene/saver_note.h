// The ELF note by which a Linux Vesper program says what it is. The patchable
// block sits deep in the program's data, out of reach of the type sniffing of
// file managers, which reads the first 4 KiB of a file only; the linker puts
// notes within the first page. A player built here carries the note with the
// descriptor "player"; packaging a scene into it turns that into "saver", so
// that a file manager tells a saver from the bare player by content alone.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vesper::scene {

inline constexpr char kSaverNoteOwner[] = "Vesper";
inline constexpr DWORD kSaverNoteType = 1;
inline constexpr std::size_t kSaverNoteOwnerField = 8;       // the owner with its NUL, padded to 4 bytes
inline constexpr std::size_t kSaverNoteDescriptorSize = 8;   // the descriptor, NUL-padded
inline constexpr char kPlayerNoteDescriptor[] = "player";
inline constexpr char kSaverNoteDescriptor[] = "saver";

// The note as it lies in the file and in memory (4-byte words in the
// machine's order, which is little-endian on every Linux target we build).
struct SaverNote {
    DWORD ownerSize;
    DWORD descriptorSize;
    DWORD type;
    char owner[kSaverNoteOwnerField];
    char descriptor[kSaverNoteDescriptorSize];
};
static_assert(sizeof(SaverNote) == 12 + kSaverNoteOwnerField + kSaverNoteDescriptorSize);

// The start of a file that type sniffing reads, and where the linker puts a
// program's notes: only a note in it counts.
inline constexpr std::size_t kSaverNoteReach = 4096;

enum class SaverNoteKind { player, saver };

// The note's bytes as a player or a saver carries them.
std::vector<BYTE> SaverNoteBytes(SaverNoteKind kind);

// Turns the player note of a program image into a saver note. An image
// without one (a Windows player, a player built elsewhere, a saver already)
// is left as it is. Only the first kSaverNoteReach bytes are looked at: a
// debug build keeps another copy of the note's value in its debugging
// information, far beyond. Returns the error text, empty on success: refused
// when the player note occurs more than once there, since then which one is
// the program's own cannot be told.
std::string MarkPlayerNoteAsSaver(std::vector<BYTE>& image);

}  // namespace vesper::scene
