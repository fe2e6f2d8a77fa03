#include "SimInstance.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "SimLog.h"
#include "win32/TopWindows.h"

namespace sibling {

const char kScopeProperty[] = "RaveloSiblingScope";

DWORD MachineScope() {
    std::string path;
    char value[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableA("OVACPI_DB", value, sizeof value);
    if (length > 0 && length < sizeof value) {
        char full[MAX_PATH * 2];
        DWORD fullLength = GetFullPathNameA(value, sizeof full, full, nullptr);
        if (fullLength > 0 && fullLength < sizeof full)
            path.assign(full, fullLength);
        else
            path.assign(value, length);
    }
    // FNV-1a over the upper-cased path: Windows paths ignore case.
    DWORD hash = 2166136261u;
    for (char c : path) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 'a' && byte <= 'z')
            byte = static_cast<unsigned char>(byte - 'a' + 'A');
        if (byte == '/')
            byte = '\\';
        hash ^= byte;
        hash *= 16777619u;
    }
    return hash | 1u;
}

bool InstanceGuard::Acquire(const std::string& program, DWORD scope) {
    std::string name = program + Format("-%08lX", static_cast<unsigned long>(scope));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    mutex_.Reset(mutex);
    // Without a mutex there is no telling; running unguarded beats refusing
    // to run at all.
    return !mutex_.IsValid() || error != ERROR_ALREADY_EXISTS;
}

void TagWindow(HWND window, DWORD scope) {
    SetPropA(window, kScopeProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(scope)));
}

HWND FindScopedWindow(const char* windowClass, const char* caption, DWORD scope) {
    return win32::FindTopWindow(windowClass, caption, [scope](HWND window) {
        return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(GetPropA(window, kScopeProperty))) == scope;
    });
}

bool CloseRunningCopy(const char* windowClass, const char* caption, DWORD scope, DWORD timeoutMs) {
    HWND window = FindScopedWindow(windowClass, caption, scope);
    if (window == nullptr)
        return false;
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < timeoutMs)
        Sleep(50);
    return true;
}

bool HasSwitch(const char* commandLine, const char* word) {
    if (commandLine == nullptr || word == nullptr)
        return false;
    size_t wordLength = std::strlen(word);
    const char* p = commandLine;
    while (*p != '\0') {
        while (*p == ' ' || *p == '\t')
            ++p;
        const char* start = p;
        bool quoted = false;
        while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '"')
                quoted = !quoted;
            ++p;
        }
        size_t length = static_cast<size_t>(p - start);
        if (length == wordLength) {
            bool same = true;
            for (size_t i = 0; i < length && same; ++i)
                same = std::tolower(static_cast<unsigned char>(start[i])) ==
                       std::tolower(static_cast<unsigned char>(word[i]));
            if (same)
                return true;
        }
    }
    return false;
}

} // namespace sibling
