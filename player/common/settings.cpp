#include "player/common/settings.h"

#include <windows.h>

#include <cctype>

#include "player/common/debug_line.h"
#include "player/common/passthrough.h"
#include "player/common/setting_rules.h"

namespace player {
namespace {

// The DLL's short name as the settings spell it: "ddraw" from "ddraw.dll".
std::string ShortName()
{
    std::string name = passthroughDllName;
    return name.substr(0, name.find('.'));
}

std::string DllPath()
{
    HMODULE self = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&DllPath), &self);
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string EnvironmentValue(const std::string& name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string FileValue(const char* key)
{
    const std::string file = DllFolder() + ShortName() + ".ini";
    char value[1024];
    DWORD length = GetPrivateProfileStringA(ShortName().c_str(), key, "", value, sizeof value, file.c_str());
    return std::string(value, length);
}

}  // namespace

std::string DllFolder()
{
    std::string path = DllPath();
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string SettingText(const char* key)
{
    std::string variable = "INTRO_" + ShortName() + "_" + key;
    for (char& c : variable)
        c = (char)std::toupper((unsigned char)c);
    std::string value = EnvironmentValue(variable);
    return value.empty() ? FileValue(key) : value;
}

long SettingNumber(const char* key, long low, long high, long fallback)
{
    const std::string text = SettingText(key);
    long value = fallback;
    if (!text.empty() && !ParseNumber(text, low, high, &value))
        DebugLine("%s=%s is not a whole number from %ld to %ld; %ld is used", key, text.c_str(), low, high,
                  fallback);
    return value;
}

bool SettingSwitch(const char* key, bool fallback)
{
    const std::string text = SettingText(key);
    bool value = fallback;
    if (!text.empty() && !ParseSwitch(text, &value))
        DebugLine("%s=%s is neither on nor off; %s is used", key, text.c_str(), fallback ? "on" : "off");
    return value;
}

bool ServesThisProcess(const char* programs)
{
    std::string program = SettingText("program");
    if (program.empty())
        program = programs;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    return length > 0 && length < MAX_PATH && IsProgram(std::string(path, length), program);
}

}  // namespace player
