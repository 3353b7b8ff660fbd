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
const char kModuleDirectory[] = "C:\\intro";  // where the intro's own program file lies

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
    std::vector<std::string> directories = {kModuleDirectory, kernel().currentDirectory,
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

namespace {

const Site<HMODULE> kGetModuleHandleA("GetModuleHandleA", Script::kLastError);
const Site<int> kOutputDebugStringA("OutputDebugStringA");
const Site<HRSRC> kFindResourceA("FindResourceA", Script::kLastError);
const Site<HGLOBAL> kLoadResource("LoadResource", Script::kLastError);
const Site<LPVOID> kLockResource("LockResource", Script::kLastError);
const Site<DWORD> kSizeofResource("SizeofResource", Script::kLastError, 0);
const Site<HFILE> kLopen("_lopen", Script::kLastError, HFILE_ERROR);
const Site<UINT> kLread("_lread", Script::kLastError, (UINT)HFILE_ERROR);
const Site<HFILE> kLclose("_lclose", Script::kLastErrorAfterRunning, HFILE_ERROR);
const Site<BOOL> kCreateProcessA("CreateProcessA", Script::kLastError, FALSE);
const Site<DWORD> kGetFileAttributesA("GetFileAttributesA", Script::kLastError, INVALID_FILE_ATTRIBUTES);
const Site<DWORD> kGetEnvironmentVariableA("GetEnvironmentVariableA", Script::kLastError, 0);
const Site<int> kExitProcess("ExitProcess");
const Site<MCIERROR> kMciSendStringA("mciSendStringA", Script::kCode);

// A failure with its reason as the last error.
template <typename Result>
Result FailWith(Result failed, DWORD error)
{
    SetLastError(error);
    return failed;
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR name)
{
    return Serve(kGetModuleHandleA, [&] { return Text(name); }, [&] {
        if (name)
            return NotModelled<HMODULE>("GetModuleHandleA of another module");
        return (HMODULE)kInstance;
    });
}

void OutputDebugStringA(LPCSTR text)
{
    Serve(kOutputDebugStringA, [&] { return Text(text); }, [&] {
        kernel().debugOutput.push_back(text ? text : "");
        return 0;
    });
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    return Serve(kFindResourceA, [&] { return Join(detail::Object(module), Text(name), Text(type)); }, [&] {
        const Resource* resource = (!module || module == kInstance) ? FindResourceEntry(type, name) : nullptr;
        if (!resource)
            return FailWith((HRSRC) nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
        return (HRSRC)resource;
    });
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    return Serve(kLoadResource, [&] { return Join(detail::Object(module), detail::Object(resource)); },
                 [&] { return (HGLOBAL)resource; });
}

LPVOID LockResource(HGLOBAL resource)
{
    return Serve(kLockResource, [&] { return detail::Object(resource); }, [&] {
        return resource ? (LPVOID)((const Resource*)resource)->bytes.get() : nullptr;
    });
}

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    return Serve(kSizeofResource, [&] { return Join(detail::Object(module), detail::Object(resource)); },
                 [&] { return resource ? (DWORD)((const Resource*)resource)->size : 0; });
}

HFILE _lopen(LPCSTR path, int mode)
{
    if (path)
        detail::NoteOpenedFile(path);
    return Serve(kLopen, [&] { return Join(Text(path), Num(mode)); }, [&] {
        int file = (path && mode == OF_READ) ? ::open(path, O_RDONLY) : -1;
        struct stat status;
        if (file >= 0 && (::fstat(file, &status) != 0 || S_ISDIR(status.st_mode))) {
            ::close(file);  // the platform opens no folder as a file
            file = -1;
        }
        if (file < 0)
            return FailWith(HFILE_ERROR, ERROR_FILE_NOT_FOUND);
        kernel().openFiles.insert(file);
        return (HFILE)file;
    });
}

UINT _lread(HFILE file, LPVOID buffer, UINT count)
{
    return Serve(kLread, [&] { return Join(Num(file), Num(count)); }, [&] {
        if (!kernel().openFiles.count(file))
            return FailWith((UINT)HFILE_ERROR, ERROR_INVALID_HANDLE);
        UINT got = 0;
        while (got < count) {
            ssize_t part = ::read(file, (char*)buffer + got, count - got);
            if (part <= 0)
                break;
            got += (UINT)part;
        }
        return got;
    });
}

HFILE _lclose(HFILE file)
{
    return Serve(kLclose, [&] { return Num(file); }, [&] {
        if (!kernel().openFiles.erase(file))
            return FailWith(HFILE_ERROR, ERROR_INVALID_HANDLE);
        ::close(file);
        return (HFILE)0;
    });
}

// A new process from a command line. With an application name that path is the
// program, taken as it stands; without one, the first word of the command line
// is searched for. The start-up record must be one the platform can read.
BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, void* processAttributes, void* threadAttributes,
                    BOOL inheritHandles, DWORD flags, LPVOID environment, LPCSTR directory,
                    LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process)
{
    auto args = [&] {
        return Join(Text(application), Text(commandLine), detail::Object(processAttributes),
                    detail::Object(threadAttributes), Num(inheritHandles), Hex(flags), detail::Object(environment),
                    Text(directory));
    };
    return Serve(kCreateProcessA, args, [&] {
        if (!startup || !process || (!application && !commandLine))
            return FailWith(FALSE, ERROR_INVALID_PARAMETER);
        if (startup->cb != sizeof *startup) {
            detail::Problem("CreateProcessA with a start-up record whose cb is " + Num(startup->cb) + ", not " +
                            Num(sizeof *startup));
            return FailWith(FALSE, ERROR_INVALID_PARAMETER);
        }
        std::string path;
        bool found = application ? FileExists(path = InDirectory(kernel().currentDirectory, application))
                                 : ResolveProgram(FirstWord(commandLine), &path);
        if (!found)
            return FailWith(FALSE, ERROR_FILE_NOT_FOUND);
        HANDLE handle = (HANDLE)(kernel().nextProcessHandle += 4);
        kernel().processes.push_back(StartedProcess{application ? application : "",
                                                    commandLine ? commandLine : "", path, inheritHandles, flags,
                                                    handle});
        process->hProcess = handle;
        process->hThread = (HANDLE)(kernel().nextProcessHandle += 4);
        process->dwProcessId = 0x100;
        process->dwThreadId = 0x104;
        return TRUE;
    });
}

DWORD GetFileAttributesA(LPCSTR path)
{
    return Serve(kGetFileAttributesA, [&] { return Text(path); }, [&] {
        if (!path || !FileExists(InDirectory(kernel().currentDirectory, path)))
            return FailWith(INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND);
        return (DWORD)FILE_ATTRIBUTE_ARCHIVE;
    });
}

// Too small a buffer: the size it needs, with the NUL; else the length copied.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size)
{
    return Serve(kGetEnvironmentVariableA, [&] { return Join(Text(name), Num(size)); }, [&] {
        auto found = name ? kernel().environment.find(Lower(name)) : kernel().environment.end();
        if (found == kernel().environment.end())
            return FailWith((DWORD)0, ERROR_ENVVAR_NOT_FOUND);
        const std::string& value = found->second;
        if (!buffer || size <= value.size())
            return (DWORD)value.size() + 1;
        std::memcpy(buffer, value.c_str(), value.size() + 1);
        return (DWORD)value.size();
    });
}

void ExitProcess(UINT exitCode)
{
    Serve(kExitProcess, [&] { return Num(exitCode); }, [] { return 0; });
    throw ProcessExit{exitCode};
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR returnString, UINT returnLength, HWND callback)
{
    kernel().mciCommands.push_back(command ? command : "");
    auto args = [&] {
        return Join(Text(command), detail::Object(returnString), Num(returnLength), detail::Object(callback));
    };
    return Serve(kMciSendStringA, args, [] { return kernel().mciResult; });
}
