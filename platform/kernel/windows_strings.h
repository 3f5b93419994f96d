/* The texts that the Windows program takes from its string table, in the
   user's interface language (vesper::TrWindows, platform/kernel/translation.h):
   the English text and its string id. The resource script
   (tools/vesper/vesper.rc) makes the table of each language from this list,
   so it holds preprocessor definitions only.

   VESPER_WINDOWS_STRINGS(STRING) gives STRING(id, englishText) for each.
   Ids from 16 on: the table's first block (ids 0 to 15) holds string 1, the
   saver's title and credit, which is the same in every language. */
#ifndef VESPER_PLATFORM_KERNEL_WINDOWS_STRINGS_H
#define VESPER_PLATFORM_KERNEL_WINDOWS_STRINGS_H

#define VESPER_WINDOWS_STRINGS(STRING)                       \
    STRING(16, "Unexpected file format.")                    \
    STRING(17, "Failed to open document.")                   \
    STRING(18, "Only 8 bit DIBs are supported")              \
    STRING(19, "Compressed (RLE) DIBs are not supported")

#endif
