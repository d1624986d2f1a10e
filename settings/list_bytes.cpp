#include "settings/list_bytes.h"

#include <cstdint>

namespace plexaro {
namespace {

constexpr size_t kFieldSize = 4;

void AppendField(ByteSet& out, uint32_t value) {
  for (size_t i = 0; i < kFieldSize; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

// Reads a field at `offset` and moves past it; false when fewer than four bytes remain.
bool TakeField(std::string_view bytes, size_t& offset, uint32_t& value) {
  if (bytes.size() - offset < kFieldSize) return false;
  value = 0;
  for (size_t i = 0; i < kFieldSize; ++i) {
    value |= uint32_t(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  offset += kFieldSize;
  return true;
}

}  // namespace

ByteSet EncodeItemList(const std::vector<Text>& items) {
  size_t total = kFieldSize;
  for (const Text& item : items) total += kFieldSize + item.size();
  ByteSet out;
  out.reserve(total);
  AppendField(out, uint32_t(items.size()));
  for (const Text& item : items) {
    AppendField(out, uint32_t(item.size()));
    out.append(item);
  }
  return out;
}

std::optional<std::vector<Text>> DecodeItemList(std::string_view bytes) {
  size_t offset = 0;
  uint32_t count = 0;
  if (!TakeField(bytes, offset, count)) return std::nullopt;
  // Every item needs at least its length field, so a larger count is damage; checking
  // first keeps a damaged count from reserving gigabytes.
  if (count > (bytes.size() - offset) / kFieldSize) return std::nullopt;
  std::vector<Text> items;
  items.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = 0;
    if (!TakeField(bytes, offset, length)) return std::nullopt;
    if (length > bytes.size() - offset) return std::nullopt;
    items.emplace_back(bytes.substr(offset, length));
    offset += length;
  }
  if (offset != bytes.size()) return std::nullopt;
  return items;
}

}  // namespace plexaro
