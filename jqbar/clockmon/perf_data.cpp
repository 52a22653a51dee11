#include "perf_data.h"

#include <cstring>

#include "le_bytes.h"

namespace jqbar {
namespace {

constexpr std::size_t kBlockHeaderMin = 88;   // PERF_DATA_BLOCK
constexpr std::size_t kObjectHeaderMin = 64;  // PERF_OBJECT_TYPE
constexpr std::size_t kCounterDefMin = 40;    // PERF_COUNTER_DEFINITION
constexpr std::size_t kInstanceMin = 24;      // PERF_INSTANCE_DEFINITION
constexpr std::size_t kMaxPerfBuffer = 64u << 20;

std::uint32_t U32(const std::uint8_t* p) { return le::GetU32(p); }

}  // namespace

std::vector<std::uint8_t> QueryPerformanceData(const char* objectIndex, std::size_t startSize) {
  std::vector<std::uint8_t> buffer(startSize, 0);
  for (;;) {
    DWORD bytes = DWORD(buffer.size());
    DWORD type = 0;
    LONG r = RegQueryValueExA(HKEY_PERFORMANCE_DATA, objectIndex, nullptr, &type, buffer.data(), &bytes);
    if (r == ERROR_MORE_DATA && buffer.size() + 1000 <= kMaxPerfBuffer) {
      buffer.assign(buffer.size() + 1000, 0);
      continue;
    }
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    if (r != ERROR_SUCCESS || bytes > buffer.size()) return {};
    buffer.resize(bytes);
    return buffer;
  }
}

bool OpenFirstPerfObject(const std::uint8_t* data, std::size_t size, PerfObjectView& out) {
  if (!data || size < kBlockHeaderMin) return false;
  std::size_t total = U32(data + 20), header = U32(data + 24), objects = U32(data + 28);
  if (total > size) total = size;  // trust only what was read
  if (objects < 1 || header < kBlockHeaderMin || header > total || total - header < kObjectHeaderMin)
    return false;
  const std::uint8_t* o = data + header;
  std::size_t objectLength = U32(o), definitionLength = U32(o + 4), headerLength = U32(o + 8);
  if (objectLength < kObjectHeaderMin || objectLength > total - header) return false;
  if (headerLength < kObjectHeaderMin || headerLength > definitionLength ||
      definitionLength > objectLength)
    return false;
  std::uint32_t counters = U32(o + 32);
  if (counters > (definitionLength - headerLength) / kCounterDefMin) return false;
  out.data = data;
  out.size = size;
  out.object = header;
  out.objectEnd = header + objectLength;
  out.definitions = header + headerLength;
  out.numCounters = counters;
  out.numInstances = le::GetI32(o + 40);
  out.perfTime100nSec = U32(data + 72) | std::uint64_t(U32(data + 76)) << 32;
  return true;
}

bool FindPerfCounter(const PerfObjectView& v, std::uint32_t nameIndex, std::uint32_t* offset) {
  std::size_t at = v.definitions;
  std::size_t definitionEnd = v.object + U32(v.data + v.object + 4);
  for (std::uint32_t i = 0; i < v.numCounters; ++i) {
    if (at + kCounterDefMin > definitionEnd) return false;
    std::uint32_t length = U32(v.data + at);
    if (length < kCounterDefMin || length > definitionEnd - at) return false;
    if (U32(v.data + at + 4) == nameIndex) {
      *offset = U32(v.data + at + 36);
      return true;
    }
    at += length;
  }
  return false;
}

std::vector<PerfInstance> ListPerfInstances(const PerfObjectView& v) {
  std::vector<PerfInstance> list;
  if (v.numInstances <= 0) return list;
  std::size_t at = v.object + U32(v.data + v.object + 4);
  for (std::int32_t i = 0; i < v.numInstances; ++i) {
    if (at + kInstanceMin > v.objectEnd) break;
    std::uint32_t length = U32(v.data + at);
    if (length < kInstanceMin || length > v.objectEnd - at) break;
    std::size_t block = at + length;
    if (block + 4 > v.objectEnd) break;
    std::uint32_t blockLength = U32(v.data + block);
    if (blockLength < 4 || blockLength > v.objectEnd - block) break;
    list.push_back({at, block, blockLength});
    at = block + blockLength;
  }
  return list;
}

bool ObjectCounterBlock(const PerfObjectView& v, PerfInstance& out) {
  std::size_t block = v.object + U32(v.data + v.object + 4);
  if (block + 4 > v.objectEnd) return false;
  std::uint32_t length = U32(v.data + block);
  if (length < 4 || length > v.objectEnd - block) return false;
  out = {0, block, length};
  return true;
}

bool ReadCounter32(const PerfObjectView& v, const PerfInstance& b, std::uint32_t offset,
                   std::uint32_t* value) {
  if (offset > b.blockLength || b.blockLength - offset < 4) return false;
  *value = U32(v.data + b.block + offset);
  return true;
}

bool InstanceName(const PerfObjectView& v, const PerfInstance& in, char* out, int capacity) {
  std::uint32_t nameOffset = U32(v.data + in.record + 16), nameLength = U32(v.data + in.record + 20);
  std::uint32_t recordLength = U32(v.data + in.record);
  if (capacity < 1 || nameOffset < kInstanceMin || nameOffset > recordLength ||
      nameLength > recordLength - nameOffset)
    return false;
  std::size_t chars = nameLength / 2;
  std::vector<wchar_t> name(chars + 1, 0);
  for (std::size_t i = 0; i < chars; ++i) {
    const std::uint8_t* p = v.data + in.record + nameOffset + 2 * i;
    name[i] = wchar_t(p[0] | p[1] << 8);
    if (!name[i]) break;
  }
  name[chars] = 0;
  int need = WideCharToMultiByte(CP_ACP, 0, name.data(), -1, nullptr, 0, nullptr, nullptr);
  if (need <= 0) {
    out[0] = 0;
    return false;
  }
  std::vector<char> ansi(std::size_t(need) + 1, 0);
  WideCharToMultiByte(CP_ACP, 0, name.data(), -1, ansi.data(), need, nullptr, nullptr);
  // Cut to the capacity, never inside a double-byte character.
  int keep = 0;
  while (ansi[std::size_t(keep)] && keep < capacity - 1) {
    int step = IsDBCSLeadByte(BYTE(ansi[std::size_t(keep)])) && ansi[std::size_t(keep) + 1] ? 2 : 1;
    if (keep + step > capacity - 1) break;
    keep += step;
  }
  std::memcpy(out, ansi.data(), std::size_t(keep));
  out[keep] = 0;
  return out[0] != 0;
}

bool ReadProcessorIdle(const std::uint8_t* data, std::size_t size, std::uint32_t* idle,
                       std::uint32_t* time) {
  PerfObjectView v;
  std::uint32_t offset = 0;
  if (!OpenFirstPerfObject(data, size, v) || !FindPerfCounter(v, 6, &offset)) return false;
  std::vector<PerfInstance> instances = ListPerfInstances(v);
  PerfInstance block;
  if (!instances.empty()) block = instances.front();
  else if (!ObjectCounterBlock(v, block)) return false;
  if (!ReadCounter32(v, block, offset, idle)) return false;
  *time = std::uint32_t(v.perfTime100nSec);
  return true;
}

bool ReadThreadCount(const std::uint8_t* data, std::size_t size, std::uint32_t* threads) {
  PerfObjectView v;
  std::uint32_t offset = 0;
  if (!OpenFirstPerfObject(data, size, v) || !FindPerfCounter(v, 250, &offset)) return false;
  PerfInstance block;
  if (v.numInstances <= 0) {
    if (!ObjectCounterBlock(v, block)) return false;
  } else {
    std::vector<PerfInstance> instances = ListPerfInstances(v);
    if (instances.empty()) return false;
    block = instances.front();
  }
  return ReadCounter32(v, block, offset, threads);
}

bool FindProcessInstanceName(const std::uint8_t* data, std::size_t size, std::uint32_t pid,
                             char* out, int capacity) {
  PerfObjectView v;
  std::uint32_t offset = 0;
  if (!OpenFirstPerfObject(data, size, v) || !FindPerfCounter(v, 784, &offset)) return false;
  std::vector<PerfInstance> instances = ListPerfInstances(v);
  for (std::size_t i = 0; i + 1 < instances.size(); ++i) {
    std::uint32_t id = 0;
    if (ReadCounter32(v, instances[i], offset, &id) && id == pid)
      return InstanceName(v, instances[i], out, capacity);
  }
  return false;
}

}  // namespace jqbar
