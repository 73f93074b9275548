// Test entry for both builds. Under Wine a crash would otherwise end in
// winedbg, which exits with 0 and makes the crash look like a pass.
#include <gtest/gtest.h>

#include <cstdio>

#include "model/extended_math.h"

#ifdef _WIN32
#include <windows.h>

static LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "FATAL exception 0x%08lX at %p\n", exception->ExceptionRecord->ExceptionCode,
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    SetUnhandledExceptionFilter(ReportCrash);
#endif
    SetExtendedPrecision();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
