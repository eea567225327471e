// The one boundary between the program and Windows.
//
// Everything above this header (settings, start-up, device decoding, effects,
// dialogs, the GUI framework's portable core) reaches the system only through
// these operations. They keep their Win32 names, argument order and result
// conventions (error codes, handles, message numbers), so the logic reads like
// the Win32 program it is, while two implementations stand behind it:
//   win32/   the real system (the only code here that includes <windows.h>);
//   memory/  a small simulated Windows for tests (registry, mutexes, windows,
//            message queues and timers, cursor, clock, screen, serial ports).
// A contract suite runs the same tests against both. Text is UTF-8, the
// code page the program's manifest declares (platform/Utf8.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/Bitmap.h"

namespace platform {

using Hwnd = std::uintptr_t;
using HKey = std::uintptr_t;
using Handle = std::uintptr_t;
using HIcon = std::uintptr_t;
using HCursor = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using Hdc = std::uintptr_t;
using HGdiObj = std::uintptr_t;
using HMonitor = std::uintptr_t;

inline constexpr Handle kInvalidHandleValue = ~Handle{0};  // INVALID_HANDLE_VALUE
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kKeyRead = 0x20019;

// Win32 error codes the program and its tests look at.
namespace error {
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kInvalidData = 13;
inline constexpr long kNotReady = 21;
inline constexpr long kGenFailure = 31;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kInsufficientBuffer = 122;
inline constexpr long kAlreadyExists = 183;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;
inline constexpr long kInvalidWindowHandle = 1400;
inline constexpr long kInvalidCursorHandle = 1402;
inline constexpr long kResourceNameNotFound = 1814;
inline constexpr long kOperationAborted = 995;
inline constexpr long kIoIncomplete = 996;
inline constexpr long kIoPending = 997;
inline constexpr long kTimeout = 1460;
inline constexpr long kWindowOfOtherThread = 1408;
inline constexpr long kHotkeyAlreadyRegistered = 1409;
inline constexpr long kHotkeyNotRegistered = 1419;
}  // namespace error

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegQword = 11;

inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kRegOptionNonVolatile = 0;
inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Window messages (Windows numbering, in both implementations).
namespace msg {
inline constexpr std::uint32_t kNull = 0x0000;
inline constexpr std::uint32_t kCreate = 0x0001;
inline constexpr std::uint32_t kDestroy = 0x0002;
inline constexpr std::uint32_t kMove = 0x0003;
// wParam's low word: WA_INACTIVE, WA_ACTIVE or WA_CLICKACTIVE; lParam the
// window on the other side of the change.
inline constexpr std::uint32_t kActivate = 0x0006;
inline constexpr std::uint32_t kSize = 0x0005;
inline constexpr std::uint32_t kPaint = 0x000F;
inline constexpr std::uint32_t kClose = 0x0010;
inline constexpr std::uint32_t kQuit = 0x0012;
inline constexpr std::uint32_t kEraseBkgnd = 0x0014;
// Sent to every top-level window when the user's colour scheme changed.
inline constexpr std::uint32_t kSysColorChange = 0x0015;
inline constexpr std::uint32_t kShowWindow = 0x0018;
inline constexpr std::uint32_t kSetCursor = 0x0020;
inline constexpr std::uint32_t kKeyDown = 0x0100;
inline constexpr std::uint32_t kKeyUp = 0x0101;
inline constexpr std::uint32_t kChar = 0x0102;
inline constexpr std::uint32_t kSysKeyDown = 0x0104;
inline constexpr std::uint32_t kSysKeyUp = 0x0105;
inline constexpr std::uint32_t kSysChar = 0x0106;
inline constexpr std::uint32_t kCommand = 0x0111;
inline constexpr std::uint32_t kSysCommand = 0x0112;
inline constexpr std::uint32_t kTimer = 0x0113;
inline constexpr std::uint32_t kHScroll = 0x0114;
inline constexpr std::uint32_t kVScroll = 0x0115;
inline constexpr std::uint32_t kMouseMove = 0x0200;
inline constexpr std::uint32_t kLButtonDown = 0x0201;
inline constexpr std::uint32_t kLButtonUp = 0x0202;
inline constexpr std::uint32_t kLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kRButtonDown = 0x0204;
inline constexpr std::uint32_t kRButtonUp = 0x0205;
inline constexpr std::uint32_t kRButtonDblClk = 0x0206;
inline constexpr std::uint32_t kMButtonDown = 0x0207;
inline constexpr std::uint32_t kMButtonUp = 0x0208;
inline constexpr std::uint32_t kMouseWheel = 0x020A;
inline constexpr std::uint32_t kMouseHWheel = 0x020E;
inline constexpr std::uint32_t kCaptureChanged = 0x0215;
inline constexpr std::uint32_t kNcDestroy = 0x0082;  // the last message a window receives
// The screen's resolution changed: wParam bits per pixel, lParam the new
// width (low word) and height (high word). Sent to every top-level window.
inline constexpr std::uint32_t kDisplayChange = 0x007E;
// A per-monitor aware top-level window's DPI changed: the new DPI in both
// words of wParam, lParam a Rect* with the window's suggested place at it.
inline constexpr std::uint32_t kDpiChanged = 0x02E0;
inline constexpr std::uint32_t kSetFocus = 0x0007;
inline constexpr std::uint32_t kKillFocus = 0x0008;
inline constexpr std::uint32_t kEnable = 0x000A;
inline constexpr std::uint32_t kSetText = 0x000C;
inline constexpr std::uint32_t kGetText = 0x000D;
inline constexpr std::uint32_t kGetTextLength = 0x000E;
inline constexpr std::uint32_t kSetFont = 0x0030;
inline constexpr std::uint32_t kGetFont = 0x0031;
inline constexpr std::uint32_t kNotify = 0x004E;
inline constexpr std::uint32_t kGetDlgCode = 0x0087;
// A control about to paint asks its parent for the brush of its background.
inline constexpr std::uint32_t kCtlColorStatic = 0x0138;  // check and radio buttons among others
// Sent to every top-level window when the system's devices change.
inline constexpr std::uint32_t kDeviceChange = 0x0219;
inline constexpr std::uint32_t kUser = 0x0400;
}  // namespace msg

// WM_DEVICECHANGE's wParam when a device was added to or removed from the
// system (lParam 0).
inline constexpr WParam kDbtDevNodesChanged = 0x0007;

// WM_ACTIVATE's states.
inline constexpr std::uint16_t kWaInactive = 0;
inline constexpr std::uint16_t kWaActive = 1;
inline constexpr std::uint16_t kWaClickActive = 2;

// Hit-test codes (WM_SETCURSOR's low word of lParam).
inline constexpr std::int32_t kHtClient = 1;

// Child windows: the window styles the program gives them.
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsDisabled = 0x08000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;

// The system's control classes and their messages, styles and
// notifications (WM_COMMAND's high word of wParam, or WM_NOTIFY's code).
inline constexpr char kButtonClass[] = "BUTTON";
inline constexpr char kEditClass[] = "EDIT";
inline constexpr char kComboBoxClass[] = "COMBOBOX";
inline constexpr char kUpDownClass[] = "msctls_updown32";
inline constexpr char kTabControlClass[] = "SysTabControl32";
namespace ctl {
// BUTTON
inline constexpr std::uint32_t kBsPushButton = 0x0;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsAutoCheckBox = 0x3;
inline constexpr std::uint32_t kBsGroupBox = 0x7;
inline constexpr std::uint32_t kBsAutoRadioButton = 0x9;
inline constexpr std::uint32_t kBsTypeMask = 0xF;
inline constexpr std::uint32_t kBmGetCheck = 0x00F0;
inline constexpr std::uint32_t kBmSetCheck = 0x00F1;
inline constexpr std::uint32_t kBmClick = 0x00F5;
inline constexpr WParam kBstUnchecked = 0;
inline constexpr WParam kBstChecked = 1;
inline constexpr std::uint16_t kBnClicked = 0;
// EDIT
inline constexpr std::uint32_t kEsAutoHScroll = 0x0080;
inline constexpr std::uint32_t kEmGetSel = 0x00B0;
inline constexpr std::uint32_t kEmSetSel = 0x00B1;
inline constexpr std::uint32_t kEmReplaceSel = 0x00C2;
inline constexpr std::uint32_t kEmLimitText = 0x00C5;
inline constexpr std::uint16_t kEnSetFocus = 0x0100;
inline constexpr std::uint16_t kEnKillFocus = 0x0200;
inline constexpr std::uint16_t kEnChange = 0x0300;
inline constexpr std::uint16_t kEnUpdate = 0x0400;
inline constexpr std::uint16_t kEnMaxText = 0x0501;
// COMBOBOX
inline constexpr std::uint32_t kCbsDropDown = 0x0002;
inline constexpr std::uint32_t kCbsAutoHScroll = 0x0040;
inline constexpr std::uint32_t kCbAddString = 0x0143;
inline constexpr std::uint32_t kCbGetCount = 0x0146;
inline constexpr std::uint32_t kCbGetCurSel = 0x0147;
inline constexpr std::uint32_t kCbGetLbText = 0x0148;
inline constexpr std::uint32_t kCbGetLbTextLen = 0x0149;
inline constexpr std::uint32_t kCbResetContent = 0x014B;
inline constexpr std::uint32_t kCbSetCurSel = 0x014E;
inline constexpr LResult kCbErr = -1;
inline constexpr std::uint16_t kCbnSelChange = 1;
inline constexpr std::uint16_t kCbnSetFocus = 3;
inline constexpr std::uint16_t kCbnKillFocus = 4;
inline constexpr std::uint16_t kCbnEditChange = 5;
inline constexpr std::uint16_t kCbnEditUpdate = 6;
inline constexpr std::uint16_t kCbnDropDown = 7;
inline constexpr std::uint16_t kCbnCloseUp = 8;
inline constexpr std::uint16_t kCbnSelEndOk = 9;
// msctls_updown32
inline constexpr std::uint32_t kUdsWrap = 0x0001;
inline constexpr std::uint32_t kUdsArrowKeys = 0x0020;
inline constexpr std::uint32_t kUdmSetRange32 = 0x046F;
inline constexpr std::uint32_t kUdmGetRange32 = 0x0470;
inline constexpr std::uint32_t kUdmSetPos32 = 0x0471;
inline constexpr std::uint32_t kUdmGetPos32 = 0x0472;
inline constexpr std::uint32_t kUdnDeltaPos = static_cast<std::uint32_t>(-722);
inline constexpr std::uint16_t kSbThumbPosition = 4;
inline constexpr std::uint16_t kSbEndScroll = 8;
// SysTabControl32
inline constexpr std::uint32_t kTcmGetItemCount = 0x1304;
inline constexpr std::uint32_t kTcmInsertItemA = 0x1307;
inline constexpr std::uint32_t kTcmDeleteAllItems = 0x1309;
inline constexpr std::uint32_t kTcmGetItemRect = 0x130A;
inline constexpr std::uint32_t kTcmGetCurSel = 0x130B;
inline constexpr std::uint32_t kTcmSetCurSel = 0x130C;
inline constexpr std::uint32_t kTcifText = 0x0001;
inline constexpr std::uint32_t kTcnSelChange = static_cast<std::uint32_t>(-551);
inline constexpr std::uint32_t kTcnSelChanging = static_cast<std::uint32_t>(-552);
// WM_GETDLGCODE answers
inline constexpr LResult kDlgcWantArrows = 0x0001;
inline constexpr LResult kDlgcWantTab = 0x0002;
inline constexpr LResult kDlgcHasSetSel = 0x0008;
inline constexpr LResult kDlgcDefPushButton = 0x0010;
inline constexpr LResult kDlgcUndefPushButton = 0x0020;
inline constexpr LResult kDlgcRadioButton = 0x0040;
inline constexpr LResult kDlgcWantChars = 0x0080;
inline constexpr LResult kDlgcStatic = 0x0100;
inline constexpr LResult kDlgcButton = 0x2000;
}  // namespace ctl

// Virtual keys of dialog navigation.
inline constexpr std::uint8_t kVkBack = 0x08;
inline constexpr std::uint8_t kVkTab = 0x09;
inline constexpr std::uint8_t kVkReturn = 0x0D;
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkControl = 0x11;
inline constexpr std::uint8_t kVkMenu = 0x12;  // Alt
inline constexpr std::uint8_t kVkEscape = 0x1B;
inline constexpr std::uint8_t kVkSpace = 0x20;
inline constexpr std::uint8_t kVkLeft = 0x25;
inline constexpr std::uint8_t kVkUp = 0x26;
inline constexpr std::uint8_t kVkRight = 0x27;
inline constexpr std::uint8_t kVkDown = 0x28;
inline constexpr std::uint8_t kVkF4 = 0x73;
inline constexpr std::uint8_t kVkF10 = 0x79;
inline constexpr std::uint8_t kVkLMenu = 0xA4;
inline constexpr std::uint8_t kVkRMenu = 0xA5;
inline constexpr std::uint8_t kVkF1 = 0x70;
inline constexpr std::uint8_t kVkF11 = 0x7A;
inline constexpr std::uint8_t kVkLWin = 0x5B;
inline constexpr std::uint8_t kVkRWin = 0x5C;

// System-wide shortcuts (RegisterHotKey): the modifiers that must be held,
// and MOD_NOREPEAT, with which a key held down gives one WM_HOTKEY, not one
// per auto-repeat.
inline constexpr std::uint32_t kModAlt = 0x0001;
inline constexpr std::uint32_t kModControl = 0x0002;
inline constexpr std::uint32_t kModShift = 0x0004;
inline constexpr std::uint32_t kModWin = 0x0008;
inline constexpr std::uint32_t kModNoRepeat = 0x4000;
// Posted to the window that registered the shortcut (to the thread's queue
// for none) when its keys go down: wParam the shortcut's id, lParam the
// MOD_ flags held (low word) and the virtual key (high word).
inline constexpr std::uint32_t kWmHotkey = 0x0312;

// The system's hot-key control ("msctls_hotkey32"): it shows a key
// combination and takes the one the user presses on it. Its word holds the
// virtual key in the low byte and HOTKEYF_ flags in the high byte (not the
// MOD_ flags RegisterHotKey takes). Changed by the user, it tells its
// parent by WM_COMMAND EN_CHANGE.
inline constexpr char kHotkeyClass[] = "msctls_hotkey32";
inline constexpr std::uint32_t kHkmSetHotkey = 0x0401;  // WM_USER + 1
inline constexpr std::uint32_t kHkmGetHotkey = 0x0402;  // WM_USER + 2
inline constexpr std::uint8_t kHotkeyfShift = 0x01;
inline constexpr std::uint8_t kHotkeyfControl = 0x02;
inline constexpr std::uint8_t kHotkeyfAlt = 0x04;
inline constexpr std::uint8_t kHotkeyfExt = 0x08;

inline constexpr WParam MakeWParam(std::uint16_t lo, std::uint16_t hi) {
  return static_cast<WParam>(std::uint32_t{lo} | std::uint32_t{hi} << 16);
}

// WM_NOTIFY's records (lParam points at one), laid out as the system's.
struct NmHdr {
  Hwnd hwndFrom = 0;
  std::uintptr_t idFrom = 0;
  std::uint32_t code = 0;
};
struct NmUpDown {
  NmHdr hdr;
  std::int32_t iPos = 0;
  std::int32_t iDelta = 0;
};
// TCM_INSERTITEMA's record.
struct TcItemA {
  std::uint32_t mask = 0;
  std::uint32_t dwState = 0;
  std::uint32_t dwStateMask = 0;
  char* pszText = nullptr;
  std::int32_t cchTextMax = 0;
  std::int32_t iImage = -1;
  LParam lParam = 0;
};

// Modifier bits of mouse messages' wParam.
inline constexpr WParam kMkLButton = 0x0001;
inline constexpr WParam kMkRButton = 0x0002;
inline constexpr WParam kMkShift = 0x0004;
inline constexpr WParam kMkControl = 0x0008;
inline constexpr WParam kMkMButton = 0x0010;

// GetSystemMetrics indexes.
inline constexpr int kSmCxScreen = 0;
inline constexpr int kSmCyScreen = 1;
// The small icon's size: the notification area's icons.
inline constexpr int kSmCxSmIcon = 49;
inline constexpr int kSmCySmIcon = 50;
// The virtual screen: the rectangle round every monitor, and their count.
inline constexpr int kSmXVirtualScreen = 76;
inline constexpr int kSmYVirtualScreen = 77;
inline constexpr int kSmCxVirtualScreen = 78;
inline constexpr int kSmCyVirtualScreen = 79;
inline constexpr int kSmCMonitors = 80;

// MonitorFromPoint: what a point on no monitor gives.
inline constexpr std::uint32_t kMonitorDefaultToNull = 0;
inline constexpr std::uint32_t kMonitorDefaultToPrimary = 1;
inline constexpr std::uint32_t kMonitorDefaultToNearest = 2;
// MONITORINFO flags.
inline constexpr std::uint32_t kMonitorInfoFPrimary = 1;

// The DPI of a screen at 100 % scale: the pixels every size of the
// program's design is given in.
inline constexpr std::uint32_t kDefaultDpi = 96;

// DPI awareness contexts (the DPI_AWARENESS_CONTEXT pseudo handles): how the
// system treats the windows a thread makes and the coordinates it gives the
// thread. Unaware windows are drawn at 96 DPI and stretched by the system,
// and an unaware thread is told the screen and the pointer in those 96-DPI
// units; per-monitor aware ones get each monitor's own pixels. While a
// window's procedure runs, its thread has the window's awareness.
using DpiAwarenessContext = std::intptr_t;
inline constexpr DpiAwarenessContext kDpiAwarenessContextUnaware = -1;
inline constexpr DpiAwarenessContext kDpiAwarenessContextSystemAware = -2;
inline constexpr DpiAwarenessContext kDpiAwarenessContextPerMonitorAware = -3;
inline constexpr DpiAwarenessContext kDpiAwarenessContextPerMonitorAwareV2 = -4;

// GetSysColor indexes: the user's colour scheme.
inline constexpr int kColorBtnFace = 15;
inline constexpr int kColorGrayText = 17;

// mouse_event flags.
inline constexpr std::uint32_t kMouseEventMove = 0x0001;
inline constexpr std::uint32_t kMouseEventLeftDown = 0x0002;
inline constexpr std::uint32_t kMouseEventLeftUp = 0x0004;
inline constexpr std::uint32_t kMouseEventRightDown = 0x0008;
inline constexpr std::uint32_t kMouseEventRightUp = 0x0010;
inline constexpr std::uint32_t kMouseEventMiddleDown = 0x0020;
inline constexpr std::uint32_t kMouseEventMiddleUp = 0x0040;
inline constexpr std::uint32_t kMouseEventWheel = 0x0800;
inline constexpr std::uint32_t kMouseEventHWheel = 0x1000;
inline constexpr int kWheelDelta = 120;  // one notch of the wheel

// WM_SYSCOMMAND commands (wParam; the low four bits are the system's own).
inline constexpr WParam kScMinimize = 0xF020;
inline constexpr WParam kScRestore = 0xF120;
inline constexpr WParam kScTaskList = 0xF130;  // opens the start menu
inline constexpr WParam kScClose = 0xF060;
inline constexpr WParam kScKeyMenu = 0xF100;  // the menu bar or window menu by keyboard

// SendMessageTimeoutA's flags.
inline constexpr std::uint32_t kSmtoNormal = 0x0000;
// Gives up at once on a thread the system takes for hung: one that has taken
// no message for 5 seconds.
inline constexpr std::uint32_t kSmtoAbortIfHung = 0x0002;
inline constexpr std::uint32_t kHungThreadMs = 5000;

// Bits of a key message's lParam above the scan code (the KF_ flags << 16).
inline constexpr std::uint32_t kKeyAltDown = 1u << 29;   // the context code: Alt is held
inline constexpr std::uint32_t kKeyWasDown = 1u << 30;   // the previous key state
inline constexpr std::uint32_t kKeyReleased = 1u << 31;  // the transition state

inline constexpr std::uint32_t kKeyEventKeyUp = 0x0002;

// ShowWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowNoActivate = 4;
inline constexpr int kSwShow = 5;
inline constexpr int kSwRestore = 9;

// SetWindowPos.
inline constexpr Hwnd kHwndTop = 0;
inline constexpr Hwnd kHwndTopmost = static_cast<Hwnd>(-1);
inline constexpr Hwnd kHwndNoTopmost = static_cast<Hwnd>(-2);
inline constexpr std::uint32_t kSwpNoSize = 0x0001;
inline constexpr std::uint32_t kSwpNoMove = 0x0002;
inline constexpr std::uint32_t kSwpNoZOrder = 0x0004;
inline constexpr std::uint32_t kSwpNoActivate = 0x0010;

// PeekMessage.
inline constexpr std::uint32_t kPmNoRemove = 0x0000;
inline constexpr std::uint32_t kPmRemove = 0x0001;

// Shell_NotifyIconA.
inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNifMessage = 0x1;
inline constexpr std::uint32_t kNifIcon = 0x2;
inline constexpr std::uint32_t kNifTip = 0x4;

// Raster operations and pen styles.
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t kMergeCopy = 0x00C000CA;  // source AND pattern
inline constexpr int kPsSolid = 0;

// The system's standard pointer shapes (IDC_ ids), loaded by LoadCursorA
// with a null instance.
inline constexpr std::uint32_t kIdcArrow = 32512;
inline constexpr std::uint32_t kIdcIBeam = 32513;
inline constexpr std::uint32_t kIdcWait = 32514;
inline constexpr std::uint32_t kIdcCross = 32515;
inline constexpr std::uint32_t kIdcSizeAll = 32646;
inline constexpr std::uint32_t kIdcNo = 32648;
inline constexpr std::uint32_t kIdcHand = 32649;

// OSVERSIONINFO platform ids.
inline constexpr std::uint32_t kVerPlatformWin32s = 0;
inline constexpr std::uint32_t kVerPlatformWin32Windows = 1;
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The weights of the system's fonts: normal, and bold (600 and above is
// bold; a face without a bold design is emboldened by the system).
inline constexpr std::int32_t kFwNormal = 400;
inline constexpr std::int32_t kFwBold = 700;

// A font for the text operation: a face name (the system substitutes one it
// has when that face is not installed), the character height in pixels,
// which is the cell height less the internal leading, and the weight.
// ANSI character set.
// One monitor: its rectangle and work area in screen coordinates (the
// primary's corner is 0,0) and kMonitorInfoFPrimary for the primary.
struct MonitorInfo {
  Rect monitor;
  Rect work;
  std::uint32_t flags = 0;
};

struct TextFont {
  std::string face;
  std::int32_t charHeight = 0;
  std::int32_t weight = kFwNormal;
};

// The box a text occupies: its advance width and its cell height.
struct TextExtent {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// The character heights the text operation accepts; others are refused.
inline constexpr std::int32_t kMinCharHeight = 1;
inline constexpr std::int32_t kMaxCharHeight = 1000;

struct Msg {
  Hwnd hwnd = 0;
  std::uint32_t message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
};

// The system's tooltip control ("tooltips_class32"): a topmost popup,
// owned by the window its tools are on, showing a tool's text near the
// pointer once the pointer has rested on the tool for the initial delay
// (the double-click time unless set), until the pointer leaves the tool, a
// button goes down on it, or the autopop time (ten times the initial
// delay) has passed. It learns of the pointer from the mouse messages its
// owner relays to it (TTM_RELAYEVENT); a tool is a rectangle of a window's
// client area and an id. With TTS_ALWAYSTIP it shows while its window is
// inactive too; with TTS_NOPREFIX an '&' in a text shows as it is. While
// shown, its window text is the tool's text.
inline constexpr char kTooltipClass[] = "tooltips_class32";
inline constexpr std::uint32_t kTtsAlwaysTip = 0x01;
inline constexpr std::uint32_t kTtsNoPrefix = 0x02;
inline constexpr std::uint32_t kTtmActivate = 0x0401;      // wParam: TRUE to let tips show
inline constexpr std::uint32_t kTtmSetDelayTime = 0x0403;  // wParam TTDT_, lParam ms
inline constexpr std::uint32_t kTtmAddToolA = 0x0404;
inline constexpr std::uint32_t kTtmDelToolA = 0x0405;
inline constexpr std::uint32_t kTtmNewToolRectA = 0x0406;
inline constexpr std::uint32_t kTtmRelayEvent = 0x0407;  // lParam: a RelayedMsg*
inline constexpr std::uint32_t kTtmUpdateTipTextA = 0x040C;
inline constexpr std::uint32_t kTtmGetToolCount = 0x040D;
inline constexpr std::uint32_t kTtmGetDelayTime = 0x0415;  // wParam TTDT_
inline constexpr std::uint32_t kTtmPop = 0x041C;           // hides a shown tip
inline constexpr WParam kTtdtAutomatic = 0;
inline constexpr WParam kTtdtReshow = 1;
inline constexpr WParam kTtdtAutopop = 2;
inline constexpr WParam kTtdtInitial = 3;
// TTM_ADDTOOLA's record, laid out as the system's (TTTOOLINFOA); cbSize is
// the size of the record up to lParam, which every version takes.
struct ToolInfoA {
  std::uint32_t cbSize = 0;
  std::uint32_t uFlags = 0;
  Hwnd hwnd = 0;
  std::uintptr_t uId = 0;
  Rect rect;
  Handle hinst = 0;
  char* lpszText = nullptr;
  LParam lParam = 0;
  void* lpReserved = nullptr;
};
inline constexpr std::uint32_t kToolInfoASize = offsetof(ToolInfoA, lpReserved);
// A relayed message, laid out as the system's MSG: the window, the message
// and its parameters, its time and the pointer's screen position then.
struct RelayedMsg {
  Hwnd hwnd = 0;
  std::uint32_t message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  std::uint32_t time = 0;
  Point pt;
};

inline constexpr LParam MakeLParam(std::int32_t lo, std::int32_t hi) {
  return static_cast<LParam>(static_cast<std::uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
inline constexpr std::int16_t LoWordSigned(LParam l) {
  return static_cast<std::int16_t>(l & 0xFFFF);
}
inline constexpr std::int16_t HiWordSigned(LParam l) {
  return static_cast<std::int16_t>((l >> 16) & 0xFFFF);
}

// A window's message routine. The implementation calls it for every message
// sent or dispatched to the window; messages it does not handle go to
// DefWindowProcA, as with any Win32 window procedure.
using WndProc = std::function<LResult(Hwnd, std::uint32_t, WParam, LParam)>;

// What CreateWindowExA is asked to create. Every window of this program is a
// borderless popup, so the window rectangle is also the client rectangle.
struct WindowParams {
  std::string className;
  std::string caption;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool topmost = false;
  bool toolWindow = false;   // no taskbar button
  bool messageOnly = false;  // a hidden window that only receives messages (timers)
  Hwnd owner = 0;
  // A child window: its parent, its id among the parent's children and its
  // styles (WS_CHILD implied; the rectangle is in the parent's coordinates).
  // Made without a procedure of the program's, it is a window of the
  // system's class of that name, run by the system's own procedure.
  Hwnd parent = 0;
  int id = 0;
  std::uint32_t style = 0;
};

// The ANSI notification-area record, version 2 fields. The implementation
// fills the record's size itself: its own system's size for this version.
struct NotifyIconData {
  Hwnd hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  HIcon hIcon = 0;
  char szTip[128] = {};
  std::uint32_t dwState = 0;
  std::uint32_t dwStateMask = 0;
  char szInfo[256] = {};
  std::uint32_t uTimeoutOrVersion = 0;
  char szInfoTitle[64] = {};
  std::uint32_t dwInfoFlags = 0;
};

// The two sizes of the ANSI version record: the extended one (with service
// pack and product fields) and the basic one that older systems take. The
// caller names the form it asks for; any other size fails.
inline constexpr std::uint32_t kOsVersionInfoExSize = 156;
inline constexpr std::uint32_t kOsVersionInfoSize = 148;

struct OsVersionInfo {
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  std::uint32_t dwOSVersionInfoSize = kOsVersionInfoExSize;  // in: the form asked for
};

// Serial line settings, the fields of the 28-byte DCB that this program sets.
struct Dcb {
  std::uint32_t BaudRate = 0;
  std::uint32_t flags = 0;  // the DCB bit field word (fBinary = 0x1, ...)
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

struct CommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

struct ComStat {
  std::uint32_t cbInQue = 0;
  std::uint32_t cbOutQue = 0;
};

// The device set-up data (SetupAPI): device classes, the devices of a class
// and their properties.
struct Guid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};
// The "Ports" class: serial and parallel ports.
inline constexpr Guid kGuidDevClassPorts = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
// SetupDiGetClassDevsA: only the devices present now.
inline constexpr std::uint32_t kDigcfPresent = 0x2;
// A device's property: its name as the system shows it to the user.
inline constexpr std::uint32_t kSpdrpFriendlyName = 0x0C;
// SetupDiOpenDevRegKey: the device's own key (not its driver's), of every
// hardware profile.
inline constexpr std::uint32_t kDicsFlagGlobal = 0x1;
inline constexpr std::uint32_t kDiregDev = 0x1;
// One device of a device information set.
struct SpDevinfoData {
  Guid ClassGuid;
  std::uint32_t DevInst = 0;
  std::uintptr_t Reserved = 0;
};

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
// The handle's reads and waits take an Overlapped record and may complete
// later, signalling its event.
inline constexpr std::uint32_t kFileFlagOverlapped = 0x40000000u;
// SetCommMask/WaitCommEvent: a byte was received and placed in the queue.
inline constexpr std::uint32_t kEvRxChar = 0x0001;

// An operation on an overlapped handle (OVERLAPPED, laid out as the
// system's). It must stay where it is until the operation has completed.
struct Overlapped {
  std::uintptr_t Internal = 0;  // the status; pending while the operation runs
  std::uintptr_t InternalHigh = 0;
  std::uint32_t Offset = 0;
  std::uint32_t OffsetHigh = 0;
  Handle hEvent = 0;  // a manual-reset event, reset as the operation starts
};

// MsgWaitForMultipleObjectsEx.
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kQsAllInput = 0x04FF;
// Return for a message already in the queue, even one a peek has seen.
inline constexpr std::uint32_t kMwmoInputAvailable = 0x0004;
inline constexpr std::uint32_t kPurgeTxAbort = 0x1;
inline constexpr std::uint32_t kPurgeRxAbort = 0x2;
inline constexpr std::uint32_t kPurgeTxClear = 0x4;
inline constexpr std::uint32_t kPurgeRxClear = 0x8;
// ClearCommError's error flags.
inline constexpr std::uint32_t kCeRxOver = 0x01;  // the receive queue was full: bytes lost
inline constexpr std::uint32_t kCeOverrun = 0x02;
inline constexpr std::uint32_t kCeRxParity = 0x04;
inline constexpr std::uint32_t kCeFrame = 0x08;
inline constexpr std::uint32_t kCeBreak = 0x10;
// The DCB flag that makes reads fail while a line error is pending.
inline constexpr std::uint32_t kDcbAbortOnError = 0x4000;

// Media control (MCI) commands, flags, items and errors used by the player.
namespace mci {
inline constexpr std::uint32_t kOpen = 0x0803;
inline constexpr std::uint32_t kClose = 0x0804;
inline constexpr std::uint32_t kPlay = 0x0806;
inline constexpr std::uint32_t kStop = 0x0808;
inline constexpr std::uint32_t kStatus = 0x0814;
inline constexpr std::uint32_t kNotify = 0x00000001;
inline constexpr std::uint32_t kWait = 0x00000002;
inline constexpr std::uint32_t kFrom = 0x00000004;
inline constexpr std::uint32_t kTo = 0x00000008;
inline constexpr std::uint32_t kStatusItem = 0x00000100;
inline constexpr std::uint32_t kOpenType = 0x00002000;
inline constexpr std::uint32_t kOpenElement = 0x00000200;
inline constexpr std::uint32_t kStatusLength = 1;
inline constexpr std::uint32_t kStatusPosition = 2;
inline constexpr std::uint32_t kStatusMode = 4;
inline constexpr std::uint32_t kModeNotReady = 524;
inline constexpr std::uint32_t kModeStop = 525;
inline constexpr std::uint32_t kModePlay = 526;
inline constexpr std::uint32_t kModeOpen = 530;
inline constexpr std::uint32_t kErrInvalidDeviceId = 257;
inline constexpr std::uint32_t kErrFileNotFound = 275;
inline constexpr std::uint32_t kErrCannotLoadDriver = 266;
inline constexpr std::uint32_t kSeek = 0x0807;
inline constexpr std::uint32_t kSeekToStart = 0x00000100;
inline constexpr std::uint32_t kModePause = 529;
// MM_MCINOTIFY: wParam one of the outcomes below, lParam the device.
inline constexpr std::uint32_t kMmMciNotify = 0x03B9;
inline constexpr WParam kNotifySuccessful = 0x0001;
inline constexpr WParam kNotifySuperseded = 0x0002;
inline constexpr WParam kNotifyAborted = 0x0004;
inline constexpr WParam kNotifyFailure = 0x0008;
}  // namespace mci

// ShellExecuteA's old error numbers (results of 32 and below).
inline constexpr std::intptr_t kSeErrFileNotFound = 2;
inline constexpr std::intptr_t kSeErrPathNotFound = 3;
inline constexpr std::intptr_t kSeErrNoAssoc = 31;

struct MciOpenParms {
  std::uintptr_t dwCallback = 0;
  std::uint32_t wDeviceID = 0;  // out
  std::string lpstrDeviceType;
  std::string lpstrElementName;
};
struct MciPlayParms {
  std::uintptr_t dwCallback = 0;
  std::uint32_t dwFrom = 0;
  std::uint32_t dwTo = 0;
};
// Stop and close; also a seek to the start or the end, which needs no target.
struct MciGenericParms {
  std::uintptr_t dwCallback = 0;
};
struct MciStatusParms {
  std::uintptr_t dwCallback = 0;
  std::uintptr_t dwReturn = 0;  // out
  std::uint32_t dwItem = 0;
  std::uint32_t dwTrack = 0;
};

// ---- operation groups ------------------------------------------------------

class RegistryOps {
 public:
  virtual ~RegistryOps() = default;
  virtual long RegOpenKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                             std::uint32_t samDesired, HKey* result) = 0;
  virtual long RegCreateKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                               std::uint32_t samDesired, HKey* result,
                               std::uint32_t* disposition) = 0;
  // As the system: with data null, reports type and size; with a buffer too
  // small, fills *size with the size needed and returns ERROR_MORE_DATA.
  virtual long RegQueryValueExA(HKey key, std::string_view valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) = 0;
  virtual long RegSetValueExA(HKey key, std::string_view valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) = 0;
  virtual long RegDeleteValueA(HKey key, std::string_view valueName) = 0;
  virtual long RegDeleteKeyA(HKey root, std::string_view subKey) = 0;
  virtual long RegCloseKey(HKey key) = 0;
  // The key's value at index (from 0): its name into name (*nameSize
  // characters with the terminating zero in, the name's length without it
  // out), its type, and its data as RegQueryValueExA gives it. ERROR_MORE_DATA
  // when the name or the data does not fit (with data, *dataSize then says
  // what it needs); ERROR_NO_MORE_ITEMS past the last value.
  virtual long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
};

class ProcessOps {
 public:
  virtual ~ProcessOps() = default;
  // Returns the mutex handle (0 on failure); GetLastError tells whether it
  // already existed (ERROR_ALREADY_EXISTS, the handle is still valid then).
  virtual Handle CreateMutexA(bool initialOwner, std::string_view name) = 0;
  virtual long GetLastError() = 0;
  virtual bool GetVersionExA(OsVersionInfo* info) = 0;
  // The full path of the program's executable in UTF-8, at most size - 1
  // bytes and a terminating zero; returns the length copied, 0 on failure.
  virtual std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) = 0;
  // An unnamed event; 0 on failure. CloseHandle releases it.
  virtual Handle CreateEventA(bool manualReset, bool initialState) = 0;
  virtual bool SetEvent(Handle event) = 0;
  virtual bool ResetEvent(Handle event) = 0;
};

class WindowOps {
 public:
  virtual ~WindowOps() = default;
  virtual Hwnd CreateWindowExA(const WindowParams& params, WndProc proc) = 0;
  virtual bool DestroyWindow(Hwnd hwnd) = 0;
  virtual LResult DefWindowProcA(Hwnd hwnd, std::uint32_t message, WParam wParam,
                                 LParam lParam) = 0;
  virtual bool ShowWindow(Hwnd hwnd, int cmdShow) = 0;
  virtual bool IsWindowVisible(Hwnd hwnd) = 0;
  // Minimised (by SC_MINIMIZE or the user); such a window keeps its
  // visibility but sits off the screen until restored.
  virtual bool IsIconic(Hwnd hwnd) = 0;
  virtual bool SetWindowPos(Hwnd hwnd, Hwnd insertAfter, std::int32_t x, std::int32_t y,
                            std::int32_t cx, std::int32_t cy, std::uint32_t flags) = 0;
  virtual bool SetWindowTextA(Hwnd hwnd, std::string_view text) = 0;
  virtual int GetWindowTextA(Hwnd hwnd, char* buffer, int maxCount) = 0;
  virtual bool GetWindowRect(Hwnd hwnd, Rect* rect) = 0;
  virtual Hwnd WindowFromPoint(Point p) = 0;
  virtual Hwnd GetParent(Hwnd hwnd) = 0;
  virtual Hwnd GetForegroundWindow() = 0;
  virtual bool SetForegroundWindow(Hwnd hwnd) = 0;
  virtual Hwnd GetDesktopWindow() = 0;
  virtual bool IsWindow(Hwnd hwnd) = 0;
  virtual bool PostMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) = 0;
  virtual LResult SendMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) = 0;
  // Sends and waits at most timeoutMs for the window's thread to answer:
  // nonzero with the answer in *result, or 0 with ERROR_TIMEOUT when the
  // time ran out (with kSmtoAbortIfHung, at once for a hung thread). A
  // window of the calling thread answers directly, as with SendMessageA.
  virtual LResult SendMessageTimeoutA(Hwnd hwnd, std::uint32_t message, WParam wParam,
                                      LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                      std::uintptr_t* result) = 0;
  virtual std::uint32_t RegisterWindowMessageA(std::string_view name) = 0;
  virtual bool InvalidateRect(Hwnd hwnd) = 0;
  // Returns whether the window was disabled before.
  virtual bool EnableWindow(Hwnd hwnd, bool enable) = 0;
  virtual bool IsWindowEnabled(Hwnd hwnd) = 0;
  // The keyboard focus of this thread; SetFocus returns the window that had it.
  virtual Hwnd SetFocus(Hwnd hwnd) = 0;
  virtual Hwnd GetFocus() = 0;
  // The dialog keys for a window holding controls: if msg is for dialog or
  // one of its descendants, the system handles it (Tab and Shift+Tab move
  // the focus across WS_TABSTOP controls, the arrow keys within a group,
  // anything else goes to its window as DispatchMessageW would) and returns
  // true; false leaves msg to the caller.
  virtual bool IsDialogMessageW(Hwnd dialog, const Msg& msg) = 0;
  virtual Hwnd SetCapture(Hwnd hwnd) = 0;
  virtual bool ReleaseCapture() = 0;
  virtual Hwnd GetCapture() = 0;
  // The calling thread's message queue, taken and handed on in the Unicode
  // form: a typed letter (WM_CHAR) reaches a Unicode control as its UTF-16
  // characters, whole, and the program's own windows, of ANSI classes, in
  // the process's code page, into which the system turns it on the way.
  // (Taken in the ANSI form, a letter of more than one byte would have to
  // survive being made bytes and put together again.)
  virtual bool PeekMessageW(Msg* msg, Hwnd hwnd, std::uint32_t removeFlags) = 0;
  virtual LResult DispatchMessageW(const Msg& msg) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  // Blocks until the queue has a message (or, simulated, until the next timer
  // is due). False when nothing can ever arrive (simulated system only).
  virtual bool WaitMessage() = 0;
  // Waits until one of the handles is signalled (kWaitObject0 + its index,
  // the lowest first), the queue holds a message of wakeMask (count; with
  // kMwmoInputAvailable also one already seen), or timeoutMs passed
  // (kWaitTimeout). kWaitFailed for a bad handle (and, simulated, when
  // nothing can ever happen).
  virtual std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                    std::uint32_t timeoutMs, std::uint32_t wakeMask,
                                                    std::uint32_t flags) = 0;
  // The calling thread's awareness from now on; returns the one it had (to
  // hand back later), or 0 when the system does not know the context (an
  // older system knows none of them).
  virtual DpiAwarenessContext SetThreadDpiAwarenessContext(DpiAwarenessContext context) = 0;
  // The DPI the window is drawn for: 96 for an unaware window, the system's
  // DPI for a system-aware one, its monitor's for a per-monitor aware one;
  // 0 if there is no such window. Where the system has no per-window DPI,
  // the system's.
  virtual std::uint32_t GetDpiForWindow(Hwnd hwnd) = 0;
  // A control of the system's class (a child made without a procedure) run
  // by the class's Unicode procedure, as CreateWindowExW makes it: the system
  // keeps its text in UTF-16 and counts an edit's limit and places in UTF-16
  // characters, where a control made by CreateWindowExA counts the bytes of
  // the process's code page (two to four for a letter beyond ASCII in
  // UTF-8). Its text still comes and goes in UTF-8 through the calls above.
  // Anything but such a control fails (ERROR_INVALID_PARAMETER).
  virtual Hwnd CreateWindowExW(const WindowParams& control) = 0;
  // A system-wide shortcut: from now on the modifiers (kMod...) with vk post
  // WM_HOTKEY with id to hwnd, a window of the calling thread (0: to the
  // thread's queue), and the key does not reach the window with the focus.
  // False with ERROR_HOTKEY_ALREADY_REGISTERED when any thread holds the same
  // modifiers and key (this one included), ERROR_WINDOW_OF_OTHER_THREAD for
  // another thread's window. The same window and id again replaces the
  // shortcut it had.
  virtual bool RegisterHotKey(Hwnd hwnd, int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
  // False with ERROR_HOTKEY_NOT_REGISTERED when hwnd and id hold none.
  virtual bool UnregisterHotKey(Hwnd hwnd, int id) = 0;
};

