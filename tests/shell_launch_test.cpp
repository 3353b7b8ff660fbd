// Starting the main program: the order of the tries, the command lines, which
// failures move on to the next try, the batch file through COMSPEC, and the
// status the intro's process ends with.
#include <set>

#include "app/app.h"
#include "tests/support/test_support.h"

namespace {

const char kComspec[] = "C:\\windows\\system32\\cmd.exe";

// The errors after which the next try follows; every other one ends the launch.
const std::set<DWORD> kNotFound = {
    ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT,
    ERROR_BAD_PATHNAME,   ERROR_INVALID_NAME,   ERROR_NO_MORE_FILES, ERROR_INVALID_FUNCTION,
    ERROR_INVALID_DRIVE,  ERROR_FILENAME_EXCED_RANGE,
};

struct Outcome {
    bool exited = false;  // the process ended inside the launch
    UINT status = 0;
    int result = 0;  // what the launch returned when it did not end the process
};

// LaunchMainProgram with "z_qzm__" and `args` after the program's own name.
Outcome Launch(std::vector<const char*> args = {kMainProgramArgument})
{
    args.insert(args.begin(), kMainProgramName);
    args.push_back(nullptr);
    Outcome outcome;
    try {
        outcome.result = LaunchMainProgram(kMainProgramName, args.data());
    } catch (const host::ProcessExit& exit) {
        outcome.exited = true;
        outcome.status = exit.status;
    }
    return outcome;
}

// A CreateProcessA as logged: application, command line, both security records,
// inherit handles, flags, environment, directory.
std::string Creation(const std::string& application, const std::string& commandLine)
{
    return application + ", \"" + commandLine + "\", null, null, 1, 0x0, null, null";
}

using ShellLaunchTest = HostTest;

TEST_F(ShellLaunchTest, OnlyTheNotFoundErrorsMoveOnToTheNextTry)
{
    for (DWORD code = 0; code < 2000; ++code) {
        SCOPED_TRACE("error " + std::to_string(code));
        const bool movesOn = kNotFound.count(code) > 0;

        // From try 1 to try 2.
        host::Reset();
        host::AddFile("C:\\intro\\z_qzm__.exe");
        host::FailCall("CreateProcessA", code);
        Outcome outcome = Launch();
        EXPECT_EQ(outcome.exited, movesOn);
        EXPECT_EQ(CountOf("CreateProcessA"), movesOn ? 2u : 1u);
        if (!movesOn) {
            EXPECT_EQ(outcome.result, -1);
            EXPECT_EQ(CountOf("GetFileAttributesA"), 0u);
        }

        // From try 2 to the batch file.
        host::Reset();
        host::AddFile("C:\\intro\\z_qzm__.bat");
        host::FailCall("CreateProcessA", code, 1, 1);
        outcome = Launch();
        EXPECT_EQ(outcome.exited, movesOn);
        EXPECT_EQ(CountOf("GetFileAttributesA"), movesOn ? 1u : 0u);
        EXPECT_EQ(host::StartedProcesses().size(), movesOn ? 1u : 0u);
    }
}

TEST_F(ShellLaunchTest, TriesComThenExeThenTheBatchFileInTheCurrentDirectory)
{
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string currentDirectory;
        std::vector<const char*> args;
        std::vector<std::string> creations;  // every CreateProcessA, in order
        std::string started;                 // the file that runs; empty for none
    };
    const std::string interpreter = std::string("\"") + kComspec + "\"";
    const Case cases[] = {
        {"nothing anywhere", {}, "C:\\intro", {"skipintro"},
         {Creation("null", "z_qzm__.com skipintro"), Creation("null", "z_qzm__.exe skipintro")}, ""},
        {"both .com and .exe", {"C:\\intro\\z_qzm__.com", "C:\\intro\\z_qzm__.exe"}, "C:\\intro",
         {"skipintro"}, {Creation("null", "z_qzm__.com skipintro")}, "C:\\intro\\z_qzm__.com"},
        {".exe beside the intro, current directory elsewhere", {"C:\\intro\\z_qzm__.exe"}, "D:\\saves",
         {"skipintro"},
         {Creation("null", "z_qzm__.com skipintro"), Creation("null", "z_qzm__.exe skipintro")},
         "C:\\intro\\z_qzm__.exe"},
        {".bat beside the intro only", {"C:\\intro\\z_qzm__.bat"}, "D:\\saves", {"skipintro"},
         {Creation("null", "z_qzm__.com skipintro"), Creation("null", "z_qzm__.exe skipintro")}, ""},
        {".bat in the current directory", {"D:\\saves\\z_qzm__.bat"}, "D:\\saves", {"skipintro"},
         {Creation("null", "z_qzm__.com skipintro"), Creation("null", "z_qzm__.exe skipintro"),
          Creation(interpreter, std::string(kComspec) + " /c z_qzm__.bat skipintro")},
         kComspec},
        {"no argument after the name", {"C:\\intro\\z_qzm__.exe"}, "C:\\intro", {},
         {Creation("null", "z_qzm__.com"), Creation("null", "z_qzm__.exe")}, "C:\\intro\\z_qzm__.exe"},
        {"several arguments, in order", {"D:\\saves\\z_qzm__.bat"}, "D:\\saves", {"skipintro", "-x", "2"},
         {Creation("null", "z_qzm__.com skipintro -x 2"), Creation("null", "z_qzm__.exe skipintro -x 2"),
          Creation(interpreter, std::string(kComspec) + " /c z_qzm__.bat skipintro -x 2")},
         kComspec},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host::Reset();
        host::SetCurrentDirectory(c.currentDirectory);
        for (const std::string& file : c.files)
            host::AddFile(file);
        Outcome outcome = Launch(c.args);
        EXPECT_EQ(ArgsOf("CreateProcessA"), c.creations);
        // The batch file is looked for by its bare name: in the current directory only.
        const bool batchDue = c.started.empty() || c.started == kComspec;
        EXPECT_EQ(ArgsOf("GetFileAttributesA"),
                  batchDue ? std::vector<std::string>({"\"z_qzm__.bat\""}) : std::vector<std::string>());
        EXPECT_EQ(outcome.exited, !c.started.empty());
        if (c.started.empty()) {
            EXPECT_EQ(outcome.result, -1);
            EXPECT_TRUE(host::StartedProcesses().empty());
        } else {
            ASSERT_EQ(host::StartedProcesses().size(), 1u);
            const host::StartedProcess& started = host::StartedProcesses()[0];
            EXPECT_EQ(started.resolvedPath, c.started);
            EXPECT_TRUE(started.inheritHandles);
            EXPECT_EQ(started.flags, 0u);
            // The status is the handle by which the intro holds the new process.
            EXPECT_EQ(outcome.status, (UINT)(uintptr_t)started.handle);
            EXPECT_NE(outcome.status, 0u);
        }
    }
}

