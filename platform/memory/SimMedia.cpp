// The simulated machine's media control, shell and version services.
//
// Media control behaves as the system's does for the commands the program
// sends: the device is chosen by the file's extension and the file is read
// for its length (a MIDI file through its tempo map, a wave file through its
// data size and byte rate), so a sound plays for exactly its length on the
// manual clock. When it ends by itself the device reads "stopped" while it
// stays open, and a play sent with MCI_NOTIFY posts MM_MCINOTIFY to its
// callback window: successful at the end, aborted by a stop, a seek or a
// close, superseded by the next play with a notification.
#include <algorithm>
#include <cstring>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

namespace {

// Error numbers the system gives for what the program can run into.
constexpr std::uint32_t kErrUnrecognizedCommand = 261;
constexpr std::uint32_t kErrMissingParameter = 273;
constexpr std::uint32_t kErrUnsupportedFunction = 274;
constexpr std::uint32_t kErrExtensionNotFound = 281;
constexpr std::uint32_t kErrInvalidFile = 296;
constexpr std::uint32_t kErrOutOfRange = 282;
constexpr std::uint32_t kSeekToEnd = 0x00000200;

// ---- reading sound files --------------------------------------------------

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool Has(std::size_t n) const { return static_cast<std::size_t>(end_ - p_) >= n; }
  std::size_t Left() const { return static_cast<std::size_t>(end_ - p_); }
  bool Tag(const char* tag) {
    if (!Has(4) || std::memcmp(p_, tag, 4) != 0) return false;
    p_ += 4;
    return true;
  }
  std::uint32_t Be(int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | *p_++;
    return v;
  }
  std::uint32_t Le(int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint32_t{*p_++} << (8 * i);
    return v;
  }
  std::uint8_t Byte() { return *p_++; }
  // A variable-length quantity of at most four bytes.
  bool Vlq(std::uint32_t* v) {
    *v = 0;
    for (int i = 0; i < 4; ++i) {
      if (!Has(1)) return false;
      const std::uint8_t b = *p_++;
      *v = (*v << 7) | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  void Skip(std::size_t n) { p_ += std::min(n, Left()); }
  Reader Sub(std::size_t n) {
    n = std::min(n, Left());
    Reader r(p_, n);
    p_ += n;
    return r;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

std::optional<std::uint32_t> WaveLength(const std::vector<std::uint8_t>& bytes) {
  Reader r(bytes.data(), bytes.size());
  if (!r.Tag("RIFF") || !r.Has(4)) return std::nullopt;
  r.Le(4);
  if (!r.Tag("WAVE")) return std::nullopt;
  std::uint32_t byteRate = 0;
  bool haveFormat = false;
  while (r.Has(8)) {
    const bool fmt = r.Tag("fmt ");
    const bool data = !fmt && r.Tag("data");
    if (!fmt && !data) r.Skip(4);
    const std::uint32_t size = r.Le(4);
    if (fmt) {
      if (size < 16 || !r.Has(16)) return std::nullopt;
      Reader f = r.Sub(size);
      f.Skip(8);  // format tag, channels, sample rate
      byteRate = f.Le(4);
      haveFormat = true;
    } else if (data) {
      if (!haveFormat || byteRate == 0) return std::nullopt;
      // The data chunk may claim more than the file holds; what is there plays.
      const std::uint64_t n = std::min<std::uint64_t>(size, r.Left());
      return static_cast<std::uint32_t>((n * 1000 + byteRate / 2) / byteRate);
    } else {
      r.Skip(size + (size & 1));
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> MidiLength(const std::vector<std::uint8_t>& bytes) {
  Reader r(bytes.data(), bytes.size());
  if (!r.Tag("MThd") || !r.Has(4)) return std::nullopt;
  const std::uint32_t headerSize = r.Be(4);
  if (headerSize < 6 || !r.Has(headerSize)) return std::nullopt;
  Reader h = r.Sub(headerSize);
  const std::uint32_t format = h.Be(2);
  const std::uint32_t tracks = h.Be(2);
  const std::uint32_t division = h.Be(2);
  if (format > 2 || tracks == 0 || division == 0) return std::nullopt;

  // Tempo changes at their ticks (microseconds per quarter note); every
  // track's changes count, as the sequencer merges them.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> tempos;
  std::uint64_t lastTick = 0;
  std::uint32_t found = 0;
  while (found < tracks && r.Has(8)) {
    const bool track = r.Tag("MTrk");
    if (!track) r.Skip(4);
    const std::uint32_t size = r.Be(4);
    if (!track) {
      r.Skip(size);
      continue;
    }
    ++found;
    Reader t = r.Sub(size);
    std::uint64_t tick = 0;
    std::uint8_t status = 0;
    bool ended = false;
    while (!ended && t.Has(1)) {
      std::uint32_t delta = 0;
      if (!t.Vlq(&delta) || !t.Has(1)) return std::nullopt;
      tick += delta;
      std::uint8_t b = t.Byte();
      if (b == 0xFF) {
        if (!t.Has(1)) return std::nullopt;
        const std::uint8_t type = t.Byte();
        std::uint32_t len = 0;
        if (!t.Vlq(&len) || !t.Has(len)) return std::nullopt;
        if (type == 0x51 && len == 3) {
          tempos.emplace_back(tick, t.Be(3));
        } else if (type == 0x2F) {
          ended = true;
          t.Skip(len);
        } else {
          t.Skip(len);
        }
      } else if (b == 0xF0 || b == 0xF7) {
        std::uint32_t len = 0;
        if (!t.Vlq(&len) || !t.Has(len)) return std::nullopt;
        t.Skip(len);
      } else {
        int dataBytes;
        if (b & 0x80) {
          status = b;
          dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2;
        } else {
          if (!status) return std::nullopt;  // running status with nothing to run on
          dataBytes = ((status & 0xE0) == 0xC0 ? 1 : 2) - 1;
        }
        if (!t.Has(static_cast<std::size_t>(dataBytes))) return std::nullopt;
        t.Skip(static_cast<std::size_t>(dataBytes));
      }
    }
    lastTick = std::max(lastTick, tick);
  }
  if (found == 0) return std::nullopt;

  if (division & 0x8000) {  // frames per second and ticks per frame
    const int fps = -static_cast<std::int8_t>(division >> 8);
    const std::uint64_t perSecond =
        static_cast<std::uint64_t>(std::max(fps, 1)) * (division & 0xFF);
    if (perSecond == 0) return std::nullopt;
    return static_cast<std::uint32_t>(lastTick * 1000 / perSecond);
  }
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::uint64_t micros = 0;
  std::uint64_t at = 0;
  std::uint32_t tempo = 500000;  // 120 beats a minute until told otherwise
  for (const auto& [tick, next] : tempos) {
    if (tick >= lastTick) break;
    micros += (tick - at) * tempo / division;
    at = tick;
    tempo = next;
  }
  micros += (lastTick - at) * tempo / division;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(micros / 1000, UINT32_MAX));
}

enum class DeviceType { None, Sequencer, WaveAudio };

DeviceType TypeOfFile(std::string_view name) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos || name.find_first_of("\\/", dot) != std::string_view::npos)
    return DeviceType::None;
  std::string ext(name.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (ext == "MID" || ext == "MIDI" || ext == "RMI") return DeviceType::Sequencer;
  if (ext == "WAV") return DeviceType::WaveAudio;
  return DeviceType::None;
}

}  // namespace

// ---- the machine's side --------------------------------------------------------

void SimSystem::AddFile(std::string_view name, std::vector<std::uint8_t> bytes) {
  files_[Fold(name)] = {std::move(bytes), std::nullopt};
  fileNames_[Fold(name)] = std::string(name);
}

void SimSystem::AddSoundFile(std::string_view name, std::uint32_t lengthMs) {
  files_[Fold(name)] = {{}, lengthMs};
}

void SimSystem::FailMciCommand(std::uint32_t message, std::uint32_t error) {
  if (error)
    mciFailures_[message] = error;
  else
    mciFailures_.erase(message);
}

void SimSystem::FailVersionQuery(std::uint32_t recordSize, long error) {
  if (error)
    versionFailures_[recordSize] = error;
  else
    versionFailures_.erase(recordSize);
}

void SimSystem::EndPlay(SimSoundDevice& d, std::uint32_t device, WParam outcome) {
  if (d.notifyWindow) Post(d.notifyWindow, mci::kMmMciNotify, outcome, device);
  d.notifyWindow = 0;
}

void SimSystem::SettleSounds() {
  for (auto& [id, d] : soundDevices_) {
    if (d.mode != mci::kModePlay) continue;
    if (d.playStartedAt + (d.playToMs - d.positionMs) > nowMs_) continue;
    d.mode = mci::kModeStop;
    d.positionMs = d.playToMs;
    EndPlay(d, id, mci::kNotifySuccessful);
  }
}

std::uint64_t SimSystem::NextSoundEnd(std::uint32_t pid) const {
  std::uint64_t next = UINT64_MAX;
  for (const auto& [id, d] : soundDevices_)
    if (d.pid == pid && d.mode == mci::kModePlay && d.notifyWindow)
      next = std::min(next, d.playStartedAt + (d.playToMs - d.positionMs));
  return next;
}

void SimSystem::FinishSounds() {
  SettleSounds();
  for (auto& [id, d] : soundDevices_) {
    if (d.mode != mci::kModePlay) continue;
    d.mode = mci::kModeStop;
    d.positionMs = d.playToMs;
    EndPlay(d, id, mci::kNotifySuccessful);
  }
}

std::vector<std::string> SimSystem::AudibleSounds() {
  SettleSounds();
  std::vector<std::string> files;
  for (const auto& [id, d] : soundDevices_)
    if (d.mode == mci::kModePlay) files.push_back(d.file);
  return files;
}

// ---- version and shell ----------------------------------------------------------

bool SimProcess::GetVersionExA(OsVersionInfo* info) {
  if (!info) return FailBool(error::kInvalidParameter);
  const std::uint32_t size = info->dwOSVersionInfoSize;
  if (size != kOsVersionInfoExSize && size != kOsVersionInfoSize)
    return FailBool(error::kInsufficientBuffer);
  if (auto it = sys_.versionFailures_.find(size); it != sys_.versionFailures_.end())
    return FailBool(it->second);
  *info = sys_.version_;
  info->dwOSVersionInfoSize = size;
  return true;
}

std::intptr_t SimProcess::ShellExecuteA(Hwnd owner, std::string_view verb, std::string_view file,
                                        std::string_view parameters, std::string_view directory,
                                        int showCmd) {
  sys_.shellExecutes_.push_back({owner, std::string(verb), std::string(file),
                                 std::string(parameters), std::string(directory), showCmd});
  // An address goes to the browser; a file opens with what is registered
  // for it. Success is any value above 32.
  constexpr std::intptr_t kOpened = 42;
  const std::string folded = SimSystem::Fold(file);
  if (folded.find("://") != std::string::npos || folded.rfind("WWW.", 0) == 0 ||
      folded.rfind("MAILTO:", 0) == 0)
    return kOpened;
  if (!file.empty() && (sys_.FileExists(file) || sys_.FileExists(std::string(file) + ".exe")))
    return kOpened;
  // A folder opens in the shell's own window.
  if (!file.empty() && sys_.DirectoryExists(file)) return kOpened;
  return sys_.shellMissingResult_;
}

// ---- media control ----------------------------------------------------------------

SimSoundDevice* SimProcess::SoundDevice(std::uint32_t device) {
  auto it = sys_.soundDevices_.find(device);
  return it == sys_.soundDevices_.end() || it->second.pid != pid_ ? nullptr : &it->second;
}

std::uint32_t SimProcess::mciSendCommandA(std::uint32_t, std::uint32_t message, std::uint32_t flags,
                                          MciOpenParms& params) {
  sys_.SettleSounds();
  if (message != mci::kOpen) return kErrUnrecognizedCommand;
  if (auto it = sys_.mciFailures_.find(message); it != sys_.mciFailures_.end()) return it->second;
  if (!(flags & mci::kOpenElement) || (flags & mci::kOpenType)) return mci::kErrCannotLoadDriver;
  const std::string& name = params.lpstrElementName;
  // The device comes from the extension before the file is looked for.
  if (TypeOfFile(name) == DeviceType::None) return kErrExtensionNotFound;
  auto file = sys_.files_.find(SimSystem::Fold(name));
  if (file == sys_.files_.end()) return mci::kErrFileNotFound;
  std::optional<std::uint32_t> length = file->second.soundLengthMs;
  if (!length)
    length = TypeOfFile(name) == DeviceType::Sequencer ? MidiLength(file->second.bytes)
                                                       : WaveLength(file->second.bytes);
  if (!length) return kErrInvalidFile;
  const std::uint32_t id = sys_.nextSoundDevice_++;
  SimSoundDevice d;
  d.pid = pid_;
  d.file = name;
  d.mode = mci::kModeStop;
  d.lengthMs = *length;
  sys_.soundDevices_[id] = d;
  params.wDeviceID = id;
  if (flags & mci::kNotify)
    sys_.Post(params.dwCallback, mci::kMmMciNotify, mci::kNotifySuccessful, id);
  return 0;
}

std::uint32_t SimProcess::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                          std::uint32_t flags, MciPlayParms& params) {
  sys_.SettleSounds();
  SimSoundDevice* d = SoundDevice(device);
  if (!d) return mci::kErrInvalidDeviceId;
  if (message != mci::kPlay) return kErrUnrecognizedCommand;
  if (auto it = sys_.mciFailures_.find(message); it != sys_.mciFailures_.end()) return it->second;
  const std::uint32_t current =
      d->mode == mci::kModePlay
          ? d->positionMs + static_cast<std::uint32_t>(sys_.Now() - d->playStartedAt)
          : d->positionMs;
  const std::uint32_t from = flags & mci::kFrom ? params.dwFrom : current;
  const std::uint32_t to = flags & mci::kTo ? params.dwTo : d->lengthMs;
  if (from > d->lengthMs || to > d->lengthMs || from > to) return kErrOutOfRange;
  if (d->notifyWindow) sys_.EndPlay(*d, device, mci::kNotifySuperseded);
  d->positionMs = from;
  d->playToMs = to;
  d->playStartedAt = sys_.Now();
  d->mode = mci::kModePlay;
  if (flags & mci::kNotify) d->notifyWindow = params.dwCallback;
  sys_.playedSounds_.push_back(d->file);
  // A play from the end has nothing to play: it is over at once.
  sys_.SettleSounds();
  return 0;
}

std::uint32_t SimProcess::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                          std::uint32_t flags, MciGenericParms& params) {
  sys_.SettleSounds();
  SimSoundDevice* d = SoundDevice(device);
  if (!d) return mci::kErrInvalidDeviceId;
  if (message != mci::kStop && message != mci::kClose && message != mci::kSeek)
    return kErrUnrecognizedCommand;
  if (auto it = sys_.mciFailures_.find(message); it != sys_.mciFailures_.end()) return it->second;
  if (message == mci::kSeek && !(flags & (mci::kSeekToStart | kSeekToEnd)))
    return kErrMissingParameter;
  // Whatever the command, the sound stops where it is and a pending
  // notification of its play is aborted.
  if (d->mode == mci::kModePlay) {
    d->positionMs += static_cast<std::uint32_t>(sys_.Now() - d->playStartedAt);
    d->mode = mci::kModeStop;
  }
  sys_.EndPlay(*d, device, mci::kNotifyAborted);
  if (message == mci::kSeek) d->positionMs = flags & mci::kSeekToStart ? 0 : d->lengthMs;
  if (message == mci::kClose) sys_.soundDevices_.erase(device);
  if (flags & mci::kNotify)
    sys_.Post(params.dwCallback, mci::kMmMciNotify, mci::kNotifySuccessful, device);
  return 0;
}

std::uint32_t SimProcess::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                          std::uint32_t flags, MciStatusParms& params) {
  sys_.SettleSounds();
  SimSoundDevice* d = SoundDevice(device);
  if (!d) return mci::kErrInvalidDeviceId;
  if (message != mci::kStatus) return kErrUnrecognizedCommand;
  if (auto it = sys_.mciFailures_.find(message); it != sys_.mciFailures_.end()) return it->second;
  if (!(flags & mci::kStatusItem)) return kErrMissingParameter;
  switch (params.dwItem) {
    case mci::kStatusMode: params.dwReturn = d->mode; break;
    case mci::kStatusLength: params.dwReturn = d->lengthMs; break;
    case mci::kStatusPosition:
      params.dwReturn =
          d->mode == mci::kModePlay
              ? d->positionMs + static_cast<std::uint32_t>(sys_.Now() - d->playStartedAt)
              : d->positionMs;
      break;
    default: return kErrUnsupportedFunction;
  }
  if (flags & mci::kNotify)
    sys_.Post(params.dwCallback, mci::kMmMciNotify, mci::kNotifySuccessful, device);
  return 0;
}

bool SimProcess::mciGetErrorStringA(std::uint32_t error, char* buffer, std::uint32_t size) {
  const char* text = nullptr;
  switch (error) {
    case mci::kErrInvalidDeviceId:
      text = "Invalid MCI device ID. Use the ID returned when opening the MCI device.";
      break;
    case kErrUnrecognizedCommand:
      text = "The driver cannot recognize the specified command.";
      break;
    case mci::kErrCannotLoadDriver: text = "The specified device driver cannot be loaded."; break;
    case kErrMissingParameter:
      text = "The specified command requires a parameter. Please supply one.";
      break;
    case kErrUnsupportedFunction:
      text = "The MCI device you are using does not support the specified command.";
      break;
    case mci::kErrFileNotFound:
      text = "Cannot find the specified file. Make sure the path and filename are correct.";
      break;
    case kErrExtensionNotFound:
      text =
          "The specified extension has no device type associated with it. Specify a device when "
          "opening the element.";
      break;
    case kErrOutOfRange:
      text = "The specified parameter is out of range for the specified command.";
      break;
    case kErrInvalidFile:
      text =
          "The specified file cannot be played on the specified MCI device. The file may be "
          "corrupt, or not in the correct format.";
      break;
    default: break;
  }
  if (!buffer || size == 0 || !text) return false;
  std::strncpy(buffer, text, size - 1);
  buffer[size - 1] = '\0';
  return true;
}

}  // namespace platform::memory
