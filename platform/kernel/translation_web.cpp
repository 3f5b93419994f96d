// In the browser the texts stay in English: the page carries no catalogues,
// and its own texts around the player are English too.
#include "platform/kernel/translation.h"

namespace vesper {

const char* Tr(const char* english)
{
    return english;
}

const char* TrWindows(const char* english)
{
    return english;
}

void ReadTranslationsAgain() {}

}  // namespace vesper
