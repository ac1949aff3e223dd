// The parts of the program's start-up, each timed inside the benchmark's own process with the
// DLLs already loaded: what explains the start-up rows.
#pragma once

struct StartUpParts {
    double discovery = 0;     // one printer discovery against the spooler
    double pages = 0;         // the six page windows created from their templates
    double mainWindow = 0;    // a main window built and shown, its DLLs already loaded
    double floorWindow = 0;   // the same window built and shown with plain calls
    double iconMenu = 0;      // the program's owner-drawn menu built from its resource
    double plainMenu = 0;     // the menu resource loaded and given its pictures with plain calls
    double selectDialog = 0;  // the printer selection that takes the only queue unseen
};

StartUpParts MeasureStartUpParts(int rounds);