class TimerOps {
 public:
  virtual ~TimerOps() = default;
  virtual std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapseMs) = 0;
  virtual bool KillTimer(Hwnd hwnd, std::uintptr_t id) = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  virtual std::uint32_t GetTickCount() = 0;
};

class PointerOps {
 public:
  virtual ~PointerOps() = default;
  virtual bool GetCursorPos(Point* p) = 0;
  virtual bool SetCursorPos(std::int32_t x, std::int32_t y) = 0;
  virtual HCursor LoadCursorFromFileA(std::string_view fileName) = 0;
  // One of the system's standard shapes (instance 0, an IDC_ id): a shared
  // cursor, the same handle on every call. 0 for an id the system has no
  // shape for, or an instance without that cursor resource.
  virtual HCursor LoadCursorA(Handle instance, std::uint32_t id) = 0;
  // Gives the pointer this shape (0 hides it) and returns the shape it had.
  // The system puts the class's shape back whenever the pointer moves over
  // a window that leaves WM_SETCURSOR to the default handling.
  virtual HCursor SetCursor(HCursor cursor) = 0;
  virtual HCursor GetCursor() = 0;
};

class InputOps {
 public:
  virtual ~InputOps() = default;
  virtual void mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy,
                           std::uint32_t data) = 0;
  virtual void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) = 0;
};

