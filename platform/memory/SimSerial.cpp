#include "platform/memory/SimSerial.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

namespace {
constexpr std::uint32_t kMaxDword = std::numeric_limits<std::uint32_t>::max();
// What a serial driver keeps before anyone asks for a size.
constexpr std::uint32_t kDefaultQueue = 4096;
}  // namespace

// ---- the port ----------------------------------------------------------------------------

SimSerialPort::SimSerialPort(SimSystem& system, std::string_view portName, SerialPortSetup how,
                             int index)
    : name(portName), setup(std::move(how)), sys_(system), index_(index) {
  if (setup.friendlyName) sys_.SetString(DeviceKey(), "PortName", name);
  Announce(true);
}

std::string SimSerialPort::DeviceKey() const {
  return "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\SIM\\PORTS\\" +
         std::to_string(index_) + "\\Device Parameters";
}

void SimSerialPort::Announce(bool present) {
  if (setup.listed) {
    const std::string entry = "\\Device\\Serial" + std::to_string(index_);
    if (present)
      sys_.SetString(kSerialCommKey, entry, name);
    else
      sys_.DeleteValue(kSerialCommKey, entry);
  }
  sys_.BroadcastDeviceChange();
}

void SimSerialPort::Feed(std::initializer_list<std::uint8_t> bytes) {
  Feed(std::vector<std::uint8_t>(bytes));
}

void SimSerialPort::Feed(const std::vector<std::uint8_t>& bytes) {
  Settle();  // what was due earlier comes first
  if (vanished_) return;
  for (std::uint8_t b : bytes) Arrive(b);
}

void SimSerialPort::FeedAt(std::uint64_t atMs, const std::vector<std::uint8_t>& bytes) {
  if (vanished_) return;
  auto at = std::upper_bound(scheduled_.begin(), scheduled_.end(), atMs,
                             [](std::uint64_t t, const Arrival& a) { return t < a.at; });
  for (std::uint8_t b : bytes) at = std::next(scheduled_.insert(at, {atMs, b}));
}

void SimSerialPort::Trickle(const std::vector<std::uint8_t>& bytes, std::uint32_t bytesPerSecond,
                            std::optional<std::uint64_t> startMs) {
  const std::uint64_t start = startMs.value_or(sys_.Now());
  const std::uint64_t rate = std::max<std::uint32_t>(bytesPerSecond, 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) FeedAt(start + (i + 1) * 1000 / rate, {bytes[i]});
}

std::size_t SimSerialPort::Queued() {
  Settle();
  return received_.size();
}

std::uint32_t SimSerialPort::QueueCapacity() const {
  return std::max(inQueueSize ? inQueueSize : kDefaultQueue, minimumCapacity_);
}

void SimSerialPort::FailNext(SerialCall call, long error, int times) {
  if (times == 0) {
    failures_.erase(call);
    return;
  }
  failures_[call] = {error, times};
}

void SimSerialPort::Vanish() {
  if (vanished_) return;
  vanished_ = true;
  ++generation_;
  open = false;
  received_.clear();
  scheduled_.clear();
  errors_ = 0;
  Announce(false);
}

void SimSerialPort::Return() {
  if (!vanished_) return;
  vanished_ = false;
  Announce(true);
}

void SimSerialPort::Settle() {
  while (!scheduled_.empty() && scheduled_.front().at <= sys_.Now()) {
    Arrive(scheduled_.front().byte);
    scheduled_.pop_front();
  }
}

void SimSerialPort::Arrive(std::uint8_t byte) {
  if (received_.size() >= QueueCapacity()) {
    errors_ |= kCeRxOver;
    return;
  }
  received_.push_back(byte);
  ++arrivals_;
}

bool SimSerialPort::Injected(SerialCall call, long* error) {
  auto it = failures_.find(call);
  if (it == failures_.end()) return false;
  *error = it->second.error;
  if (it->second.remaining > 0 && --it->second.remaining == 0) failures_.erase(it);
  return true;
}

std::uint32_t SimSerialPort::Take(std::uint8_t* out, std::uint32_t toRead) {
  const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(toRead, received_.size()));
  std::copy_n(received_.begin(), n, out);
  received_.erase(received_.begin(), received_.begin() + n);
  return n;
}

