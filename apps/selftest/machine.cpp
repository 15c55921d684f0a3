// What the self-test reports of the machine it runs on, and why it may not
// run there.
#include "machine.h"

#include <orvalinde.h>

#include <bcrypt.h>
#include <imm.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

std::string format(const char* pattern, ...) {
    char buffer[1024];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, arguments);
    va_end(arguments);
    return buffer;
}

std::string systemVersion() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    typedef const char*(CDECL * WineVersionFn)();
    typedef void(CDECL * WineHostFn)(const char**, const char**);
    if (auto wine = reinterpret_cast<WineVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))) {
        const char *system = "?", *release = "?";
        if (auto host = reinterpret_cast<WineHostFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_host_version"))))
            host(&system, &release);
        return format("Wine %s on %s %s", wine(), system, release);
    }
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    auto get = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (get == nullptr || get(&info) != 0) return "Windows, version unknown";
    return format("Windows %lu.%lu, build %lu", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
}

// The major version of the Wine it runs under; 0 on Windows.
int wineMajor() {
    typedef const char*(CDECL * WineVersionFn)();
    auto wine = reinterpret_cast<WineVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return wine != nullptr ? std::atoi(wine()) : 0;
}

const char* machineName(USHORT machine) {
    switch (machine) {
    case IMAGE_FILE_MACHINE_AMD64: return "x64";
    case IMAGE_FILE_MACHINE_ARM64: return "ARM64";
    case IMAGE_FILE_MACHINE_I386: return "x86";
    default: return "unknown";
    }
}

// The machine this self-test (and so its kit's DLL) is built for.
#if defined(__i386__)
const USHORT kOwnMachine = IMAGE_FILE_MACHINE_I386;
#elif defined(__aarch64__)
const USHORT kOwnMachine = IMAGE_FILE_MACHINE_ARM64;
#else
const USHORT kOwnMachine = IMAGE_FILE_MACHINE_AMD64;
#endif

std::string architecture() {
    typedef BOOL(WINAPI * IsWow64Process2Fn)(HANDLE, USHORT*, USHORT*);
    USHORT process = 0, native = kOwnMachine;
    auto query = reinterpret_cast<IsWow64Process2Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process2")));
    if (query != nullptr) query(GetCurrentProcess(), &process, &native);
    const char* own = machineName(kOwnMachine);
    std::string out = format("%s process on an %s machine", own, machineName(native));
    if (native != kOwnMachine && kOwnMachine == IMAGE_FILE_MACHINE_I386)
        out += format(", as a 32-bit program (WoW64): this checks the x86 DLL as an x86 host on %s runs it",
                      machineName(native));
    else if (native != kOwnMachine)
        out += format(", under emulation: this checks the %s DLL as an %s host on %s runs it", own, own,
                      machineName(native));
    return out;
}

std::string dpi(HWND window) {
    typedef UINT(WINAPI * SystemDpiFn)();
    typedef UINT(WINAPI * WindowDpiFn)(HWND);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto system = reinterpret_cast<SystemDpiFn>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem")));
    auto ofWindow = reinterpret_cast<WindowDpiFn>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    if (system == nullptr || ofWindow == nullptr) return "unknown (no per-window DPI on this system)";
    return format("system %u, this program's window %u", system(), ofWindow(window));
}

std::string keyboard() {
    char layout[KL_NAMELENGTH] = "?";
    GetKeyboardLayoutNameA(layout);
    return format("layout %s; an input method (ImmIsIME): %s; input-method support (SM_IMMENABLED): %s",
                  layout, ImmIsIME(GetKeyboardLayout(0)) ? "yes" : "no", GetSystemMetrics(SM_IMMENABLED) ? "on" : "off");
}

std::string sha256(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "unreadable";
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    UCHAR digest[32];
    std::string out = "unavailable";
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
        BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
        char buffer[65536];
        DWORD got;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            BCryptHashData(hash, reinterpret_cast<PUCHAR>(buffer), got, 0);
        if (BCryptFinishHash(hash, digest, sizeof digest, 0) == 0) {
            out.clear();
            for (UCHAR byte : digest) out += format("%02x", byte);
        }
    }
    if (hash) BCryptDestroyHash(hash);
    if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    CloseHandle(file);
    return out;
}

namespace {
const char* trustWords(LONG status) {
    switch (static_cast<HRESULT>(status)) {
    case ERROR_SUCCESS: return "trusted";
    case TRUST_E_NOSIGNATURE: return "not signed";
    case TRUST_E_BAD_DIGEST: return "not trusted: the file changed after it was signed";
    case CERT_E_UNTRUSTEDROOT: return "not trusted: its root certificate is not trusted here";
    case CERT_E_CHAINING: return "not trusted: its certificate chain does not reach a trusted root";
    case CERT_E_EXPIRED: return "not trusted: a certificate had expired when it was signed";
    case CERT_E_WRONG_USAGE: return "not trusted: the certificate is not for code signing";
    case TRUST_E_EXPLICIT_DISTRUST: return "not trusted: its certificate is explicitly distrusted";
    default: return "not trusted";
    }
}
}  // namespace

