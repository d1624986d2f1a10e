#include "web/text_helpers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// The named entities and their GBK characters, as two parallel lists in decoding order.
constexpr std::string_view kEntityNames =
    "&ndash;|&mdash;|&ldquo;|&rdquo;|&nbsp;|&lt;|&gt;|&quot;|&times;|&divide;|&middot;|"
    "&hellip;|&lsquo;|&rsquo;|&permil;|&prime;|&Prime;|&larr;|&uarr;|&rarr;|&darr;|&radic;|"
    "&prop;|&infin;|&ang;|&and;|&or;|&cap;|&cup;|&int;|&there4;|&sim;|&asymp;|&ne;|&equiv;|"
    "&le;|&ge;|&oplus;|&perp;|&amp;";
constexpr std::string_view kEntityCharacters =
    "\xA8\x43|\xA1\xAA|\xA1\xB0|\xA1\xB1| |<|>|\"|\xA1\xC1|\xA1\xC2|\xA1\xA4|"
    "\xA1\xAD|\xA1\xAE|\xA1\xAF|\xA1\xEB|\xA1\xE4|\xA1\xE5|\xA1\xFB|\xA1\xFC|\xA1\xFA|\xA1\xFD|"
    "\xA1\xCC|\xA1\xD8|\xA1\xDE|\xA1\xCF|\xA1\xC4|\xA1\xC5|\xA1\xC9|\xA1\xC8|\xA1\xD2|\xA1\xE0|"
    "\xA1\xAB|\xA1\xD6|\xA1\xD9|\xA1\xD4|\xA1\xDC|\xA1\xDD|\xA8\x92|\xA1\xCD|&";

// The entity table indexed by the folded first letter of the name, table order kept
// within each letter, so that one walk over the text tries only a few names at each "&".
class EntityTable {
 public:
  EntityTable()
      : names_(SplitText(kEntityNames, "|")), characters_(SplitText(kEntityCharacters, "|")) {
    for (size_t i = 0; i < names_.size(); ++i) {
      byLetter_[static_cast<unsigned char>(AsciiLower(names_[i][1]))].push_back(i);
    }
  }

  // The index of the entity at the start of `text`, or -1 when none is there.
  int Match(std::string_view text) const {
    if (text.size() < 2) return -1;
    for (size_t i : byLetter_[static_cast<unsigned char>(AsciiLower(text[1]))]) {
      const Text& name = names_[i];
      if (text.size() >= name.size() && EqualsIgnoreCase(text.substr(0, name.size()), name)) {
        return int(i);
      }
    }
    return -1;
  }
  const Text& Name(int index) const { return names_[size_t(index)]; }
  const Text& Character(int index) const { return characters_[size_t(index)]; }

 private:
  std::vector<Text> names_, characters_;
  std::array<std::vector<size_t>, 256> byLetter_;
};

// The named entities replaced in one walk. Equal to replacing the table's names one
// after the other (BatchReplace of the two lists): occurrences of different names never
// overlap (each is "&", letters, ";"), a name that matches several entries (letter case
// ignored) takes the earliest, no replacement but the last ("&amp;") produces a "&",
// and text replaced by "&amp;" is not scanned again.
Text DecodeNamedEntities(std::string_view text) {
  static const EntityTable table;
  Text out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t amp = i;
    while (amp < text.size() && text[amp] != '&') amp += IsLeadByte(text[amp]) ? 2 : 1;
    amp = std::min(amp, text.size());
    out.append(text.substr(i, amp - i));
    if (amp == text.size()) break;
    int entity = table.Match(text.substr(amp));
    if (entity >= 0) {
      out += table.Character(entity);
      i = amp + table.Name(entity).size();
    } else {
      out += '&';
      i = amp + 1;
    }
  }
  return out;
}

// The full-width forms that stand in for characters a file name cannot hold.
const char* FullWidthForFileName(char c) {
  switch (c) {
    case '\\':
      return "\xA3\xDC";
    case '/':
      return "\xA3\xAF";
    case ':':
      return "\xA3\xBA";
    case '*':
      return "\xA3\xAA";
    case '?':
      return "\xA3\xBF";
    case '|':
      return "\xA3\xFC";
    case '<':
      return "\xA3\xBC";
    case '>':
      return "\xA3\xBE";
    default:
      return nullptr;
  }
}

// Bytes of the character at `i` by the counting rule: a double-byte character (cut at
// the end of the text), a CR LF pair, or one byte.
size_t CharLength(std::string_view text, size_t i) {
  if (IsLeadByte(text[i]) || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
    return i + 1 < text.size() ? 2 : 1;
  }
  return 1;
}

// Values beyond any GBK character are clamped here, so long digit runs cannot overflow.
constexpr long kBeyondGbk = 0x110000;

