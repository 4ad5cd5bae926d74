// What the test proxies share: their report lines and the command file through
// which a test tells them what to play.
//
// They report on the standard error, among the program's own output, one line
// at a time, each starting with the proxy's name and the program's millisecond
// clock (timeGetTime, the clock the program paces itself by), for example
// "d3d9proxy: 123456 present 0x00000000".
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>
#include <string>

// The proxy's name, which starts its lines; each proxy defines it.
extern const char g_szProxy[];

// Writes one report line.
inline void Say(const char* pszFormat, ...)
{
    char text[4096];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(text, sizeof(text), pszFormat, args);
    va_end(args);
    char line[4200];
    const int n = std::snprintf(line, sizeof(line), "%s: %lu %s\n", g_szProxy, timeGetTime(), text);
    DWORD dwWritten;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, DWORD(n < int(sizeof(line)) ? n : sizeof(line) - 1),
              &dwWritten, nullptr);
}

// A text as a C string literal: quotes, backslashes and line feeds escaped,
// anything else not printable ASCII as \uN.
inline std::string Quoted(const WCHAR* pszText, INT nCount)
{
    std::string quoted = "\"";
    for (INT i = 0; pszText && (nCount < 0 ? pszText[i] != 0 : i < nCount); ++i)
    {
        const WCHAR c = pszText[i];
        if (c == L'\n')
            quoted += "\\n";
        else if (c == L'"' || c == L'\\')
            quoted += std::string("\\") + char(c);
        else if (c >= 0x20 && c < 0x7F)
            quoted += char(c);
        else
            quoted += "\\u" + std::to_string(unsigned(c));
    }
    return quoted + "\"";
}

// The next command a test left in "proxy-command" beside the proxy's DLL, or ""
// when there is none. The test writes the file whole (renamed into place) and
// waits for the proxy to report the command before it writes the next one.
inline std::string TakeCommand(HMODULE hSelf)
{
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(hSelf, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\')
        --n;
    if (n == 0 || n + 16 >= MAX_PATH)
        return "";
    lstrcpyW(path + n, L"proxy-command");
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return "";
    HANDLE hFile = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return "";
    char text[256] = {};
    DWORD dwRead = 0;
    ReadFile(hFile, text, sizeof(text) - 1, &dwRead, nullptr);
    CloseHandle(hFile);
    DeleteFileW(path);
    std::string command(text, dwRead);
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
        command.pop_back();
    return command;
}

// The module these lines are compiled into.
inline HMODULE ThisModule()
{
    HMODULE hSelf = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &hSelf);
    return hSelf;
}

// The system's own DLL of this name, by its full path: by name it would be the proxy.
inline HMODULE LoadSystemDll(const wchar_t* pszName)
{
    WCHAR path[MAX_PATH];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n + 1 + lstrlenW(pszName) >= MAX_PATH)
        return nullptr;
    path[n] = L'\\';
    lstrcpyW(path + n + 1, pszName);
    HMODULE hReal = LoadLibraryW(path);
    return hReal == ThisModule() ? nullptr : hReal;
}
