// Running a command of the shell from a test, for the checks of the tools as a
// user meets them: its exit status and everything it printed.
#ifndef INTRO_TESTKIT_SHELL_H
#define INTRO_TESTKIT_SHELL_H

#include <string>
#include <vector>

namespace kit {

struct Outcome {
    int status = -1;     // the exit status; -1 when it did not exit by itself
    std::string output;  // standard output and standard error together
};

// Runs `command` through /bin/sh.
Outcome Shell(const std::string& command);

// `program` with each argument quoted for the shell, run as by Shell.
Outcome Run(const std::string& program, const std::vector<std::string>& args);

// `text` in single quotes, safe for the shell whatever it holds.
std::string Quoted(const std::string& text);

}  // namespace kit

#endif
