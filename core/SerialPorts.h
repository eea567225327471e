// The receiver's serial port: which one the "Com Port" setting names, and
// which ports the system reports present for the user to choose from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

// Port numbers the system gives (COM1 to COM256).
inline constexpr int kLastPortNumber = 256;

// The port a "Com Port" setting selects: exactly "Com1" the first, exactly
// "Comn" for n from 3 to 256 that port, and every other text the second.
int PortNumberFor(std::string_view comPortName);
// What the setting stores for port n: "Com5".
std::string PortSettingText(int number);

struct PresentPort {
  int number = 0;
  std::string friendlyName;  // empty when the system gives none
};

// The serial ports the system reports present, in number order, each once:
// those named in its serial-port map, each with the friendly name of its
// device record where there is one (without the " (COMn)" the system puts
// after it). No map, no ports.
std::vector<PresentPort> PresentSerialPorts(platform::Platform& sys);

// How a menu names the port: "COM5", or "COM5 (USB Serial Port)".
std::string PortCaption(const PresentPort& port);