// A read returns once it has all it asked for, or when a time-out ends it:
// the total one (multiplier per byte asked plus constant) counted from the
// start, the interval one counted from the last byte taken (bytes already
// queued count as taken at the start). Waiting moves the machine's clock, as
// the thread would be blocked for that long.
std::uint32_t SimSerialPort::Read(std::uint8_t* out, std::uint32_t toRead) {
  Settle();
  std::uint32_t got = Take(out, toRead);
  if (got == toRead) return got;
  const CommTimeouts& t = timeouts;
  // Interval MAXDWORD and no total: return at once with what is there.
  if (t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == 0 &&
      t.ReadTotalTimeoutConstant == 0)
    return got;
  // Both MAXDWORD and a constant: return at once if anything is there, else
  // with the first byte to arrive within the constant.
  const bool firstByte = t.ReadIntervalTimeout == kMaxDword &&
                         t.ReadTotalTimeoutMultiplier == kMaxDword &&
                         t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != kMaxDword;
  if (firstByte && got > 0) return got;

  const std::uint64_t start = sys_.Now();
  std::optional<std::uint64_t> total;
  if (firstByte)
    total = start + t.ReadTotalTimeoutConstant;
  else if (t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant)
    total =
        start + std::uint64_t{t.ReadTotalTimeoutMultiplier} * toRead + t.ReadTotalTimeoutConstant;
  const bool interval = !firstByte && t.ReadIntervalTimeout != 0;
  std::uint64_t lastByte = start;
  for (;;) {
    std::optional<std::uint64_t> deadline = total;
    if (interval && got > 0) {
      const std::uint64_t end = lastByte + t.ReadIntervalTimeout;
      deadline = deadline ? std::min(*deadline, end) : end;
    }
    // The driver's time-outs run on the system's timers, which expire on the
    // clock's ticks.
    if (deadline) deadline = sys_.TickAtOrAfter(*deadline);
    if (scheduled_.empty() || (deadline && scheduled_.front().at > *deadline)) {
      if (!deadline) {
        std::fprintf(stderr,
                     "simulated %s: ReadFile of %u bytes has %u and waits forever: no time-out "
                     "ends it and no byte is scheduled\n",
                     name.c_str(), toRead, got);
        throw SerialReadBlocksForever{name, toRead, got};
      }
      if (*deadline > sys_.Now()) sys_.Advance(*deadline - sys_.Now());
      return got;
    }
    const std::uint64_t next = scheduled_.front().at;
    if (next > sys_.Now()) sys_.Advance(next - sys_.Now());
    Settle();
    got += Take(out + got, toRead - got);
    lastByte = sys_.Now();
    if (got == toRead || (firstByte && got > 0)) return got;
  }
}

// ---- the machine's ports -----------------------------------------------------------------

SimSerialPort& SimSystem::AddSerialPort(std::string_view name, SerialPortSetup setup) {
  if (SimSerialPort* p = SerialPort(name)) return *p;
  const auto index = static_cast<int>(serialPorts_.size());
  serialPorts_.push_back(std::make_unique<SimSerialPort>(*this, name, std::move(setup), index));
  return *serialPorts_.back();
}

void SimSystem::BroadcastDeviceChange() {
  for (Hwnd h : zorder_)
    if (Window(h)->pid != 0) Post(h, msg::kDeviceChange, kDbtDevNodesChanged, 0);
}

SimSerialPort* SimSystem::SerialPort(std::string_view name) {
  for (auto& p : serialPorts_)
    if (Fold(p->name) == Fold(name)) return p.get();
  return nullptr;
}

// ---- a process's handles on them ---------------------------------------------------------

SimSerialPort* SimProcess::Port(Handle h) {
  auto it = handles_.find(h);
  if (it == handles_.end() || it->second.kind != HandleKind::Serial) return nullptr;
  return sys_.SerialPort(it->second.name);
}

bool SimProcess::SerialLive(Handle h) {
  auto it = handles_.find(h);
  if (it == handles_.end() || it->second.kind != HandleKind::Serial) return false;
  const SimSerialPort* p = sys_.SerialPort(it->second.name);
  return p && p->Live(it->second.generation);
}

