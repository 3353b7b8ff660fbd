#include "base/intro_state.h"

#include "intro/intro.h"

IntroState InitialIntroState()
{
    IntroState state = {};
    state.logoHalfWidth = kLogoStartHalfWidth;
    state.logoHalfHeight = kLogoStartHalfHeight;
    return state;
}

IntroState intro = InitialIntroState();
