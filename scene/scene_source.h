// Where the scene of a file starts: files that hold a scene are told apart by
// their contents, so that every program that plays or inspects scenes takes
// the same kinds of file.
//
// - A file holding Vesper's patchable block is a Vesper saver: the block's
//   scene offset says where the scene starts (0: a player with no scene). A
//   Vesper saver packaged for Linux is an ELF program, whose block's string
//   resource 1 gives title and credit; one packaged for Windows is a PE
//   program with the same block, found the same way, and title and credit in
//   string 1 of its string table.
// - Any other PE program is a saver made by other tools, with the scene
//   appended right after its image: the scene starts where the raw data of
//   its last section ends, and its string resource 1 gives title and credit.
// - Any other program (ELF, a script) holds no scene and is refused.
// - Everything else is taken as a bare scene stream, from its first byte.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"

namespace vesper::scene {

enum class SceneFileKind {
    bareScene,
    vesperLinuxSaver,    // a Vesper player program with its patchable block (ELF)
    vesperWindowsSaver,  // a Vesper player program with its patchable block (PE)
    foreignWindowsSaver, // a PE program with the scene right after its image
};

struct SceneSource {
    SceneFileKind kind = SceneFileKind::bareScene;
    // Where the scene starts; empty for a Vesper player with no scene packed in.
    std::optional<DWORD> sceneOffset = DWORD{0};
    // The block's values, for Vesper savers (string resource 1 in the 8-bit
    // Windows-1252 character set, as the Linux player shows it; a Windows
    // player shows the one of its string table instead).
    std::optional<platform::PatchableValues> block;
    // String resource 1 of a Windows program's string table ("title|credit"),
    // as UTF-8: the one a foreign saver or a Vesper saver for Windows shows.
    std::optional<std::string> peStringResource1;
};

// "bare scene", "Vesper saver for Linux", ...
const char* SceneFileKindName(SceneFileKind kind);

// The kind of file and where its scene starts, or why it holds none.
platform::Outcome<SceneSource> ClassifySceneFile(std::span<const BYTE> file);

// The same for the file at `path`; refused too when it cannot be read.
platform::Outcome<SceneSource> LocateSceneInFile(const std::string& path);

// The bytes of a file; empty when it cannot be read (or is a directory).
std::optional<std::vector<BYTE>> ReadWholeFile(const std::string& path);

}  // namespace vesper::scene
