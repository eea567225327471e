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

// A top-level window of another program whose thread has stopped taking
// messages, as a hung program's: made on a thread of its own that then
// waits for something else for good (natively, a simulated process that
// takes no more messages). Destroying the object ends the thread and the
// window.
class ContractHungWindow {
 public:
  virtual ~ContractHungWindow() = default;
  virtual platform::Hwnd Handle() const = 0;
};
std::unique_ptr<ContractHungWindow> MakeHungWindow();

// The system's own drawing objects, reached without the platform: on the
// real system its graphics library, which the platform's drawing is held
// to. Natively there is none (null): the platform's drawing is all there is.
class ContractGdi {
 public:
  enum class Kind { Bitmap, Pen, Brush };
  virtual ~ContractGdi() = default;
  virtual std::uintptr_t CreateMemoryDc() = 0;
  virtual bool DeleteDc(std::uintptr_t dc) = 0;
  // A small bitmap of the screen's kind, a solid pen, or a pattern brush.
  virtual std::uintptr_t Create(Kind kind) = 0;
  virtual std::uintptr_t Select(std::uintptr_t dc, std::uintptr_t object) = 0;
  virtual bool Delete(std::uintptr_t object) = 0;
};
std::unique_ptr<ContractGdi> MakeSystemGdi();

// The system's screen takes another resolution, as when the user changes
// the display settings (natively the simulated machine's screen of the
// latest MakeContractPlatform() call); false if the system would not.
bool ChangeScreenSize(int width, int height);

// The monitors of the system of the latest MakeContractPlatform() call take
// this layout, the first the primary at 0,0 (natively; the real system's
// layout is its own: false there, and the tests take the layout it has).
// dpis, where given, are the monitors' scales (in the same order).
bool ArrangeMonitors(const std::vector<platform::Rect>& layout,
                     const std::vector<std::uint32_t>& dpis = {});

// The user types text (UTF-8) on the keyboard of the system of the latest
// MakeContractPlatform() call, into the window with the focus, letters
// beyond any keyboard layout too (on Windows: SendInput's Unicode packets,
// as an input method's); false if the system refused.
bool TypeLetters(const std::string& text);

// Whether the real system is Wine. Its test display has no window manager,
// and a few things a window manager does on Windows (raising a clicked
// window, handing activation on when the active window is minimised) do not
// happen there; the tests of those say so and run elsewhere only.
bool RunningUnderWine();

// The user changes a colour of the scheme (a GetSysColor index, 0x00BBGGRR)
// on the system of the latest MakeContractPlatform() call, as the control
// panel does; false if the system refused.
bool ChangeSystemColor(int index, std::uint32_t colour);

// A string value (REG_SZ) below HKEY_CURRENT_USER as the system holds it, in
// UTF-16, written on the system of the latest MakeContractPlatform() call
// whatever code page a program that wrote it had; false if it could not be.
bool WriteUtf16String(const std::string& keyPath, const std::string& name,
                      const std::u16string& text);

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
// Null if the port cannot be made. Ports 1 and 2 are named in the system's
// serial-port map; a port of the test's own is not, as Wine names only the
// ports it found at its start.
std::unique_ptr<ContractSerialDevice> MakeSerialDevice(int number);

// The line every serial contract test runs on: 9600 bit/s, 8 data bits,
// binary, reads that return what is queued, and nothing left in it from an
// earlier test. False if the port refused any of it.
inline bool PrepareTestLine(platform::Platform& p, platform::Handle port) {
  platform::Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.flags = 0x1 | 0x10 | 0x1000;
  dcb.ByteSize = 8;
  return p.SetCommState(port, dcb) && p.SetCommTimeouts(port, {1, 0, 1, 0, 10}) &&
         p.PurgeComm(port, 0xF);
}

// A device record of the system's "Ports" class, as a serial driver's set-up
// leaves it: its friendly name, and "COMn" as "PortName" in its device key.
// Natively the record of a port of the simulated machine; on the real system
// a record of the test's own, removed again when the object goes.
class ContractPortRecord {
 public:
  virtual ~ContractPortRecord() = default;
  // The device goes away (no longer present); false if that failed.
  virtual bool Remove() = 0;
};
// Null if the record cannot be made.
std::unique_ptr<ContractPortRecord> MakePortRecord(int number, const std::string& friendlyName);
