// The platform the contract tests run against. The tests see only
// platform::Platform; each build links one factory: the simulated system
// natively, the real one on Windows. Both must pass the same tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// Whether the real system is Wine. Its test display has no window manager,
// and a few things a window manager does on Windows (raising a clicked
// window, handing activation on when the active window is minimised) do not
// happen there; the tests of those say so and run elsewhere only.
bool RunningUnderWine();

// The user changes a colour of the scheme (a GetSysColor index, 0x00BBGGRR)
// on the system of the latest MakeContractPlatform() call, as the control
// panel does; false if the system refused.
bool ChangeSystemColor(int index, std::uint32_t colour);

// A file of these bytes on the system of the latest MakeContractPlatform()
// call, named name in a folder of the tests' own; returns its full path.
std::string MakeContractFile(const std::string& name, const std::vector<std::uint8_t>& bytes);

// A program file that exists and ends as soon as it runs with these
// parameters, so opening it through the shell leaves nothing behind.
struct ContractProgram {
  std::string path;
  std::string parameters;
};
ContractProgram ExistingProgram();

// The device behind a serial port of the system of the latest
// MakeContractPlatform() call: natively a port of the simulated machine;
// under Wine a pty pair behind the port. Ports 1 and 2 are the ones every
// system of the suite has; another number (3 to 9) is a port of the test's
// own, made for it, which it can take away and bring back.
class ContractSerialDevice {
 public:
  virtual ~ContractSerialDevice() = default;
  // What CreateFileA opens: "\\.\COMn".
  virtual std::string Path() const = 0;
  // The device sends these bytes; false if they could not be sent.
  virtual bool Send(const std::vector<std::uint8_t>& bytes) = 0;
  // The port goes away as an unplugged device does, and comes back as a new
  // device under the same name; false where the port cannot do that.
  virtual bool Vanish() = 0;
  virtual bool Return() = 0;
};
// Null if the port cannot be made.
std::unique_ptr<ContractSerialDevice> MakeSerialDevice(int number);
