#include "web/gbk.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace plexaro {
namespace {

// One iconv descriptor, closed on destruction.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; on a sequence it cannot take, appends `replacement` and
  // skips `skip` input bytes (or to the end when fewer remain).
  void Run(std::string_view in, std::string& out, std::string_view replacement, size_t skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[16384];
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      int error = errno;
      out.append(buffer, size_t(dst - buffer));
      if (rc != size_t(-1) || error == E2BIG) continue;
      // EILSEQ or EINVAL (truncated input at the end): one replacement, then move on.
      out.append(replacement);
      size_t step = std::min(skip, srcLeft);
      src += step;
      srcLeft -= step;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
  }

 private:
  iconv_t cd_;
};

// Converts through UTF-32 so that an undecodable input sequence and a character GBK
// lacks are told apart and each becomes exactly one "?".
void DecodeToUtf32(Converter& decoder, std::string_view bytes, std::string& utf32) {
  static const std::string kQuestionMark("?\0\0\0", 4);
  decoder.Run(bytes, utf32, kQuestionMark, 1);
}

// Code points of every byte pair that starts with a lead byte, 0 where GBK has none.
// Built once, on first use, by decoding each pair on its own.
class PairTable {
 public:
  PairTable() : codes_(0x80 * 0x100, 0) {
    Converter decoder("UTF-32LE", "GBK");
    if (!decoder.ok()) return;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        char pair[2] = {char(lead), char(trail)};
        std::string utf32;
        decoder.Run(std::string_view(pair, 2), utf32, std::string_view(), 2);
        if (utf32.size() != 4) continue;
        auto byte = [&](int i) { return char32_t(static_cast<unsigned char>(utf32[i])); };
        char32_t code = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
        // Only characters that keep the one-non-ASCII-character-per-pair promise.
        if (code >= 0x80 && code <= 0xFFFF) codes_[Index(lead, trail)] = char16_t(code);
      }
    }
  }

  char16_t Lookup(unsigned char lead, unsigned char trail) const {
    return codes_[Index(lead, trail)];
  }

 private:
  static size_t Index(unsigned lead, unsigned trail) { return (lead - 0x80) * 0x100 + trail; }
  std::vector<char16_t> codes_;
};

const PairTable& GbkPairs() {
  static const PairTable table;
  return table;
}

// Appends the UTF-8 form of a code point between U+0080 and U+FFFF.
char* PutUtf8(char* out, char16_t code) {
  if (code < 0x800) {
    *out++ = char(0xC0 | code >> 6);
  } else {
    *out++ = char(0xE0 | code >> 12);
    *out++ = char(0x80 | ((code >> 6) & 0x3F));
  }
  *out++ = char(0x80 | (code & 0x3F));
  return out;
}

}  // namespace

std::string GbkToUtf8Aligned(std::string_view gbkBytes) {
  constexpr char16_t kReplacement = 0xFFFD;
  const PairTable& pairs = GbkPairs();
  std::string out;
  // A pair gives at most three bytes; only a lone lead byte at the end grows 1 -> 3.
  out.resize(gbkBytes.size() + gbkBytes.size() / 2 + 3);
  char* put = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(gbkBytes.data());
  const auto* end = in + gbkBytes.size();
  while (in < end) {
    // Markup is mostly ASCII: copy eight bytes at once while none has its high bit set.
    if (end - in >= 8) {
      uint64_t word;
      std::memcpy(&word, in, 8);
      if ((word & 0x8080808080808080u) == 0) {
        std::memcpy(put, in, 8);
        put += 8;
        in += 8;
        continue;
      }
    }
    if (!IsLeadByte(*in)) {
      *put++ = char(*in++);
    } else if (end - in >= 2) {
      char16_t code = pairs.Lookup(in[0], in[1]);
      put = PutUtf8(put, code ? code : kReplacement);
      in += 2;
    } else {
      put = PutUtf8(put, kReplacement);
      ++in;
    }
  }
  out.resize(size_t(put - out.data()));
  return out;
}

bool ConvertToGbk(std::string_view bytes, const char* charset, Text& out) {
  out.clear();
  Converter decoder("UTF-32LE", charset);
  if (!decoder.ok()) return false;
  std::string utf32;
  DecodeToUtf32(decoder, bytes, utf32);
  Converter encoder("GBK", "UTF-32LE");
  encoder.Run(utf32, out, "?", 4);
  return true;
}

bool ConvertFromGbk(std::string_view gbkBytes, const char* charset, std::string& out) {
  out.clear();
  Converter decoder("UTF-32LE", "GBK");
  Converter encoder(charset, "UTF-32LE");
  if (!decoder.ok() || !encoder.ok()) return false;
  std::string utf32;
  DecodeToUtf32(decoder, gbkBytes, utf32);
  encoder.Run(utf32, out, "?", 4);
  return true;
}

Text Utf8ToGbk(std::string_view utf8) {
  Text out;
  ConvertToGbk(utf8, "UTF-8", out);
  return out;
}

std::string GbkToUtf8(std::string_view gbkBytes) {
  std::string out;
  ConvertFromGbk(gbkBytes, "UTF-8", out);
  return out;
}

Text CodePointToGbk(char32_t codePoint) {
  if (codePoint == 0) return Text();
  char utf32[4] = {char(codePoint & 0xFF), char((codePoint >> 8) & 0xFF),
                   char((codePoint >> 16) & 0xFF), char((codePoint >> 24) & 0xFF)};
  Converter encoder("GBK", "UTF-32LE");
  Text out;
  encoder.Run(std::string_view(utf32, 4), out, std::string_view(), 4);
  return out;
}

const Text& gbk(std::string_view utf8Literal) {
  static std::mutex mutex;
  static std::unordered_map<std::string, Text> cache;  // nodes are stable
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(std::string(utf8Literal));
  if (it == cache.end()) it = cache.emplace(std::string(utf8Literal), Utf8ToGbk(utf8Literal)).first;
  return it->second;
}

}  // namespace plexaro
