// Folders, PNG files through the system's image encoder (Windows Imaging
// Component), the local time and the clipboard.
#include <windows.h>
// After <windows.h>, which they need.
#include <objbase.h>
#include <shlobj.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace platform {
namespace {

// Releases a COM interface when it goes.
template <class T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

// The picture as a PNG in memory: 24-bit BGR rows, the encoder's own form
// for colour pictures without transparency.
HRESULT EncodePng(const gui::Bitmap& pixels, std::vector<std::uint8_t>& out) {
  Com<IWICImagingFactory> factory;
  HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  Com<IStream> stream;
  if (FAILED(hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return hr;
  Com<IWICBitmapEncoder> encoder;
  if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder))) return hr;
  if (FAILED(hr = encoder->Initialize(stream.p, WICBitmapEncoderNoCache))) return hr;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  if (FAILED(hr = encoder->CreateNewFrame(&frame, &options))) return hr;
  if (FAILED(hr = frame->Initialize(options.p))) return hr;
  const UINT width = static_cast<UINT>(pixels.Width()), height = static_cast<UINT>(pixels.Height());
  if (FAILED(hr = frame->SetSize(width, height))) return hr;
  // The encoder answers with the format it will take, which may differ.
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(hr = frame->SetPixelFormat(&format))) return hr;
  if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  const UINT stride = (width * 3 + 3) & ~3u;
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * height);
  for (UINT y = 0; y < height; ++y) {
    const std::uint32_t* from = pixels.Row(static_cast<int>(y));  // 0x00RRGGBB
    BYTE* to = &rows[static_cast<std::size_t>(y) * stride];
    for (UINT x = 0; x < width; ++x) {
      to[x * 3] = static_cast<BYTE>(from[x]);
      to[x * 3 + 1] = static_cast<BYTE>(from[x] >> 8);
      to[x * 3 + 2] = static_cast<BYTE>(from[x] >> 16);
    }
  }
  if (FAILED(hr = frame->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data())))
    return hr;
  if (FAILED(hr = frame->Commit())) return hr;
  if (FAILED(hr = encoder->Commit())) return hr;
  STATSTG stat{};
  if (FAILED(hr = stream->Stat(&stat, STATFLAG_NONAME))) return hr;
  HGLOBAL memory = nullptr;
  if (FAILED(hr = ::GetHGlobalFromStream(stream.p, &memory))) return hr;
  const void* bytes = ::GlobalLock(memory);
  if (!bytes) return E_OUTOFMEMORY;
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  out.assign(first, first + stat.cbSize.QuadPart);
  ::GlobalUnlock(memory);
  return S_OK;
}

}  // namespace

void Win32Platform::GetLocalTime(SystemTime* time) {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  *time = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

HResult Win32Platform::SHGetKnownFolderPath(const Guid& folderId, std::uint32_t flags, Handle token,
                                            std::string* path) {
  GUID id;
  id.Data1 = folderId.Data1;
  id.Data2 = folderId.Data2;
  id.Data3 = folderId.Data3;
  std::memcpy(id.Data4, folderId.Data4, sizeof id.Data4);
  // Vista and later; before them the shell has the older call, which knows
  // the pictures folder by its number.
  using Fn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
  HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
  const auto known = shell ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(
                                 ::GetProcAddress(shell, "SHGetKnownFolderPath")))
                           : nullptr;
  if (known) {
    PWSTR wide = nullptr;
    const HRESULT hr = known(id, flags, reinterpret_cast<HANDLE>(token), &wide);
    if (SUCCEEDED(hr)) *path = Utf8Of(wide);
    ::CoTaskMemFree(wide);
    return hr;
  }
  if (!(folderId == kFolderIdPictures)) return E_INVALIDARG;
  wchar_t wide[MAX_PATH] = {};
  const int create = (flags & kKfFlagCreate) ? CSIDL_FLAG_CREATE : 0;
  const HRESULT hr = ::SHGetFolderPathW(nullptr, CSIDL_MYPICTURES | create,
                                        reinterpret_cast<HANDLE>(token), SHGFP_TYPE_CURRENT, wide);
  if (hr == S_OK) *path = Utf8Of(wide);
  return hr == S_OK ? S_OK : (SUCCEEDED(hr) ? E_FAIL : hr);
}

bool Win32Platform::CreateDirectoryW(std::string_view path) {
  const std::wstring wide = WideOf(path);
  return ::CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

HResult Win32Platform::SavePngFile(std::string_view path, const gui::Bitmap& pixels) {
  if (pixels.Empty()) return E_INVALIDARG;
  // COM for the encoder, for as long as it takes; a thread that has it
  // already in another model still works with the factory's objects.
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<std::uint8_t> png;
  const HRESULT encoded = EncodePng(pixels, png);
  if (SUCCEEDED(init)) ::CoUninitialize();
  if (FAILED(encoded)) return encoded;

  // A new file, never one that is there; a write that fails (the disk full)
  // takes its beginning away again.
  const std::wstring wide = WideOf(path);
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(::GetLastError());
  DWORD written = 0;
  DWORD failure = ERROR_SUCCESS;
  if (!::WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr))
    failure = ::GetLastError();
  else if (written != png.size())
    failure = ERROR_DISK_FULL;
  if (!::CloseHandle(file) && failure == ERROR_SUCCESS) failure = ::GetLastError();
  if (failure != ERROR_SUCCESS) {
    ::DeleteFileW(wide.c_str());
    ::SetLastError(failure);
    return HRESULT_FROM_WIN32(failure);
  }
  return S_OK;
}

bool Win32Platform::OpenClipboard(Hwnd owner) {
  return ::OpenClipboard(reinterpret_cast<HWND>(owner)) != FALSE;
}

bool Win32Platform::CloseClipboard() { return ::CloseClipboard() != FALSE; }

bool Win32Platform::EmptyClipboard() { return ::EmptyClipboard() != FALSE; }

Handle Win32Platform::SetClipboardData(std::uint32_t format,
                                       const std::vector<std::uint8_t>& data) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, std::max<std::size_t>(data.size(), 1));
  if (!memory) return 0;
  if (void* to = ::GlobalLock(memory)) {
    if (!data.empty()) std::memcpy(to, data.data(), data.size());
    ::GlobalUnlock(memory);
  }
  HANDLE placed = ::SetClipboardData(format, memory);
  if (!placed) {
    // Not taken: the memory is still the program's.
    const DWORD error = ::GetLastError();
    ::GlobalFree(memory);
    ::SetLastError(error);
    return 0;
  }
  return reinterpret_cast<Handle>(placed);
}

bool Win32Platform::GetClipboardData(std::uint32_t format, std::vector<std::uint8_t>* data) {
  HANDLE memory = ::GetClipboardData(format);
  if (!memory) return false;
  const void* bytes = ::GlobalLock(memory);
  if (!bytes) return false;
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  data->assign(first, first + ::GlobalSize(memory));
  ::GlobalUnlock(memory);
  return true;
}

Hwnd Win32Platform::GetClipboardOwner() { return reinterpret_cast<Hwnd>(::GetClipboardOwner()); }

Hwnd Win32Platform::GetOpenClipboardWindow() {
  return reinterpret_cast<Hwnd>(::GetOpenClipboardWindow());
}

}  // namespace platform