Handle SimProcess::CreateFileA(std::string_view fileName, std::uint32_t, std::uint32_t,
                               std::uint32_t, std::uint32_t attributes) {
  std::string_view name = fileName;
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  if (const SimSerialPort* port = sys_.SerialPort(name); port && port->Present())
    sys_.Advance(port->setup.openMs);
  return OpenPort(fileName, attributes);
}

bool SimProcess::OpenInBackground(Hwnd hwnd, std::uint32_t message, LParam cookie,
                                  std::string_view fileName, std::uint32_t, std::uint32_t,
                                  std::uint32_t, std::uint32_t attributes) {
  std::string_view name = fileName;
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  const SimSerialPort* port = sys_.SerialPort(name);
  const std::uint64_t takes = port && port->Present() ? port->setup.openMs : 0;
  opens_.push_back({hwnd, message, cookie, std::string(fileName), attributes, sys_.Now() + takes});
  return true;
}

void SimProcess::SettleOpens() {
  for (auto it = opens_.begin(); it != opens_.end();) {
    if (it->at > sys_.Now()) {
      ++it;
      continue;
    }
    const BackgroundOpen open = *it;
    it = opens_.erase(it);
    const long before = lastError_;  // the thread's own, not this one's
    const Handle h = OpenPort(open.name, open.attributes);
    lastError_ = before;
    if (sys_.Window(open.hwnd))
      sys_.Post(open.hwnd, open.message, static_cast<WParam>(h), open.cookie);
    else if (h != kInvalidHandleValue)
      CloseHandle(h);
  }
}

std::uint64_t SimProcess::NextOpen() const {
  std::uint64_t next = UINT64_MAX;
  for (const BackgroundOpen& o : opens_) next = std::min(next, o.at);
  return next;
}

Handle SimProcess::OpenPort(std::string_view fileName, std::uint32_t attributes) {
  std::string_view name = fileName;
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  SimSerialPort* port = sys_.SerialPort(name);
  if (!port || !port->Present()) {
    lastError_ = error::kFileNotFound;
    return kInvalidHandleValue;
  }
  // A communications device has one user at a time, whatever share mode the
  // second one asks for.
  if (port->open) {
    lastError_ = error::kAccessDenied;
    return kInvalidHandleValue;
  }
  port->open = true;
  const Handle h = nextHandle_ += 4;
  handles_[h] = {HandleKind::Serial, port->name, port->generation_};
  handles_[h].overlapped = (attributes & kFileFlagOverlapped) != 0;
  lastError_ = error::kSuccess;
  return h;
}

// On a handle whose device has gone, what the system does: the status query
// and the line settings fail with ERROR_NOT_READY, reads succeed with no
// bytes, and purges, queue sizes and time-outs are taken and do nothing.

bool SimProcess::SetupComm(Handle h, std::uint32_t inQueue, std::uint32_t outQueue) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return true;
  if (long e = 0; p->Injected(SerialCall::SetupComm, &e)) return FailBool(e);
  p->inQueueSize = inQueue;
  p->outQueueSize = outQueue;
  return true;
}

bool SimProcess::SetCommState(Handle h, const Dcb& dcb) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return FailBool(error::kNotReady);
  if (long e = 0; p->Injected(SerialCall::SetCommState, &e)) return FailBool(e);
  if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > 4 ||
      dcb.StopBits > 2)
    return FailBool(error::kInvalidParameter);
  p->dcb = dcb;
  return true;
}

bool SimProcess::GetCommState(Handle h, Dcb* dcb) {
  SimSerialPort* p = Port(h);
  if (!p || !dcb) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return FailBool(error::kNotReady);
  if (long e = 0; p->Injected(SerialCall::GetCommState, &e)) return FailBool(e);
  *dcb = p->dcb;
  return true;
}

bool SimProcess::SetCommTimeouts(Handle h, const CommTimeouts& timeouts) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return true;
  if (long e = 0; p->Injected(SerialCall::SetCommTimeouts, &e)) return FailBool(e);
  p->timeouts = timeouts;
  return true;
}

