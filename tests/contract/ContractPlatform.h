// The platform the contract tests run against. The tests see only
// platform::Platform; each build links one factory: the simulated system
// natively, the real one on Windows. Both must pass the same tests.
#pragma once

#include <memory>

#include "platform/Platform.h"

// The program's own process on a fresh system (natively: a new simulated
// machine; on Windows: the running system). Its WaitMessage may wait for a
// due timer: the tests' pumps rely on it returning once one has expired.
std::unique_ptr<platform::Platform> MakeContractPlatform();

// Another program process on the system of the latest MakeContractPlatform()
// call, e.g. a second copy of the program. May be called any number of times;
// each call is a new process. Destroying the object ends that process: its
// handles close, so a mutex it alone held is gone. The registry is the
// system's, shared with every other process.
std::unique_ptr<platform::Platform> MakeSecondProcess();