std::string signature(const std::string& path) {
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = wide.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    // Nothing fetched over the network: revocation is not what this asks.
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    // The signer, trusted or not, from what the verification found.
    std::string signer;
    if (CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData)) {
        CRYPT_PROVIDER_SGNR* first = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
        if (first != nullptr && first->csCertChain > 0 && first->pasCertChain[0].pCert != nullptr) {
            char name[256] = "";
            CertGetNameStringA(first->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name,
                               sizeof name);
            signer = name;
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const std::string words = format("%s (WinVerifyTrust 0x%08lX)", trustWords(status), static_cast<unsigned long>(status));
    if (static_cast<HRESULT>(status) == TRUST_E_NOSIGNATURE) return words;
    return (signer.empty() ? std::string("signed, signer unknown") : "signed by " + signer) + "; " + words;
}

std::string fileVersion(const std::string& path) {
    DWORD ignored;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr)
        return "none";
    return format("%lu.%lu.%lu.%lu", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                  fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
}

// Why the DLL is not this kit's (x64 or x86, as this program), or empty.
std::string wrongDll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path + " is missing: put the kit's Orvalinde.dll beside this program";
    IMAGE_DOS_HEADER dos = {};
    IMAGE_FILE_HEADER header = {};
    DWORD signature = 0, got = 0;
    const bool read = ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos &&
                      dos.e_magic == IMAGE_DOS_SIGNATURE &&
                      SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                      ReadFile(file, &signature, sizeof signature, &got, nullptr) && signature == IMAGE_NT_SIGNATURE &&
                      ReadFile(file, &header, sizeof header, &got, nullptr) && got == sizeof header;
    CloseHandle(file);
    if (!read) return path + " is not a Windows DLL";
    if (header.Machine != kOwnMachine)
        return format("%s is built for %s, not %s: this self-test and its DLL come from the %s kit", path.c_str(),
                      machineName(header.Machine), machineName(kOwnMachine), machineName(kOwnMachine));
    HMODULE dll = LoadLibraryA(path.c_str());
    if (dll == nullptr) return format("%s cannot be loaded (error %lu)", path.c_str(), GetLastError());
    std::string error;
    const bool exports = checkExports(dll, &error);
    FreeLibrary(dll);
    return exports ? "" : path + " is not the kit's: " + error;
}

// Why this session cannot take input as a person gives it, or empty.
std::string noDesktop() {
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr) ||
        !(flags.dwFlags & WSF_VISIBLE))
        return "there is no interactive desktop here (a service, or a session nobody sees)";
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (input == nullptr) return "the input desktop cannot be opened: the screen is locked, or it belongs to another session";
    CloseDesktop(input);
    return "";
}

std::string buttonSetting() {
    return GetSystemMetrics(SM_SWAPBUTTON) ? "swapped, the right button primary (left-handed)"
                                           : "the left button primary (right-handed)";
}

std::string unfit(const std::string& dll, bool swapped) {
    if (wineMajor() >= 10)
        return "it runs under Wine " + std::to_string(wineMajor()) +
               ", whose X11 driver releases keys pressed with SendInput at the next pointer event, so no held key "
               "survives a gesture (Wine 8 keeps them)";
    std::string why = wrongDll(dll);
    if (why.empty()) why = noDesktop();
    if (why.empty() && swapped && wineMajor() > 0)
        why = "it runs under Wine, where swapping the buttons changes only the setting and no input, so a "
              "left-handed run would check nothing a person meets";
    return why;
}

std::string machineReport(const std::string& dll, const std::string& dpiLine, const std::string& buttonsLine,
                          bool swapped) {
    std::string report = "Orvalinde self-test " ORVALINDE_VERSION "\n";
    report += "System: " + systemVersion() + "\n";
    report += "Architecture: " + architecture() + "\n";
    report += "DPI: " + dpiLine + "\n";
    report += "Keyboard: " + keyboard() + "\n";
    report += "Buttons: " + buttonsLine + (swapped ? "; swapped for this run (--swapped): " + buttonSetting() : "") +
              "\n";
    report += "Orvalinde.dll: version " + fileVersion(dll) + ", SHA-256 " + sha256(dll) + "\n";
    report += "Signature: " + signature(dll) + "\n";
    return report;
}
