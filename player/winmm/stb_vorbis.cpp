// The body of Debian's stb_vorbis, built here with the flags of the header
// that declares it; built without warnings, as it is not this project's code.
#include "player/winmm/stb_vorbis.h"
#include <stb_vorbis.h>