bool SimProcess::PurgeComm(Handle h, std::uint32_t flags) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return true;
  if (long e = 0; p->Injected(SerialCall::PurgeComm, &e)) return FailBool(e);
  if (flags & ~(kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear))
    return FailBool(error::kInvalidParameter);
  p->Settle();
  // Bytes still on their way are not in the queue yet: the purge cannot
  // reach them.
  if (flags & kPurgeRxClear) p->received_.clear();
  if (KernelHandle& k = handles_[h]; (flags & kPurgeRxAbort) && k.read)
    Cancelled(k, false, error::kOperationAborted);
  p->purgeFlags.push_back(flags);
  return true;
}

bool SimProcess::ClearCommError(Handle h, std::uint32_t* errors, ComStat* stat) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h) && p->setup.answersWhenGone) {
    if (errors) *errors = 0;
    if (stat) *stat = {};
    return true;
  }
  if (!SerialLive(h)) return FailBool(error::kNotReady);
  if (long e = 0; p->Injected(SerialCall::ClearCommError, &e)) return FailBool(e);
  p->Settle();
  if (errors) *errors = p->errors_;
  p->errors_ = 0;
  if (stat) *stat = {static_cast<std::uint32_t>(p->received_.size()), 0};
  return true;
}

bool SimProcess::ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read) {
  SimSerialPort* p = Port(h);
  if (read) *read = 0;
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return p->setup.answersWhenGone ? FailBool(error::kGenFailure) : true;
  if (long e = 0; p->Injected(SerialCall::ReadFile, &e)) return FailBool(e);
  p->Settle();
  if ((p->dcb.flags & kDcbAbortOnError) && p->errors_) return FailBool(error::kOperationAborted);
  const std::uint32_t got = p->Read(static_cast<std::uint8_t*>(buffer), toRead);
  if (read) *read = got;
  return true;
}

bool SimProcess::ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read,
                          Overlapped* overlapped) {
  if (!overlapped) return ReadFile(h, buffer, toRead, read);
  if (read) *read = 0;
  SimSerialPort* p = Port(h);
  KernelHandle* k = p ? &handles_[h] : nullptr;
  // With no time-outs at all a read waits for every byte it asks for; on an
  // overlapped handle it pends meanwhile.
  const CommTimeouts t = p ? p->timeouts : CommTimeouts{1, 0, 0, 0, 0};
  const bool untimed = t.ReadIntervalTimeout == 0 && t.ReadTotalTimeoutMultiplier == 0 &&
                       t.ReadTotalTimeoutConstant == 0;
  CheckRecordFree(overlapped);
  if (k && k->overlapped && untimed && SerialLive(h) && !k->read && p->Queued() < toRead &&
      !p->setup.waitsEndAtOnce) {
    if (long e = 0; p->Injected(SerialCall::ReadFile, &e)) return FailBool(e);
    CommWait w;
    w.overlapped = overlapped;
    w.buffer = static_cast<std::uint8_t*>(buffer);
    w.toRead = toRead;
    k->read = w;
    overlapped->Internal = kStatusPending;
    overlapped->InternalHigh = 0;
    if (KernelHandle* e = EventHandle(overlapped->hEvent)) e->signalled = false;
    return FailBool(error::kIoPending);
  }
  // Otherwise the read is the plain one; the record tells its outcome, and
  // its event is signalled, as for a read that completes at once. A driver
  // that never waits hands over what is queued, if anything.
  std::uint32_t got = 0;
  bool ok = true;
  if (p && untimed && SerialLive(h) && p->setup.waitsEndAtOnce) {
    p->Settle();
    got = p->Take(static_cast<std::uint8_t*>(buffer), toRead);
  } else {
    ok = ReadFile(h, buffer, toRead, &got);
  }
  if (read) *read = got;
  overlapped->Internal = ok ? 0 : static_cast<std::uintptr_t>(lastError_);
  overlapped->InternalHigh = got;
  if (KernelHandle* e = EventHandle(overlapped->hEvent)) e->signalled = true;
  return ok;
}