class SoftGdi;

// Screen metrics and the drawing operations on screen-sized bitmaps. The
// drawing is the project's own software raster in both implementations, so
// both give the same pixels. The program's own windows keep their pixels in
// the program (WindowSurface); an implementation only supplies the places
// where pixels meet the real screen: which window is whose, reading the
// pixels the system shows (the desktop window's are the screen's) and
// putting part of a window's pixels on it.
class ScreenOps {
 public:
  ScreenOps();
  virtual ~ScreenOps();
  ScreenOps(const ScreenOps&) = delete;
  ScreenOps& operator=(const ScreenOps&) = delete;

  virtual int GetSystemMetrics(int index) = 0;
  // The monitor that holds p; for a point on none, 0, the primary or the
  // nearest, as flags (kMonitorDefaultTo...) say.
  virtual HMonitor MonitorFromPoint(Point p, std::uint32_t flags) = 0;
  virtual bool GetMonitorInfoA(HMonitor monitor, MonitorInfo* info) = 0;
  // Every monitor, in the system's order.
  virtual std::vector<HMonitor> EnumDisplayMonitors() = 0;
  // The monitor's effective DPI, the scale the user gave it in the display
  // settings (96 at 100 %); 0 for a handle that is no monitor. Where the
  // system has one DPI for every monitor, that one.
  virtual std::uint32_t GetDpiForMonitor(HMonitor monitor) = 0;
  // A metric as it is at dpi (the small icon's size, say); where the system
  // has no such call, its metric at the system's DPI scaled to dpi.
  virtual int GetSystemMetricsForDpi(int index, std::uint32_t dpi) = 0;
  // A colour of the user's scheme (0x00BBGGRR); 0 for an index the system
  // has no colour for.
  virtual std::uint32_t GetSysColor(int index) = 0;

