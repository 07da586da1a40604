#include "token/provider/registration.h"

#include <windows.h>
#include <wincrypt.h>

#include "frame/win_handles.h"

namespace vemo::csp {
namespace {

const std::wstring kProviderKey =
    std::wstring(L"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\") + kProviderNameW;

long SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

long RegisterProvider(const std::wstring& dllPath) {
    win::RegistryKey key;
    long status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProviderKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    const DWORD pathBytes = static_cast<DWORD>((dllPath.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key.get(), L"Image Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(dllPath.c_str()),
                            pathBytes);
    if (status == ERROR_SUCCESS) status = SetDword(key.get(), L"Type", PROV_RSA_FULL);
    // No signature in the registry; Windows then looks in the image (and since Windows 8
    // no longer requires one).
    if (status == ERROR_SUCCESS) status = SetDword(key.get(), L"SigInFile", 0);
    return status;
}

long UnregisterProvider() {
    const long status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProviderKey.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace vemo::csp
