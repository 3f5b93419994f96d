// Comes first in each header that only the saver library's own sources (and
// the tests, through their support library) may include.
#pragma once
#ifndef VESPER_SAVER_INTERNALS
#error "a header private to the saver library is included from outside it"
#endif
