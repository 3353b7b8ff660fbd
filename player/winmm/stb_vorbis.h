// stb_vorbis's functions as this DLL calls them: no stdio, no push API.
// player/winmm/stb_vorbis.cpp compiles its body.
#ifndef INTRO_PLAYER_WINMM_STB_VORBIS_H
#define INTRO_PLAYER_WINMM_STB_VORBIS_H

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>
#undef STB_VORBIS_HEADER_ONLY

#endif