void SimProcess::CompleteRead(KernelHandle& k, long error) {
  const CommWait w = *k.read;
  k.read.reset();
  std::uint32_t got = 0;
  SimSerialPort* p = sys_.SerialPort(k.name);
  if (error == error::kSuccess && p && p->Live(k.generation)) {
    p->Settle();
    got = p->Take(w.buffer, w.toRead);
  }
  w.overlapped->Internal = static_cast<std::uintptr_t>(error);
  w.overlapped->InternalHigh = got;
  if (KernelHandle* e = EventHandle(w.overlapped->hEvent)) e->signalled = true;
}

bool SimProcess::SetCommMask(Handle h, std::uint32_t mask) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h)) return FailBool(error::kNotReady);
  if (long e = 0; p->Injected(SerialCall::SetCommMask, &e)) return FailBool(e);
  KernelHandle& k = handles_[h];
  // A wait in progress ends, having seen no event.
  if (k.wait) Cancelled(k, true, error::kSuccess);
  k.commMask = mask;
  return true;
}

bool SimProcess::WaitCommEvent(Handle h, std::uint32_t* events, Overlapped* overlapped) {
  SimSerialPort* p = Port(h);
  if (!p) return FailBool(error::kInvalidHandle);
  if (!SerialLive(h))
    return FailBool(p->setup.answersWhenGone ? error::kGenFailure : error::kNotReady);
  if (long e = 0; p->Injected(SerialCall::WaitCommEvent, &e)) return FailBool(e);
  KernelHandle& k = handles_[h];
  if (k.commMask == 0 || k.wait || !events) return FailBool(error::kInvalidParameter);
  CheckRecordFree(overlapped);
  if (!k.overlapped || !overlapped) {
    // The thread blocks until the next byte: only a byte already on its way
    // ends the wait.
    p->Settle();
    if (p->scheduled_.empty()) throw SerialReadBlocksForever{p->name, 1, 0};
    sys_.Advance(p->scheduled_.front().at - std::min(p->scheduled_.front().at, sys_.Now()));
    p->Settle();
    *events = kEvRxChar & k.commMask;
    return true;
  }
  p->Settle();
  // Bytes already queued end the wait at once; a driver that never waits
  // ends it at once with nothing.
  if (((k.commMask & kEvRxChar) && !p->received_.empty()) ||
      (p->setup.waitsEndAtOnce && p->setup.watchesLines)) {
    *events = p->received_.empty() ? 0 : kEvRxChar;
    overlapped->Internal = 0;
    overlapped->InternalHigh = 0;
    if (KernelHandle* e = EventHandle(overlapped->hEvent)) e->signalled = true;
    return true;
  }
  CommWait w;
  w.events = events;
  w.overlapped = overlapped;
  w.arrivalsBefore = p->arrivals_;
  if (!p->setup.watchesLines) w.endsAt = sys_.Now() + (p->setup.waitsEndAtOnce ? 0 : kBlindWaitMs);
  k.wait = w;
  overlapped->Internal = kStatusPending;
  overlapped->InternalHigh = 0;
  if (KernelHandle* e = EventHandle(overlapped->hEvent)) e->signalled = false;
  return FailBool(error::kIoPending);
}

void SimProcess::CompleteCommWait(KernelHandle& k, std::uint32_t events, long error) {
  const CommWait w = *k.wait;
  k.wait.reset();
  *w.events = events;
  w.overlapped->Internal = static_cast<std::uintptr_t>(error);
  w.overlapped->InternalHigh = 0;
  if (KernelHandle* e = EventHandle(w.overlapped->hEvent)) e->signalled = true;
}