TEST_F(ShellLaunchTest, TheInterpreterIsTheProgramThatCOMSPECNames)
{
    struct Case {
        const char* what;
        bool set;
        std::string comspec;
        std::vector<std::string> files;
        std::string creation;  // the third CreateProcessA; empty when there is none
        std::string started;
    };
    const std::string spaced = "C:\\Program Files\\Shell\\cmd.exe", tabbed = "C:\\Shell\tTools\\cmd.exe";
    const Case cases[] = {
        {"unset", false, "", {"C:\\windows\\system32\\cmd.exe"}, "", ""},
        {"empty", true, "", {"C:\\windows\\system32\\cmd.exe"}, "", ""},
        {"naming nothing", true, "C:\\gone\\cmd.exe", {},
         Creation("\"C:\\gone\\cmd.exe\"", "C:\\gone\\cmd.exe /c z_qzm__.bat skipintro"), ""},
        // Quoted on the command line and given whole as the program: never split
        // at the space into C:\Program.exe.
        {"a path with spaces", true, spaced, {spaced, "C:\\Program.exe", "C:\\Program"},
         Creation("\"" + spaced + "\"", "\"" + spaced + "\" /c z_qzm__.bat skipintro"), spaced},
        // A tab splits a command line as a space does.
        {"a path with a tab", true, tabbed, {tabbed},
         Creation("\"" + tabbed + "\"", "\"" + tabbed + "\" /c z_qzm__.bat skipintro"), tabbed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host::Reset();
        host::AddFile("C:\\intro\\z_qzm__.bat");
        for (const std::string& file : c.files)
            host::AddFile(file);
        if (c.set)
            host::SetEnvironment("COMSPEC", c.comspec);
        else
            host::UnsetEnvironment("COMSPEC");
        Outcome outcome = Launch();
        std::vector<std::string> creations = ArgsOf("CreateProcessA");
        ASSERT_EQ(creations.size(), c.creation.empty() ? 2u : 3u);
        if (!c.creation.empty()) {
            EXPECT_EQ(creations[2], c.creation);
        }
        EXPECT_EQ(outcome.exited, !c.started.empty());
        if (c.started.empty()) {
            EXPECT_EQ(outcome.result, -1);
        } else {
            ASSERT_EQ(host::StartedProcesses().size(), 1u);
            EXPECT_EQ(host::StartedProcesses()[0].resolvedPath, c.started);
        }
    }
}

TEST_F(ShellLaunchTest, InterpreterThatDoesNotStartFailsTheLaunch)
{
    host::AddFile("C:\\intro\\z_qzm__.bat");
    host::FailCall("CreateProcessA", ERROR_NOT_ENOUGH_MEMORY, 1, 2);
    Outcome outcome = Launch();
    EXPECT_FALSE(outcome.exited);
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(CountOf("CreateProcessA"), 3u);
}

}  // namespace
