// A reader for Windows program files (the PE format) held as untrusted bytes:
// it finds where the program image ends, which is where a screen saver's
// appended scene begins, and reads string resource 1 (the saver's
// "title|credit" text). Every value is checked to be inside the bytes before
// it is read; a file that is not a well-formed program is refused with the
// reason.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/kernel/patchable_data.h"
#include "platform/win32.h"

namespace vesper::scene {

// "MZ" at the start of the file: the DOS header every PE file begins with.
bool HasDosSignature(std::span<const BYTE> file);

// Where some bytes of the image lie in the file.
struct FilePlace {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct PeImage {
    // One past the last byte of the image: the end of the section whose raw
    // data ends last (the end of the headers when no section has raw data).
    std::uint64_t imageEnd = 0;
    // String 1 of the string table up to its first NUL (what a caller of
    // LoadStringA sees), as UTF-8; empty when the program has no such string,
    // it starts with a NUL, or the program has no resources at all.
    std::optional<std::string> stringResource1;
    // The string table block that holds string 1 (strings 0 to 15), when the
    // program has one.
    std::optional<FilePlace> stringBlock1;
    // The optional header's CheckSum field (4 bytes), when the header is long
    // enough to hold one.
    std::optional<std::uint64_t> checkSumOffset;
};

// Reads the headers, the section table and, when present, the resources.
// Refused: a file without the DOS or PE signature, headers or a section table
// cut short by the end of the file, a section whose raw data lies past the
// end of the file, and a string table that is present but damaged.
platform::Outcome<PeImage> ReadPeImage(std::span<const BYTE> file);

}  // namespace vesper::scene
