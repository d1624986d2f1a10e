#include "web/charset.h"

#include <strings.h>

#include <array>

#include "web/event_pump.h"
#include "web/gbk.h"
#include "web/markers.h"

namespace plexaro {
namespace {

// The declarations that name each charset, as the markers are written ("''" for a
// double quote), in the order they are tested.
struct MetaList {
  CharsetHint charset;
  std::string_view items;  // "[fg]"-separated
};
constexpr std::array<MetaList, 3> kMetaLists = {{
    {CharsetHint::kUtf8, "charset=UTF-8[fg]charset=''UTF-8''[fg]charset='UTF-8'"},
    {CharsetHint::kBig5, "charset=Big5[fg]charset=''Big5''[fg]charset='Big5'"},
    {CharsetHint::kBig5Hkscs,
     "charset=Big5-HKSCS[fg]charset=''Big5-HKSCS''[fg]charset='Big5-HKSCS'"},
}};

const char* ConverterName(CharsetHint charset) {
  switch (charset) {
    case CharsetHint::kUtf8:
      return "UTF-8";
    case CharsetHint::kUtf16LittleEndian:
      return "UTF-16LE";
    case CharsetHint::kUtf16BigEndian:
      return "UTF-16BE";
    case CharsetHint::kBig5:
      return "BIG5";
    case CharsetHint::kBig5Hkscs:
      return "BIG5-HKSCS";
    default:
      return nullptr;
  }
}

bool TagMatches(std::string_view tag, std::string_view items) {
  for (const Text& item : SplitText(items, "[fg]")) {
    if (FindText(tag, PairsToQuotes(item), 1, Case::kIgnore) > 0) return true;
  }
  return false;
}

bool IsGbkCompatible(const char* charset) {
  for (const char* name : {"GB18030", "GBK", "CP936", "GB2312"}) {
    if (strcasecmp(charset, name) == 0) return true;
  }
  return false;
}

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.substr(0, mark.size()) == mark;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

// The encoding detection settles on and the number of mark bytes to skip.
struct Detected {
  CharsetHint charset;
  size_t skip;
};

Detected Detect(std::string_view body) {
  if (StartsWith(body, kUtf8Mark)) return {CharsetHint::kUtf8, 3};
  if (StartsWith(body, kUtf16LittleEndianMark)) return {CharsetHint::kUtf16LittleEndian, 2};
  if (StartsWith(body, kUtf16BigEndianMark)) return {CharsetHint::kUtf16BigEndian, 2};
  return {MetaCharset(body), 0};
}

Detected Forced(std::string_view body, CharsetHint hint) {
  switch (hint) {
    case CharsetHint::kUtf8:
      return {hint, StartsWith(body, kUtf8Mark) ? 3u : 0u};
    case CharsetHint::kUtf16LittleEndian:
    case CharsetHint::kUtf16BigEndian:
      return {hint, std::min<size_t>(2, body.size())};
    default:
      return {hint, 0};
  }
}

constexpr size_t kPumpInterval = 64 * 1024;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

}  // namespace

Text DecodeBody(std::string_view body, CharsetHint hint) {
  Detected found = hint == CharsetHint::kDetect ? Detect(body) : Forced(body, hint);
  std::string_view rest = body.substr(found.skip);
  if (found.charset == CharsetHint::kDetect && LooksLikeUtf8(rest)) {
    found.charset = CharsetHint::kUtf8;
  }
  Text text;
  if (const char* name = ConverterName(found.charset); name && !rest.empty()) {
    text = ConvertCharset(rest, name, "GB18030");
  }
  return text.empty() ? Text(body) : text;
}

CharsetHint MetaCharset(std::string_view page) {
  Text head = TextBetween(page, "<head>", "</head>");
  std::string_view part = head.empty() ? page : std::string_view(head);
  for (long position = 1;;) {
    long before = position;
    Text tag = TextBetween(part, "<meta", ">", &position);
    if (position == before) return CharsetHint::kDetect;
    for (const MetaList& list : kMetaLists) {
      if (TagMatches(tag, list.items)) return list.charset;
    }
  }
}

bool LooksLikeUtf8(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  bool sawSequence = false;
  size_t nextPump = kPumpInterval;
  for (size_t i = 0; i < n;) {
    if (i >= nextPump) {
      PumpEvents();
      nextPump += kPumpInterval;
    }
    if (b[i] < 0x80) {
      ++i;
    } else if ((b[i] & 0xE0) == 0xC0 && i + 1 < n && IsContinuation(b[i + 1])) {
      i += 2;
      sawSequence = true;
    } else if ((b[i] & 0xF0) == 0xE0 && i + 2 < n && IsContinuation(b[i + 1]) &&
               IsContinuation(b[i + 2])) {
      i += 3;
      sawSequence = true;
    } else {
      return false;
    }
  }
  return sawSequence;
}

ByteSet ConvertCharset(std::string_view bytes, const char* sourceCharset,
                       const char* targetCharset) {
  Text gbkText;
  if (!ConvertToGbk(bytes, sourceCharset, gbkText)) return ByteSet();
  if (IsGbkCompatible(targetCharset)) return gbkText;
  ByteSet out;
  ConvertFromGbk(gbkText, targetCharset, out);
  return out;
}

}  // namespace plexaro
