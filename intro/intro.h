// The intro sequence: the frame-counted timeline and the CD audio cue.
#ifndef INTRO_INTRO_INTRO_H
#define INTRO_INTRO_INTRO_H

#include "base/platform.h"

// Composes one frame in the back buffer from the sheet, flips it and advances
// the timeline. Called by the message loop whenever the queue is empty and the
// intro is the active application.
void RenderFrame();

// The timeline, in frames (frame n is the call that raises frameCount to n).
const LONG kCaptionFirstFrame = 750;    // frames before it show the opening panel
const LONG kCaptionLastFrame = 1500;    // later frames show the starfield; the cue starts the next
const LONG kRollAfterFrame = 2500;      // the text roll is drawn in frames after this one
const LONG kLogoBeforeFrame = 3500;     // the logo is drawn in frames before this one

// The logo: extents in 1/200 pixel, centred on the screen, shrinking by 1/600 a frame.
const LONG kLogoStartHalfWidth = 32000;
const LONG kLogoStartHalfHeight = 24000;
const LONG kLogoCentreX = 160;
const LONG kLogoCentreY = 120;
const LONG kLogoExtentUnitsPerPixel = 200;
const LONG kLogoShrinkDivisor = 600;
const LONG kLogoSmallestShrinkingExtent = 100;  // at or below this an extent stays

// The text roll.
const DWORD kRollEntryScreenRow = 238;  // where the roll's first row comes in
const LONG kRollAdvanceDelay = 10;      // scrollDelay value at which the roll moves a row (every 11th frame)
const DWORD kRollLastRow = 700;         // past this the roll has run out and the intro closes
const DWORD kRollEndRow = 863;          // from here the roll is no longer drawn
// The frame whose roll step posts the closing key, when no frame was cut short.
const LONG kClosingFrame = kRollAfterFrame + (kRollAdvanceDelay + 1) * (LONG)(kRollLastRow + 1);

// The music: track 5 of the audio CD, started once at frame 1501 and never waited for.
void StartCdAudio();
// Sent at every shutdown, whether or not the music was ever started.
void StopCdAudio();

#endif
