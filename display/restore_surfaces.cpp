// Repair after DirectDraw took the surfaces' memory away (a task switch, a mode
// change). Restore brings memory back but not pictures, so the sheet is copied in again.
#include "base/intro_state.h"
#include "bitmap/bitmap.h"
#include "display/display.h"
#include "base/sheet_layout.h"

HRESULT RestoreSurfaces()
{
    HRESULT result = intro.primary->Restore();  // brings the back buffer with it
    if (result != DD_OK)
        return result;
    result = intro.sheet->Restore();
    if (result != DD_OK)
        return result;
    ReloadBitmapSurface(intro.sheet, kSheetName);  // a failure leaves only debugger text
    return DD_OK;
}