long ReadDecimal(std::string_view digits) {
  size_t i = 0;
  while (i < digits.size() && (digits[i] == ' ' || digits[i] == '\t')) ++i;
  bool negative = false;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
  long value = 0;
  for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
    value = std::min(value * 10 + (digits[i] - '0'), kBeyondGbk);
  }
  return negative ? -value : value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

long ReadHex(std::string_view digits) {
  long value = 0;
  for (char c : digits) {
    int digit = HexDigit(c);
    if (digit < 0) break;
    value = std::min(value * 16 + digit, kBeyondGbk);
  }
  return value;
}

// The numeric value of the bytes between "&#" and ";": decimal, or when that gives 0,
// hexadecimal after the first character (the "x").
long ReferenceValue(std::string_view inner) {
  long value = ReadDecimal(inner);
  if (value != 0 || inner.empty()) return value;
  return ReadHex(inner.substr(CharLength(inner, 0)));
}

// Rewrites numeric references from the last to the first inside one buffer. The part
// not yet walked stays at the front; the walked part collects at the back, growing
// leftward. A reference never decodes to more bytes than it holds ("&#;" has three, a
// character at most two), so the two never meet, and each byte moves at most twice.
class NumericReferenceDecoder {
 public:
  explicit NumericReferenceDecoder(Text text)
      : buffer_(std::move(text)), unread_(buffer_.size()), written_(buffer_.size()) {}

  Text Run() {
    for (long count = 1;; ++count) {
      long hit = FindTextBackward(std::string_view(buffer_.data(), unread_), "&#");
      if (hit < 0) break;
      TakeFrom(size_t(hit) - 1);
      if (!semicolons_.empty()) DecodeAtFront();
      if (count % 1024 == 0) PumpEvents();
    }
    buffer_.erase(unread_, written_ - unread_);
    return std::move(buffer_);
  }

 private:
  // Moves the bytes from `at` up to the walked part in front of it, noting the
  // semicolons that start a character (nearest on top of the stack).
  void TakeFrom(size_t at) {
    size_t length = unread_ - at;
    written_ -= length;
    std::memmove(&buffer_[written_], &buffer_[at], length);
    unread_ = at;
    size_t mark = semicolons_.size();
    for (size_t i = written_; i < written_ + length;) {
      if (buffer_[i] == ';') semicolons_.push_back(i);
      i += IsLeadByte(buffer_[i]) ? 2 : 1;
    }
    std::reverse(semicolons_.begin() + long(mark), semicolons_.end());
  }

  // Replaces the reference at the front of the walked part, up to the nearest ";".
  void DecodeAtFront() {
    size_t semicolon = semicolons_.back();
    semicolons_.pop_back();
    std::string_view inner(&buffer_[written_ + 2], semicolon - written_ - 2);
    const Text& character = CharacterOf(ReferenceValue(inner));
    size_t start = semicolon + 1 - character.size();
    std::memcpy(&buffer_[start], character.data(), character.size());
    written_ = start;
    if (character == ";") semicolons_.push_back(start);
  }

  const Text& CharacterOf(long value) {
    static const Text kNothing;
    if (value < 1 || value > 0xFFFF) return kNothing;
    auto it = characters_.find(value);
    if (it == characters_.end())
      it = characters_.emplace(value, CodePointToGbk(char32_t(value))).first;
    return it->second;
  }

  Text buffer_;
  size_t unread_;   // [0, unread_) not walked yet
  size_t written_;  // [written_, size) walked and decoded
  std::vector<size_t> semicolons_;
  std::unordered_map<long, Text> characters_;
};

}  // namespace

Text BatchReplace(std::string_view text, std::string_view findList,
                  std::string_view replacementList, std::string_view separator) {
  std::vector<Text> finds = SplitText(findList, separator);
  std::vector<Text> replacements = SplitText(replacementList, separator);
  replacements.resize(finds.size());
  Text current(text);
  for (size_t i = 0; i < finds.size(); ++i) {
    current = ReplaceAll(current, finds[i], replacements[i], Case::kIgnore);
  }
  return current;
}

Text CleanFileName(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsLeadByte(c)) {
      out += c;
      if (i + 1 < text.size()) out += text[++i];
    } else if (const char* fullWidth = FullWidthForFileName(c)) {
      out += fullWidth;
    } else if (c != '"' && c != '\r' && c != '\n' && c != '\t') {
      out += c;
    }
  }
  return out;
}

long CharCount(std::string_view text) {
  long count = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) ++count;
  return count;
}

Text LeftChars(std::string_view text, long count) {
  if (count < 0) count += CharCount(text);
  if (count <= 0) return Text();
  size_t end = 0;
  for (long taken = 0; taken < count && end < text.size(); ++taken) end += CharLength(text, end);
  return Text(text.substr(0, end));
}

Text DecodeEntities(std::string_view text) {
  Text named = DecodeNamedEntities(text);
  if (named.find("&#") == Text::npos) return named;
  return NumericReferenceDecoder(std::move(named)).Run();
}

}  // namespace plexaro
