#include "host/session.h"

#include "app/app.h"
#include "app/intro_state.h"
#include "display/display.h"
#include "host/host.h"
#include "host/internal.h"
#include "intro/sheet_layout.h"

namespace host {

std::string DefaultSheetPath() { return INTRO_SOURCE_DIR "/resources/all.bmp"; }

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!detail::ReadWholeFile(path, &bytes))
        bytes.clear();
    return bytes;
}

void PrepareIntro(const std::vector<uint8_t>& sheetBmp)
{
    Reset();
    AddBitmapResourceFromFile(kSheetName, sheetBmp);
    intro = InitialIntroState();
}

int StartIntro()
{
    int result = InitDisplay(Instance(), SW_SHOWDEFAULT);
    if (intro.sheet)
        Label(intro.sheet, "sheet");
    return result;
}

int RunWinMain()
{
    char commandLine[] = "";
    try {
        return WinMain(Instance(), nullptr, commandLine, SW_SHOWDEFAULT);
    } catch (const ProcessExit& exit) {
        return (int)exit.status;
    }
}

}  // namespace host
