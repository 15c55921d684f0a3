// The DLL's identity as a host sees it through the Win32 APIs: every export
// by name and by its ordinal, the version resource and the manifest.
#include <vector>

#include "host.h"

#include "module/export_list.h"

namespace {

// The exports by name and by ordinal (the public header gives hosts the
// same ordinals: a native test holds it to the list).
const struct {
    const char* name;
    int ordinal;
} kExports[] = {
#define ORVALINDE_IDENTITY(name, ordinal, kind) {#name, ordinal},
    ORVALINDE_EXPORTS(ORVALINDE_IDENTITY)
#undef ORVALINDE_IDENTITY
};

std::string versionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return "<missing>";
    return value;
}

}  // namespace

bool checkIdentity(const char* dllPath, std::string* error) {
    HMODULE dll = LoadLibraryA(dllPath);
    if (dll == nullptr) return *error = std::string("cannot load ") + dllPath, false;
    if (!checkExports(dll, error)) return false;

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(dllPath, &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(dllPath, 0, size, block.data())) return *error = "no version resource", false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr)
        return *error = "no fixed version information", false;
    if (fixed->dwFileVersionMS != ORVALINDE_VERSION_MS || fixed->dwFileVersionLS != ORVALINDE_VERSION_LS ||
        fixed->dwProductVersionMS != ORVALINDE_VERSION_MS ||
        fixed->dwProductVersionLS != 0)
        return *error = "fixed versions are not " ORVALINDE_VERSION, false;
    if (fixed->dwFileFlagsMask != 0x17 || fixed->dwFileFlags != 0 || fixed->dwFileOS != 4 || fixed->dwFileType != VFT_DLL)
        return *error = "fixed flags, OS or type differ", false;
    WORD* translation = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4 || translation[0] != 0x0409 || translation[1] != 1200)
        return *error = "translation is not 0409/1200", false;
    const struct {
        const char* name;
        const char* value;
    } strings[] = {{"FileVersion", ORVALINDE_VERSION}, {"ProductVersion", ORVALINDE_VERSION},
                   {"FileDescription", "Orvalinde"}, {"ProductName", "Orvalinde"}};
    for (const auto& s : strings)
        if (versionString(block, s.name) != s.value)
            return *error = std::string(s.name) + " is " + versionString(block, s.name), false;
    for (const char* name : {"CompanyName", "LegalCopyright"})
        if (versionString(block, name) == "<missing>" || versionString(block, name).empty())
            return *error = std::string(name) + " is missing", false;

    HRSRC version = FindResourceExA(dll, reinterpret_cast<LPCSTR>(RT_VERSION), MAKEINTRESOURCEA(1), 0x0409);
    if (version == nullptr) return *error = "version resource is not id 1, language 0x0409", false;
    HRSRC manifest = FindResourceExA(dll, reinterpret_cast<LPCSTR>(RT_MANIFEST), MAKEINTRESOURCEA(2), 0x0409);
    if (manifest == nullptr) return *error = "manifest is not id 2, language 0x0409", false;
    const char* text = static_cast<const char*>(LockResource(LoadResource(dll, manifest)));
    const std::string xml(text, SizeofResource(dll, manifest));
    if (xml.find("level=\"asInvoker\"") == std::string::npos || xml.find("uiAccess=\"false\"") == std::string::npos)
        return *error = "manifest does not request asInvoker without uiAccess", false;
    return true;
}

// Every export resolves by name and by its ordinal to the same function.
bool checkExports(HMODULE dll, std::string* error) {
    for (const auto& e : kExports) {
        FARPROC byName = GetProcAddress(dll, e.name);
        FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal));
        if (byName == nullptr || byName != byOrdinal) {
            *error = std::string("export ") + e.name + " is not ordinal " + std::to_string(e.ordinal);
            return false;
        }
    }
    return true;
}