void SimProcess::SettleCommWaits() {
  for (auto& [h, k] : handles_) {
    if (k.kind != HandleKind::Serial || (!k.wait && !k.read)) continue;
    SimSerialPort* p = sys_.SerialPort(k.name);
    const bool live = p && p->Live(k.generation);
    if (live) p->Settle();
    // A driver that answers when gone fails what was under way.
    const long gone = p && p->setup.answersWhenGone ? error::kGenFailure : error::kOperationAborted;
    if (k.wait) {
      if (!live)
        CompleteCommWait(k, 0, gone);
      else if ((k.commMask & kEvRxChar) && p->arrivals_ > k.wait->arrivalsBefore)
        CompleteCommWait(k, kEvRxChar, error::kSuccess);
      else if (sys_.Now() >= k.wait->endsAt)
        CompleteCommWait(k, 0, error::kOperationAborted);
    }
    // A read of a port that went away ends with no bytes, as reads of it do.
    if (k.read && (!live || p->received_.size() >= k.read->toRead))
      CompleteRead(k, live || !p || !p->setup.answersWhenGone ? error::kSuccess : gone);
  }
  for (auto it = orphans_.begin(); it != orphans_.end();) {
    if (it->at > sys_.Now()) {
      ++it;
      continue;
    }
    Orphan o = *it;
    it = orphans_.erase(it);
    CompleteOrphan(o);
  }
}

void SimProcess::Cancelled(KernelHandle& k, bool wait, long error) {
  SimSerialPort* p = sys_.SerialPort(k.name);
  const auto cancel = p ? p->setup.cancel : SerialPortSetup::Cancel::Prompt;
  if (cancel == SerialPortSetup::Cancel::Prompt) {
    if (wait)
      CompleteCommWait(k, 0, error);
    else
      CompleteRead(k, error);
    return;
  }
  Orphan o;
  o.op = wait ? *k.wait : *k.read;
  (wait ? k.wait : k.read).reset();
  o.port = k.name;
  o.generation = k.generation;
  o.error = error;
  if (cancel == SerialPortSetup::Cancel::Late) o.at = sys_.Now() + p->setup.lateCancelMs;
  orphans_.push_back(o);
}

void SimProcess::CompleteOrphan(Orphan& o) {
  std::uint32_t got = 0;
  SimSerialPort* p = sys_.SerialPort(o.port);
  // A read went on taking what arrived until its driver ended it.
  if (!o.op.events && p && p->Live(o.generation)) {
    p->Settle();
    got = p->Take(o.op.buffer, o.op.toRead);
  }
  if (o.op.events) *o.op.events = 0;
  o.op.overlapped->Internal = static_cast<std::uintptr_t>(o.error);
  o.op.overlapped->InternalHigh = got;
  if (KernelHandle* e = EventHandle(o.op.overlapped->hEvent)) e->signalled = true;
}

void SimProcess::CheckRecordFree(const Overlapped* record) const {
  bool inFlight = false;
  for (const auto& [h, k] : handles_)
    if ((k.wait && k.wait->overlapped == record) || (k.read && k.read->overlapped == record))
      inFlight = true;
  for (const Orphan& o : orphans_)
    if (o.op.overlapped == record) inFlight = true;
  if (!inFlight) return;
  std::fprintf(stderr,
               "simulated process %u: an overlapped operation started with a record that a "
               "cancelled one has not completed with\n",
               pid_);
  throw OverlappedInUse{record};
}

std::uint64_t SimProcess::NextCommArrival() {
  std::uint64_t next = UINT64_MAX;
  for (auto& [h, k] : handles_) {
    if (k.kind != HandleKind::Serial || (!k.wait && !k.read)) continue;
    const SimSerialPort* p = sys_.SerialPort(k.name);
    if (p && !p->scheduled_.empty()) next = std::min(next, p->scheduled_.front().at);
    if (k.wait) next = std::min(next, k.wait->endsAt);
  }
  for (const Orphan& o : orphans_) next = std::min(next, o.at);
  return next;
}

bool SimProcess::GetOverlappedResult(Handle h, Overlapped* overlapped, std::uint32_t* transferred,
                                     bool wait) {
  if (transferred) *transferred = 0;
  if (!handles_.contains(h) || !overlapped) return FailBool(error::kInvalidHandle);
  SettleCommWaits();
  if (overlapped->Internal == kStatusPending) {
    if (!wait) return FailBool(error::kIoIncomplete);
    const std::uint64_t next = NextCommArrival();
    if (next == UINT64_MAX) throw SerialReadBlocksForever{handles_[h].name, 0, 0};
    if (next > sys_.Now()) sys_.Advance(next - sys_.Now());
    SettleCommWaits();
  }
  if (transferred) *transferred = static_cast<std::uint32_t>(overlapped->InternalHigh);
  if (overlapped->Internal != 0) return FailBool(static_cast<long>(overlapped->Internal));
  return true;
}