  virtual Hdc GetWindowDC(Hwnd hwnd);
  virtual int ReleaseDC(Hwnd hwnd, Hdc dc);
  virtual Hdc CreateCompatibleDC(Hdc dc);
  virtual bool DeleteDC(Hdc dc);
  virtual HGdiObj CreateCompatibleBitmap(Hdc dc, std::int32_t width, std::int32_t height);
  // A bitmap of 1 plane and 1 bit per pixel from word-aligned rows, MSB first.
  virtual HGdiObj CreateBitmap(std::int32_t width, std::int32_t height, std::uint32_t planes,
                               std::uint32_t bitsPerPixel, const void* bits);
  virtual HGdiObj CreatePatternBrush(HGdiObj bitmap);
  virtual HGdiObj CreatePen(int style, std::int32_t width, std::uint32_t color);
  // A font of the system's for its controls (WM_SETFONT): height negative
  // for a character height, weight 400 normal and 700 bold. DeleteObject
  // releases it.
  virtual HGdiObj CreateFontA(std::int32_t height, std::int32_t weight, std::string_view face) = 0;
  // A brush of the system's in one colour (0x00BBGGRR), for the answer to its
  // controls' WM_CTLCOLOR* messages. DeleteObject releases it.
  virtual HGdiObj CreateSolidBrush(std::uint32_t color) = 0;
  virtual HGdiObj SelectObject(Hdc dc, HGdiObj object);
  virtual bool DeleteObject(HGdiObj object);
  virtual bool MoveToEx(Hdc dc, std::int32_t x, std::int32_t y, Point* previous);
  virtual bool LineTo(Hdc dc, std::int32_t x, std::int32_t y);
  virtual bool BitBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, Hdc src, std::int32_t srcX, std::int32_t srcY,
                      std::uint32_t rop);
  virtual bool StretchBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t width,
                          std::int32_t height, Hdc src, std::int32_t srcX, std::int32_t srcY,
                          std::int32_t srcWidth, std::int32_t srcHeight, std::uint32_t rop);
  // The bitmap's pixels, its whole extent (GetDIBits into a top-down 32-bit
  // picture); false if the handle is no bitmap.
  virtual bool GetDIBits(Hdc dc, HGdiObj bitmap, gui::Bitmap& out);

  // The pixels this program holds for one of its own windows, the size of
  // its window rectangle: what its window device contexts draw into and read,
  // and where the window framework composes its frames. Null for any other
  // window (the desktop, other programs' windows, a window that has gone).
  gui::Bitmap* WindowSurface(Hwnd hwnd);
  // The pixels of the colour bitmap selected into one of this program's
  // memory device contexts, drawn on in place (a DIB section's bits, in
  // the system's terms). Null for a window's context, or one that holds no
  // colour bitmap.
  gui::Bitmap* MemoryDcPixels(Hdc dc);
  // Live device contexts and GDI objects (bitmaps, pens, brushes; not the
  // stock ones) of this program; an object deleted while still selected
  // counts until it is selected out.
  int DcCount() const;
  int GdiObjectCount() const;

  // Text through the system's font engine. MeasureString gives the box of
  // text in font; DrawString puts text's glyphs in colour into target with
  // the cell's top-left corner at (x, y), every other pixel left as it was
  // (a transparent background), clipped to target. Both fail for a
  // character height outside kMinCharHeight..kMaxCharHeight or a font the
  // system cannot make.
  virtual bool MeasureString(const TextFont& font, std::string_view text, TextExtent* extent) = 0;
  virtual bool DrawString(gui::Bitmap& target, std::int32_t x, std::int32_t y, const TextFont& font,
                          std::string_view text, gui::Color colour) = 0;

  // What the drawing needs of the real screen.
  // False if there is no such window; else its window rectangle in screen
  // coordinates and whether this program's process made it. The desktop
  // window stands for the screen: its rectangle here is the virtual screen
  // (every monitor's), and its device context's coordinates are the
  // screen's, so a monitor left of or above the primary has negative ones.
  virtual bool WindowArea(Hwnd hwnd, Rect* rect, bool* own) = 0;
  // Whether hwnd is the desktop window, whose context addresses the screen.
  virtual bool IsScreenWindow(Hwnd hwnd) = 0;
  // The pixels the system shows for the window, its whole window rectangle
  // (for the desktop window: the virtual screen, its top-left corner first);
  // false if there is no such window.
  virtual bool CaptureWindowPixels(Hwnd hwnd, gui::Bitmap& out) = 0;
  // The screen's pixels inside part (screen coordinates, within the virtual
  // screen): a read of the one monitor being shown costs that monitor's
  // pixels, not every monitor's.
  // Both reads write every pixel of out, in place when it has the size
  // read already (the screen's read makes no new bitmap then, nor clears
  // it first), else at that size. A read that fails (no such window; the screen cannot be read, as
  // when the workstation is locked) returns false and leaves out as it was:
  // a capture that fails keeps the picture it held.
  virtual bool CaptureScreenPart(const Rect& part, gui::Bitmap& out) = 0;
  // Puts the part area of pixels (window coordinates, within pixels; the
  // virtual screen's for the desktop) on the window at the same place; the
  // rest of the window stays as it is.
  virtual void PresentWindowPixels(Hwnd hwnd, const gui::Bitmap& pixels,
                                   const gui::IRect& area) = 0;

 private:
  SoftGdi* gdi_;
};

