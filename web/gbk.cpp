#include "web/gbk.h"

#include <errno.h>
#include <iconv.h>

#include <map>
#include <mutex>
#include <unordered_map>

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

}  // namespace

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
