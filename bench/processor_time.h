// Processor time used so far, in seconds: the calling thread's with
// CLOCK_THREAD_CPUTIME_ID, the whole process's with CLOCK_PROCESS_CPUTIME_ID.
#pragma once

#include <time.h>

inline double ProcessorSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