class SerialOps {
 public:
  virtual ~SerialOps() = default;
  virtual Handle CreateFileA(std::string_view fileName, std::uint32_t access,
                             std::uint32_t shareMode, std::uint32_t creation,
                             std::uint32_t attributes) = 0;
  // CreateFileA on a thread of its own, for an open that may take seconds
  // (a Bluetooth port, a USB device waking up): once it ended, message is
  // posted to hwnd with the handle as wParam (kInvalidHandleValue if the
  // open failed) and cookie as lParam; the window's thread owns the handle
  // from then on. A handle whose message cannot be posted (the window gone)
  // is closed by that thread. False if no thread could be started.
  virtual bool OpenInBackground(Hwnd hwnd, std::uint32_t message, LParam cookie,
                                std::string_view fileName, std::uint32_t access,
                                std::uint32_t shareMode, std::uint32_t creation,
                                std::uint32_t attributes) = 0;
  virtual bool SetupComm(Handle h, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
  virtual bool SetCommState(Handle h, const Dcb& dcb) = 0;
  virtual bool GetCommState(Handle h, Dcb* dcb) = 0;
  virtual bool SetCommTimeouts(Handle h, const CommTimeouts& timeouts) = 0;
  virtual bool PurgeComm(Handle h, std::uint32_t flags) = 0;
  virtual bool ClearCommError(Handle h, std::uint32_t* errors, ComStat* stat) = 0;
  virtual bool ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read) = 0;
  // On a handle opened with kFileFlagOverlapped, every read takes an
  // Overlapped record: it completes at once (true) or fails with
  // ERROR_IO_PENDING and completes later.
  virtual bool ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read,
                        Overlapped* overlapped) = 0;
  // The events (kEvRxChar) a WaitCommEvent waits for; setting it ends a
  // pending wait with no event.
  virtual bool SetCommMask(Handle h, std::uint32_t mask) = 0;
  // Waits for one of the mask's events to happen; on an overlapped handle
  // it fails with ERROR_IO_PENDING and signals the record's event when one
  // does, leaving what happened in *events.
  virtual bool WaitCommEvent(Handle h, std::uint32_t* events, Overlapped* overlapped) = 0;
  // The result of an overlapped operation: false with ERROR_IO_INCOMPLETE
  // while it is still pending (and wait is false).
  virtual bool GetOverlappedResult(Handle h, Overlapped* overlapped, std::uint32_t* transferred,
                                   bool wait) = 0;
  // Ends this thread's pending operations on the handle
  // (ERROR_OPERATION_ABORTED).
  virtual bool CancelIo(Handle h) = 0;
  virtual bool CloseHandle(Handle h) = 0;
};

