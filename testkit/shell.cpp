#include "testkit/shell.h"

#include <sys/wait.h>

#include <cstdio>

namespace kit {

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char ch : text)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

Outcome Shell(const std::string& command)
{
    Outcome outcome;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return outcome;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outcome.output.append(buffer, got);
    int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

Outcome Run(const std::string& program, const std::vector<std::string>& args)
{
    std::string command = Quoted(program);
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    return Shell(command);
}

}  // namespace kit
