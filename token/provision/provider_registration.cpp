#include "token/provision/provider_registration.h"

#include <windows.h>

#include <cstring>

#include "frame/win_handles.h"
#include "token/provision/error_text.h"

namespace vemo::token::provision {
namespace {

constexpr char kProvidersKey[] = "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider";

std::string ProviderKey() { return std::string(kProvidersKey) + "\\" + kTokenProviderName; }

std::string RegistryError(const char* what, LONG status) {
    std::string text = std::string(what) + " (" + ErrorCodeText(static_cast<unsigned long>(status)) + ")";
    if (status == ERROR_ACCESS_DENIED) text += ": run as administrator";
    return text;
}

// Writes the three values; the first failing status, or ERROR_SUCCESS.
LONG WriteValues(HKEY key, const char* imagePath) {
    const DWORD type = PROV_RSA_FULL;
    const DWORD sigInFile = 0;
    LONG status = RegSetValueExA(key, "Image Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(imagePath),
                                 static_cast<DWORD>(std::strlen(imagePath) + 1));
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExA(key, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof type);
    }
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExA(key, "SigInFile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&sigInFile),
                                sizeof sigInFile);
    }
    return status;
}

}  // namespace

bool RegisterTokenProvider(const std::string& dllPath, std::string& error) {
    char fullPath[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(dllPath.c_str(), MAX_PATH, fullPath, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        error = "cannot resolve the path " + dllPath;
        return false;
    }
    const DWORD attributes = GetFileAttributesA(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = std::string("no provider DLL at ") + fullPath;
        return false;
    }

    win::RegistryKey key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProviderKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        error = RegistryError("cannot create the provider's registry key", status);
        return false;
    }
    status = WriteValues(key.get(), fullPath);
    if (status != ERROR_SUCCESS) {
        error = RegistryError("cannot write the provider's registry values", status);
        return false;
    }
    return true;
}

bool UnregisterTokenProvider(std::string& error) {
    const LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProviderKey().c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return true;
    error = RegistryError("cannot delete the provider's registry key", status);
    return false;
}

std::optional<std::string> RegisteredTokenProvider() {
    win::RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProviderKey().c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char path[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), "Image Path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    return std::string(path);
}

}  // namespace vemo::token::provision