// The devices the system knows, from its device set-up data. A set is a
// snapshot taken when it is made.
class DeviceOps {
 public:
  virtual ~DeviceOps() = default;
  // The devices of a class (kDigcfPresent: only those present); the set's
  // handle, kInvalidHandleValue on failure.
  virtual Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) = 0;
  // The set's device at index (from 0); false with ERROR_NO_MORE_ITEMS past
  // the last.
  virtual bool SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, SpDevinfoData* device) = 0;
  // A property of the device into buffer (its type and, filled or not, the
  // size it needs into *required); false when the device has no such
  // property or the buffer is too small (ERROR_INSUFFICIENT_BUFFER).
  virtual bool SetupDiGetDeviceRegistryPropertyA(Handle set, const SpDevinfoData& device,
                                                 std::uint32_t property, std::uint32_t* type,
                                                 std::uint8_t* buffer, std::uint32_t size,
                                                 std::uint32_t* required) = 0;
  // The device's registry key (a port's holds "PortName"), for RegQueryValueExA
  // and RegCloseKey; kInvalidHandleValue on failure.
  virtual HKey SetupDiOpenDevRegKey(Handle set, const SpDevinfoData& device, std::uint32_t scope,
                                    std::uint32_t profile, std::uint32_t keyType,
                                    std::uint32_t samDesired) = 0;
  virtual bool SetupDiDestroyDeviceInfoList(Handle set) = 0;
};

