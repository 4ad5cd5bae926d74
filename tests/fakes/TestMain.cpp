// The test executables' entry: GoogleTest's, with D3DX loaded as the program
// loads it, plus a report when a test crashes.
// The project's Wine prefix starts no debugger, so the process says itself which
// test crashed, with what, where and through which calls, and ends at once with
// the exception's code.
#ifdef KELVANE_TESTS_LOAD_D3DX
#include "graphics/Direct3DApi.h"
#endif

#include <gtest/gtest.h>
#include <windows.h>

#include <dbghelp.h>

#include <cstdio>

namespace
{
void PrintBacktrace(CONTEXT context)
{
    HANDLE hProcess = GetCurrentProcess();
    SymSetOptions(SymGetOptions() | SYMOPT_LOAD_LINES);
    SymInitialize(hProcess, nullptr, TRUE);
    STACKFRAME64 frame = {};
    frame.AddrPC = {context.Rip, 0, AddrModeFlat};
    frame.AddrFrame = {context.Rbp, 0, AddrModeFlat};
    frame.AddrStack = {context.Rsp, 0, AddrModeFlat};
    std::fprintf(stderr, "backtrace:\n");
    for (int i = 0; i < 32 && StackWalk64(IMAGE_FILE_MACHINE_AMD64, hProcess, GetCurrentThread(), &frame, &context,
                                          nullptr, SymFunctionTableAccess64, SymGetModuleBase64, nullptr);
         ++i)
    {
        alignas(SYMBOL_INFO) char symbol[sizeof(SYMBOL_INFO) + 256] = {};
        SYMBOL_INFO* pSymbol = reinterpret_cast<SYMBOL_INFO*>(symbol);
        pSymbol->SizeOfStruct = sizeof(SYMBOL_INFO);
        pSymbol->MaxNameLen = 255;
        IMAGEHLP_LINE64 line = {};
        line.SizeOfStruct = sizeof(line);
        DWORD64 dwSymbolOffset = 0;
        DWORD dwLineOffset = 0;
        const DWORD64 dwAddress = frame.AddrPC.Offset;
        std::fprintf(stderr, "  #%-2d 0x%016llx %s", i, static_cast<unsigned long long>(dwAddress),
                     SymFromAddr(hProcess, dwAddress, &dwSymbolOffset, pSymbol) ? pSymbol->Name : "?");
        if (SymGetLineFromAddr64(hProcess, dwAddress, &dwLineOffset, &line))
            std::fprintf(stderr, " [%s:%lu]", line.FileName, line.LineNumber);
        std::fprintf(stderr, "\n");
    }
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pException)
{
    const testing::TestInfo* pTest = testing::UnitTest::GetInstance()->current_test_info();
    const DWORD dwCode = pException->ExceptionRecord->ExceptionCode;
    std::fflush(stdout);
    std::fprintf(stderr, "CRASH in %s.%s: exception 0x%08lx at %p\n", pTest ? pTest->test_suite_name() : "(no test)",
                 pTest ? pTest->name() : "", dwCode, pException->ExceptionRecord->ExceptionAddress);
    PrintBacktrace(*pException->ContextRecord);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), dwCode);
    return EXCEPTION_EXECUTE_HANDLER;
}
} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetUnhandledExceptionFilter(ReportCrash);
#ifdef KELVANE_TESTS_LOAD_D3DX
    if (const DWORD dwError = LoadD3DX())
    {
        std::fprintf(stderr, "%ls could not be loaded: error %lu\n", D3DX_DLL, dwError);
        return 1;
    }
#endif
    return RUN_ALL_TESTS();
}
