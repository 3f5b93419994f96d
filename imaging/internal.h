// Comes first in each header that only the imaging library's own sources (and
// the tests, through their support library) may include.
#pragma once
#ifndef VESPER_IMAGING_INTERNALS
#error "a header private to the imaging library is included from outside it"
#endif
