#include "testkit/session.h"

#include <fstream>
#include <iterator>

#include "app/app.h"
#include "base/intro_state.h"
#include "display/display.h"
#include "host/host.h"
#include "base/sheet_layout.h"

namespace kit {

std::string ProjectSheetPath() { return INTRO_SOURCE_DIR "/resources/all.bmp"; }

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void PrepareIntro(const std::vector<uint8_t>& sheetBmp)
{
    host::Reset();
    host::AddBitmapResourceFromFile(kSheetName, sheetBmp);
    intro = InitialIntroState();
}

int StartIntro()
{
    int result = InitDisplay(host::Instance(), SW_SHOWDEFAULT);
    if (intro.sheet)
        host::Label(intro.sheet, "sheet");
    return result;
}

int RunWinMain()
{
    char commandLine[] = "";
    try {
        return WinMain(host::Instance(), nullptr, commandLine, SW_SHOWDEFAULT);
    } catch (const host::ProcessExit& exit) {
        return (int)exit.status;
    }
}

}  // namespace kit
