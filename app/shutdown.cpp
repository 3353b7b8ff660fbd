// The end of every run: release the display, stop the CD, start the main program.
#include <string>

#include "app/app.h"
#include "base/intro_state.h"
#include "intro/intro.h"

const char kMainProgramName[] = "z_qzm__";
const char kMainProgramArgument[] = "skipintro";

// Gives one display object back and forgets it, so a later shutdown finds
// nothing left to release.
template <typename Object>
static void ReleaseAndClear(Object*& object)
{
    if (object) {
        object->Release();
        object = NULL;
    }
}

void ReleaseDisplay()
{
    if (intro.directDraw) {
        // The primary takes its back buffer along; the back buffer is never released on
        // its own, only forgotten.
        ReleaseAndClear(intro.primary);
        intro.backBuffer = NULL;
        ReleaseAndClear(intro.sheet);
        ReleaseAndClear(intro.palette);
        ReleaseAndClear(intro.directDraw);  // gives the desktop its mode back
    }
    StopCdAudio();
}

int FailInit(HWND window, const char* message)
{
    ReleaseDisplay();  // the desktop is back before the message is shown
    MessageBoxA(window, message, kWindowTitle, MB_OK);
    DestroyWindow(window);  // hands over to the main program, as at the normal end
    return 0;
}

// Errors after which the next way of starting the main program is worth a try:
// the program was not there, or not one that could run.
static bool WorthTryingTheNextWay(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_NO_MORE_FILES:
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE:
        return true;
    }
    return false;
}

// Starts the process and, once it runs, ends ours with its handle as the status.
// Returns the platform's error when it did not start.
static DWORD StartAndExit(const char* program, std::string commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                        &process))
        return GetLastError();
    ExitProcess((UINT)(UINT_PTR)process.hProcess);  // never 0; nothing after this runs
}

// Every argument after the first entry, each preceded by one space, unquoted.
static std::string JoinArguments(const char* const* args)
{
    std::string joined;
    for (const char* const* arg = args + 1; *args && *arg; ++arg)
        joined.append(" ").append(*arg);
    return joined;
}

// The whole value of an environment variable; false when it is unset or empty.
static bool ReadEnvironment(const char* name, std::string& value)
{
    DWORD length = GetEnvironmentVariableA(name, NULL, 0);
    if (length == 0)
        return false;
    value.assign(length, '\0');
    length = GetEnvironmentVariableA(name, &value[0], length);
    if (length == 0 || length >= value.size())
        return false;
    value.resize(length);
    return true;
}

// A path with a space is quoted, so the platform cannot split it into another program.
static std::string QuotedIfNeeded(const std::string& path)
{
    if (path.find_first_of(" \t") == std::string::npos)
        return path;
    return "\"" + path + "\"";
}

// The batch file is run only from the current directory, through the interpreter
// that COMSPEC names; without COMSPEC nothing is started.
static int StartBatchFile(const std::string& batchFile, const char* const* args)
{
    if (GetFileAttributesA(batchFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        return -1;
    std::string interpreter;
    if (!ReadEnvironment("COMSPEC", interpreter))
        return -1;
    StartAndExit(interpreter.c_str(),
                 QuotedIfNeeded(interpreter) + " /c " + batchFile + JoinArguments(args));
    return -1;
}

int LaunchMainProgram(const char* name, const char* const* args)
{
    static const char* const kProgramExtensions[] = {".com", ".exe"};
    for (const char* extension : kProgramExtensions) {
        const std::string program = std::string(name) + extension;
        // No program path: the platform searches the intro's own directory first.
        if (!WorthTryingTheNextWay(StartAndExit(NULL, program + JoinArguments(args))))
            return -1;
    }
    return StartBatchFile(std::string(name) + ".bat", args);
}