class ShellOps {
 public:
  virtual ~ShellOps() = default;
  virtual bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) = 0;
  virtual std::intptr_t ShellExecuteA(Hwnd owner, std::string_view verb, std::string_view file,
                                      std::string_view parameters, std::string_view directory,
                                      int showCmd) = 0;
};

// MCI playback: the system picks the device (sequencer, wave audio) from
// the file; play with MCI_NOTIFY returns at once and the sound goes on.
class SoundOps {
 public:
  virtual ~SoundOps() = default;
  virtual std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                        std::uint32_t flags, MciOpenParms& params) = 0;
  virtual std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                        std::uint32_t flags, MciPlayParms& params) = 0;
  virtual std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                        std::uint32_t flags, MciGenericParms& params) = 0;
  virtual std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                        std::uint32_t flags, MciStatusParms& params) = 0;
  // The system's text for an MCI error; false when it has none.
  virtual bool mciGetErrorStringA(std::uint32_t error, char* buffer, std::uint32_t size) = 0;
};

// ---- files, the local time and the clipboard --------------------------------

// The local time (SYSTEMTIME): a saved file's name carries it.
struct SystemTime {
  std::uint16_t wYear = 0;
  std::uint16_t wMonth = 0;      // 1-12
  std::uint16_t wDayOfWeek = 0;  // 0 Sunday
  std::uint16_t wDay = 0;
  std::uint16_t wHour = 0;
  std::uint16_t wMinute = 0;
  std::uint16_t wSecond = 0;
  std::uint16_t wMilliseconds = 0;
};

