// Comes first in each header that only the stage library's own sources (and
// the tests, through their support library) may include.
#pragma once
#ifndef VESPER_STAGE_INTERNALS
#error "a header private to the stage library is included from outside it"
#endif
