// KERNEL and MCI on the host: the module and its resources, the old file calls,
// debugger text, the environment, process creation with the platform's program
// search over a pretend file system, process exit, and the MCI command strings.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>

#include "host/internal.h"

namespace host {
namespace {

const HINSTANCE kInstance = (HINSTANCE)0x400000;

struct Resource {
    std::string type, name;  // names as text, numbers as "#n"; compared without case
    // Exactly the resource's size, like the module's own data: the sanitizers
    // catch any read past its end instead of finding spare capacity there.
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

struct Kernel {
    std::deque<Resource> resources;  // a deque: handles stay valid as resources are added
    std::set<int> openFiles;
    std::vector<std::string> opened;
    std::vector<std::string> debugOutput;
    std::vector<std::string> mciCommands;
    MCIERROR mciResult = 0;
    std::string moduleDirectory = "C:\\intro";
    std::string currentDirectory = "C:\\intro";
    std::set<std::string> files;  // lower-case full paths
    std::map<std::string, std::string> environment;  // lower-case names
    std::vector<StartedProcess> processes;
    uintptr_t nextProcessHandle = 0x1C4;
};

Kernel& kernel()
{
    static Kernel state;
    return state;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)std::tolower((unsigned char)c);
    return text;
}

std::string ResourceKey(LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string((unsigned)(uintptr_t)name);
    return Lower(name);
}

const Resource* FindResourceEntry(LPCSTR type, LPCSTR name)
{
    if (!type || !name)
        return nullptr;
    for (const Resource& resource : kernel().resources)
        if (resource.type == ResourceKey(type) && resource.name == ResourceKey(name))
            return &resource;
    return nullptr;
}

bool IsAbsolute(const std::string& path)
{
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

std::string InDirectory(const std::string& directory, const std::string& name)
{
    return IsAbsolute(name) ? name : directory + "\\" + name;
}

bool FileExists(const std::string& path) { return kernel().files.count(Lower(path)) > 0; }

// Where the platform looks for a program named without a directory.
std::vector<std::string> SearchDirectories()
{
    std::vector<std::string> directories = {kernel().moduleDirectory, kernel().currentDirectory,
                                            "C:\\windows\\system32", "C:\\windows"};
    auto path = kernel().environment.find("path");
    if (path != kernel().environment.end()) {
        std::string list = path->second;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(';', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                directories.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    return directories;
}

// The program a command line names: its first word, quoted or up to a space.
std::string FirstWord(const std::string& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == '"') {
        size_t end = commandLine.find('"', 1);
        return commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return commandLine.substr(0, commandLine.find_first_of(" \t"));
}

bool ResolveProgram(const std::string& name, std::string* path)
{
    bool hasDirectory = name.find_first_of("\\/:") != std::string::npos;
    if (hasDirectory) {
        *path = InDirectory(kernel().currentDirectory, name);
        return FileExists(*path);
    }
    for (const std::string& directory : SearchDirectories()) {
        *path = directory + "\\" + name;
        if (FileExists(*path))
            return true;
    }
    return false;
}

}  // namespace

// ---- Controls ---------------------------------------------------------------
HINSTANCE Instance() { return kInstance; }

void AddResource(LPCSTR type, LPCSTR name, const std::vector<uint8_t>& bytes)
{
    Resource resource;
    resource.type = ResourceKey(type);
    resource.name = ResourceKey(name);
    resource.size = bytes.size();
    resource.bytes.reset(new uint8_t[bytes.size()]);  // a block of its own even when empty
    std::copy(bytes.begin(), bytes.end(), resource.bytes.get());
    kernel().resources.push_back(std::move(resource));
}

void RemoveResources() { kernel().resources.clear(); }

void AddBitmapResourceFromFile(const std::string& name, const std::vector<uint8_t>& bmpFile)
{
    std::vector<uint8_t> packed;
    if (bmpFile.size() > 14)
        packed.assign(bmpFile.begin() + 14, bmpFile.end());
    AddResource(RT_BITMAP, name.c_str(), packed);
}

const std::vector<std::string>& DebugOutput() { return kernel().debugOutput; }
const std::vector<std::string>& OpenedFiles() { return kernel().opened; }
const std::vector<std::string>& MciCommands() { return kernel().mciCommands; }
void SetMciResult(MCIERROR result) { kernel().mciResult = result; }
void SetModuleDirectory(const std::string& directory) { kernel().moduleDirectory = directory; }
void SetCurrentDirectory(const std::string& directory) { kernel().currentDirectory = directory; }
void AddFile(const std::string& path) { kernel().files.insert(Lower(path)); }
void SetEnvironment(const std::string& name, const std::string& value) { kernel().environment[Lower(name)] = value; }
void UnsetEnvironment(const std::string& name) { kernel().environment.erase(Lower(name)); }
const std::vector<StartedProcess>& StartedProcesses() { return kernel().processes; }

namespace detail {

void ResetKernel()
{
    for (int file : kernel().openFiles)
        ::close(file);
    kernel() = Kernel();
    kernel().environment["comspec"] = "C:\\windows\\system32\\cmd.exe";
    kernel().files.insert(Lower("C:\\windows\\system32\\cmd.exe"));
}

bool FindBitmapResource(LPCSTR name, Bytes* bytes)
{
    const Resource* resource = FindResourceEntry(RT_BITMAP, name);
    if (resource)
        *bytes = Bytes{resource->bytes.get(), resource->size};
    return resource != nullptr;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    int file = ::open(path.c_str(), O_RDONLY);
    struct stat status;
    bool ok = file >= 0 && ::fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    if (ok) {
        bytes->assign((size_t)status.st_size, 0);  // exactly the file's size
        size_t got = 0;
        while (got < bytes->size()) {
            ssize_t part = ::read(file, bytes->data() + got, bytes->size() - got);
            if (part <= 0)
                break;
            got += (size_t)part;
        }
        ok = got == bytes->size();
    }
    if (file >= 0)
        ::close(file);
    return ok;
}

void NoteOpenedFile(const std::string& path) { kernel().opened.push_back(path); }
int LiveFiles() { return (int)kernel().openFiles.size(); }

}  // namespace detail
}  // namespace host

using namespace host;

HMODULE GetModuleHandleA(LPCSTR name)
{
    uint32_t code;
    HMODULE module = name ? nullptr : kInstance;
    if (detail::Scripted("GetModuleHandleA", nullptr, &code)) {
        SetLastError(code);
        module = nullptr;
    }
    Log("GetModuleHandleA", nullptr, [&] { return Text(name); }, (uintptr_t)module);
    return module;
}

void OutputDebugStringA(LPCSTR text)
{
    kernel().debugOutput.push_back(text ? text : "");
    Log("OutputDebugStringA", nullptr, [&] { return Text(text); }, 0);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    auto args = [&] { return Join(detail::Object(module), Text(name), Text(type)); };
    uint32_t code;
    if (detail::Scripted("FindResourceA", nullptr, &code)) {
        SetLastError(code);
        return (HRSRC)Log("FindResourceA", nullptr, args, 0);
    }
    const Resource* resource = (!module || module == kInstance) ? FindResourceEntry(type, name) : nullptr;
    if (!resource)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return (HRSRC)Log("FindResourceA", nullptr, args, (uintptr_t)resource);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    uint32_t code;
    HGLOBAL loaded = detail::Scripted("LoadResource", nullptr, &code) ? nullptr : (HGLOBAL)resource;
    return (HGLOBAL)Log("LoadResource", nullptr,
                        [&] { return Join(detail::Object(module), detail::Object(resource)); },
                        (uintptr_t)loaded);
}

LPVOID LockResource(HGLOBAL resource)
{
    uint32_t code;
    LPVOID data = nullptr;
    if (resource && !detail::Scripted("LockResource", nullptr, &code))
        data = (LPVOID)((const Resource*)resource)->bytes.get();
    return (LPVOID)Log("LockResource", nullptr, [&] { return detail::Object(resource); },
                       (uintptr_t)data);
}

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    uint32_t code;
    DWORD size = resource ? (DWORD)((const Resource*)resource)->size : 0;
    if (detail::Scripted("SizeofResource", nullptr, &code)) {
        SetLastError(code);
        size = 0;
    }
    return (DWORD)Log("SizeofResource", nullptr,
                      [&] { return Join(detail::Object(module), detail::Object(resource)); }, size);
}

HFILE _lopen(LPCSTR path, int mode)
{
    auto args = [&] { return Join(Text(path), Num(mode)); };
    if (path)
        detail::NoteOpenedFile(path);
    uint32_t code;
    if (detail::Scripted("_lopen", nullptr, &code)) {
        SetLastError(code);
        return (HFILE)Log("_lopen", nullptr, args, (uint64_t)(uint32_t)HFILE_ERROR);
    }
    int file = (path && mode == OF_READ) ? ::open(path, O_RDONLY) : -1;
    struct stat status;
    if (file >= 0 && (::fstat(file, &status) != 0 || S_ISDIR(status.st_mode))) {
        ::close(file);  // the platform opens no folder as a file
        file = -1;
    }
    if (file < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return (HFILE)Log("_lopen", nullptr, args, (uint64_t)(uint32_t)HFILE_ERROR);
    }
    kernel().openFiles.insert(file);
    Log("_lopen", nullptr, args, (uint64_t)file);
    return file;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count)
{
    UINT got = (UINT)HFILE_ERROR;
    uint32_t code;
    if (!detail::Scripted("_lread", nullptr, &code) && kernel().openFiles.count(file)) {
        got = 0;
        while (got < count) {
            ssize_t part = ::read(file, (char*)buffer + got, count - got);
            if (part <= 0)
                break;
            got += (UINT)part;
        }
    }
    return (UINT)Log("_lread", nullptr, [&] { return Join(Num(file), Num(count)); }, got);
}

HFILE _lclose(HFILE file)
{
    HFILE result = HFILE_ERROR;
    if (kernel().openFiles.erase(file)) {
        ::close(file);
        result = 0;
    }
    uint32_t code;
    if (detail::Scripted("_lclose", nullptr, &code)) {  // an answer only: the file is closed
        SetLastError(code);
        result = HFILE_ERROR;
    }
    Log("_lclose", nullptr, [&] { return Num(file); }, (uint64_t)(uint32_t)result);
    return result;
}

BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, void* processAttributes,
                    void* threadAttributes, BOOL inheritHandles, DWORD flags, LPVOID environment,
                    LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process)
{
    auto args = [&] {
        return Join(Text(application), Text(commandLine), detail::Object(processAttributes),
                    detail::Object(threadAttributes), Num(inheritHandles), Hex(flags),
                    detail::Object(environment), Text(directory));
    };
    uint32_t code;
    if (detail::Scripted("CreateProcessA", nullptr, &code)) {
        SetLastError(code);
        return (BOOL)Log("CreateProcessA", nullptr, args, FALSE);
    }
    if (!startup || !process || (!application && !commandLine)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return (BOOL)Log("CreateProcessA", nullptr, args, FALSE);
    }
    // With an application name that path is the program, taken as it stands;
    // without one, the first word of the command line is searched for.
    std::string path;
    bool found = application ? FileExists(path = InDirectory(kernel().currentDirectory, application))
                             : ResolveProgram(FirstWord(commandLine), &path);
    if (!found) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return (BOOL)Log("CreateProcessA", nullptr, args, FALSE);
    }
    HANDLE handle = (HANDLE)(kernel().nextProcessHandle += 4);
    kernel().processes.push_back(StartedProcess{application ? application : "", commandLine ? commandLine : "",
                                                path, inheritHandles, flags, handle});
    process->hProcess = handle;
    process->hThread = (HANDLE)(kernel().nextProcessHandle += 4);
    process->dwProcessId = 0x100;
    process->dwThreadId = 0x104;
    return (BOOL)Log("CreateProcessA", nullptr, args, TRUE);
}

