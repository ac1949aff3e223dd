// The parts of the program's start-up, each timed inside the benchmark's own process with the
// DLLs already loaded: what explains the start-up rows.
#pragma once

#include "bench/Rounds.h"

struct StartUpParts {
    Samples discovery;     // one printer discovery against the spooler
    Samples pages;         // the six page windows created from their templates
    Samples mainWindow;    // a main window built and shown, its DLLs already loaded
    Samples floorWindow;   // the same window built and shown with plain calls
    Samples iconMenu;      // the program's owner-drawn menu built from its resource
    Samples plainMenu;     // the menu resource loaded and given its pictures with plain calls
    Samples selectDialog;  // the printer selection that takes the only queue unseen
};

StartUpParts MeasureStartUpParts(int rounds);