bool SimProcess::CancelIo(Handle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) return FailBool(error::kInvalidHandle);
  if (it->second.wait) Cancelled(it->second, true, error::kOperationAborted);
  if (it->second.read) Cancelled(it->second, false, error::kOperationAborted);
  return true;
}

void SimProcess::ReleaseSerial(const KernelHandle& k) {
  SimSerialPort* p = sys_.SerialPort(k.name);
  // A dead handle's device is gone; the port's new device is someone else's.
  if (p && p->Live(k.generation)) p->open = false;
}

}  // namespace platform::memory

namespace platform::memory {

// ---- the ports' device records ---------------------------------------------------------

Handle SimProcess::SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) {
  std::vector<std::uint32_t> devices;
  if (classGuid == kGuidDevClassPorts)
    for (const auto& p : sys_.serialPorts_)
      if (p->DevInst() && (p->Present() || !(flags & kDigcfPresent)))
        devices.push_back(p->DevInst());
  const Handle h = nextHandle_ += 4;
  deviceSets_[h] = std::move(devices);
  lastError_ = error::kSuccess;
  return h;
}

bool SimProcess::SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, SpDevinfoData* device) {
  auto it = deviceSets_.find(set);
  if (it == deviceSets_.end()) return FailBool(error::kInvalidHandle);
  if (!device) return FailBool(error::kInvalidParameter);
  if (index >= it->second.size()) return FailBool(error::kNoMoreItems);
  device->ClassGuid = kGuidDevClassPorts;
  device->DevInst = it->second[index];
  device->Reserved = 0;
  return true;
}

SimSerialPort* SimProcess::SetDevice(Handle set, const SpDevinfoData& device) {
  auto it = deviceSets_.find(set);
  if (it == deviceSets_.end() ||
      std::find(it->second.begin(), it->second.end(), device.DevInst) == it->second.end())
    return nullptr;
  for (const auto& p : sys_.serialPorts_)
    if (p->DevInst() == device.DevInst) return p.get();
  return nullptr;
}

bool SimProcess::SetupDiGetDeviceRegistryPropertyA(Handle set, const SpDevinfoData& device,
                                                   std::uint32_t property, std::uint32_t* type,
                                                   std::uint8_t* buffer, std::uint32_t size,
                                                   std::uint32_t* required) {
  if (!deviceSets_.contains(set)) return FailBool(error::kInvalidHandle);
  const SimSerialPort* port = SetDevice(set, device);
  if (!port) return FailBool(error::kInvalidParameter);
  // A port's record holds its friendly name and nothing else the program
  // asks for.
  if (property != kSpdrpFriendlyName) return FailBool(error::kInvalidData);
  const std::string& text = *port->setup.friendlyName;
  const auto needed = static_cast<std::uint32_t>(text.size() + 1);
  if (type) *type = kRegSz;
  if (required) *required = needed;
  if (!buffer || size < needed) return FailBool(error::kInsufficientBuffer);
  std::memcpy(buffer, text.c_str(), needed);
  return true;
}

HKey SimProcess::SetupDiOpenDevRegKey(Handle set, const SpDevinfoData& device, std::uint32_t scope,
                                      std::uint32_t, std::uint32_t keyType, std::uint32_t) {
  if (!deviceSets_.contains(set)) {
    lastError_ = error::kInvalidHandle;
    return kInvalidHandleValue;
  }
  const SimSerialPort* port = SetDevice(set, device);
  if (!port || scope != kDicsFlagGlobal || keyType != kDiregDev) {
    lastError_ = error::kInvalidParameter;
    return kInvalidHandleValue;
  }
  const HKey h = sys_.NewHandle();
  keys_[h] = {SimSystem::NormalizePath(port->DeviceKey())};
  return h;
}

bool SimProcess::SetupDiDestroyDeviceInfoList(Handle set) {
  if (deviceSets_.erase(set) == 0) return FailBool(error::kInvalidHandle);
  return true;
}

}  // namespace platform::memory