// COM's result codes: negative for a failure; a Win32 error e is
// 0x8007xxxx (HRESULT_FROM_WIN32).
using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
inline constexpr HResult HResultFromWin32(long error) {
  return error <= 0
             ? static_cast<HResult>(error)
             : static_cast<HResult>(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFF));
}
// The storage's "medium full" (STG_E_MEDIUMFULL), which a stream on a full
// disk may answer with instead of ERROR_DISK_FULL.
inline constexpr HResult kStgEMediumFull = static_cast<HResult>(0x80030070u);

namespace error {
inline constexpr long kPathNotFound = 3;
inline constexpr long kHandleDiskFull = 39;
inline constexpr long kFileExists = 80;
inline constexpr long kDiskFull = 112;
inline constexpr long kClipboardNotOpen = 1418;
}  // namespace error

// The user's "Pictures" folder (FOLDERID_Pictures).
inline constexpr Guid kFolderIdPictures = {
    0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}};
// SHGetKnownFolderPath: make the folder when it is missing.
inline constexpr std::uint32_t kKfFlagCreate = 0x8000;

// Clipboard formats: a device-independent bitmap (BITMAPINFOHEADER, then
// the pixels), and its version-5 form, which the system makes from it.
inline constexpr std::uint32_t kCfBitmap = 2;
inline constexpr std::uint32_t kCfDib = 8;
inline constexpr std::uint32_t kCfDibV5 = 17;

// Balloons from the notification-area icon: NIF_INFO shows szInfoTitle and
// szInfo by the icon (an empty szInfo takes a shown one away), with the
// system's icon of dwInfoFlags. A click on it comes back as the icon's
// callback message, lParam NIN_BALLOONUSERCLICK (the older form, without
// NIM_SETVERSION 4: wParam the icon's id).
inline constexpr std::uint32_t kNifInfo = 0x10;
inline constexpr std::uint32_t kNiifInfo = 0x1;
inline constexpr std::uint32_t kNiifError = 0x3;
inline constexpr LParam kNinBalloonUserClick = msg::kUser + 5;

class FileOps {
 public:
  virtual ~FileOps() = default;
  virtual void GetLocalTime(SystemTime* time) = 0;
  // The path of a known folder of the current user (token 0), in UTF-8
  // (the system's is UTF-16: a user's name outside the code page stays
  // whole). Unless flags say kKfFlagCreate, a folder that is missing fails
  // ("If that verification fails due to the folder being absent or
  // inaccessible, the function returns a failure code and no path is
  // returned"); with it, a missing folder is made, or the call fails.
  virtual HResult SHGetKnownFolderPath(const Guid& folderId, std::uint32_t flags, Handle token,
                                       std::string* path) = 0;
  // Makes one folder (path in UTF-8; its parent must exist). False with
  // ERROR_ALREADY_EXISTS when it is there, ERROR_PATH_NOT_FOUND when the
  // parent is missing, ERROR_ACCESS_DENIED when it may not be made.
  virtual bool CreateDirectoryW(std::string_view path) = 0;
  // Writes pixels as a new PNG file (8-bit RGB, every pixel as it is)
  // through the system's image encoder. Never replaces a file:
  // HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) when one has the name. A write
  // that fails (the disk full) leaves no file behind.
  virtual HResult SavePngFile(std::string_view path, const gui::Bitmap& pixels) = 0;
};

// The clipboard, one for the whole system. A program opens it for a window
// of its own, empties it (which makes that window its owner), puts data on
// it and closes it; while it is open, nobody else can open it.
class ClipboardOps {
 public:
  virtual ~ClipboardOps() = default;
  // False with ERROR_ACCESS_DENIED while another window has it open.
  virtual bool OpenClipboard(Hwnd owner) = 0;
  // False with ERROR_CLIPBOARD_NOT_OPEN unless this thread has it open.
  virtual bool CloseClipboard() = 0;
  // Drops what it holds and makes the window that opened it the owner.
  virtual bool EmptyClipboard() = 0;
  // Puts a copy of the bytes on it in that format (the system's own memory
  // object, which it owns from then on); 0 on failure: not open by this
  // thread, or opened with no window and emptied (no owner).
  virtual Handle SetClipboardData(std::uint32_t format, const std::vector<std::uint8_t>& data) = 0;
  // The bytes in that format while this thread has it open; false when it
  // holds none. The system's memory object may be longer than what was put.
  virtual bool GetClipboardData(std::uint32_t format, std::vector<std::uint8_t>* data) = 0;
  virtual Hwnd GetClipboardOwner() = 0;
  virtual Hwnd GetOpenClipboardWindow() = 0;
};

// The whole boundary. One instance per running program.
class Platform : public RegistryOps,
                 public ProcessOps,
                 public WindowOps,
                 public TimerOps,
                 public PointerOps,
                 public InputOps,
                 public ScreenOps,
                 public SerialOps,
                 public DeviceOps,
                 public ShellOps,
                 public SoundOps,
                 public FileOps,
                 public ClipboardOps {};

}  // namespace platform