DWORD GetFileAttributesA(LPCSTR path)
{
    auto args = [&] { return Text(path); };
    uint32_t code;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (detail::Scripted("GetFileAttributesA", nullptr, &code))
        SetLastError(code);
    else if (path && FileExists(InDirectory(kernel().currentDirectory, path)))
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    else
        SetLastError(ERROR_FILE_NOT_FOUND);
    return (DWORD)Log("GetFileAttributesA", nullptr, args, attributes);
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size)
{
    auto args = [&] { return Join(Text(name), Num(size)); };
    uint32_t code;
    auto found = name ? kernel().environment.find(Lower(name)) : kernel().environment.end();
    if (detail::Scripted("GetEnvironmentVariableA", nullptr, &code) || found == kernel().environment.end()) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return (DWORD)Log("GetEnvironmentVariableA", nullptr, args, 0);
    }
    const std::string& value = found->second;
    if (!buffer || size <= value.size())  // too small: the size it needs, with the NUL
        return (DWORD)Log("GetEnvironmentVariableA", nullptr, args, value.size() + 1);
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return (DWORD)Log("GetEnvironmentVariableA", nullptr, args, value.size());
}

void ExitProcess(UINT exitCode)
{
    Log("ExitProcess", nullptr, [&] { return Num(exitCode); }, 0);
    throw ProcessExit{exitCode};
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR returnString, UINT returnLength, HWND callback)
{
    kernel().mciCommands.push_back(command ? command : "");
    auto args = [&] {
        return Join(Text(command), detail::Object(returnString), Num(returnLength), detail::Object(callback));
    };
    uint32_t code;
    MCIERROR result = detail::Scripted("mciSendStringA", nullptr, &code) ? code : kernel().mciResult;
    return (MCIERROR)Log("mciSendStringA", nullptr, args, result);
}
