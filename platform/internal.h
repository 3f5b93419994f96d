// Comes first in each header that only the platform library's own sources (and
// the tests, through their support library) may include.
#pragma once
#ifndef VESPER_PLATFORM_INTERNALS
#error "a header private to the platform library is included from outside it"
#endif
