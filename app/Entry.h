// The program's entry: single-instance guard, the five windows, the loop.
#pragma once

#include "gui/Backend.h"
#include "platform/Platform.h"

inline constexpr char kInstanceMutexName[] = "Tavrin2002";

// Runs the program to its end; always returns 0.
int RunTavrin(platform::Platform& platform, gui::Backend& backend);
