#include "web/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "web/gbk.h"

namespace plexaro {
namespace {

// Backtracking budget of one match attempt at one start position. Enough for every
// reasonable pattern on a page of several megabytes; a catastrophic pattern reaches it
// within a fraction of a second and the run stops there. The budget is not summed over
// start positions, so a pattern that is slow but not exponential at every position
// still costs up to the subject's length times it.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 200'000;
constexpr uint32_t kHeapLimitKib = 64 * 1024;
// Results of ReplaceAll may be this large whatever the subject's size.
constexpr size_t kResultLimit = size_t(64) << 20;
constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextDeleter>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextDeleter>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;
using JitStackPtr = std::unique_ptr<pcre2_jit_stack, JitStackDeleter>;

// One JIT stack per thread: a compiled pattern may be shared by copies on several
// threads, but a JIT stack must never be used by two matches at once. A null result
// makes PCRE2 fall back to its small built-in stack.
pcre2_jit_stack* ThreadJitStack(void*) {
  thread_local JitStackPtr stack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
  return stack.get();
}

size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xE0) return 2;
  return lead < 0xF0 ? 3 : 4;
}

// The offset one character after `offset`, a CR LF pair counting as one character so
// that an empty match at a line end is not found again between CR and LF.
size_t NextCharacter(std::string_view utf8, size_t offset) {
  if (offset + 1 < utf8.size() && utf8[offset] == '\r' && utf8[offset + 1] == '\n') {
    return offset + 2;
  }
  return offset + Utf8Length(static_cast<unsigned char>(utf8[offset]));
}

// Turns offsets in the aligned UTF-8 form of a GBK text (GbkToUtf8Aligned) into GBK
// offsets. There every ASCII byte was one GBK byte and every other character two, so
// the GBK offset is the UTF-8 offset less one for each three-byte character before it.
// A cursor makes a run of nearby, mostly increasing offsets cost one walk in total.
class OffsetMapper {
 public:
  OffsetMapper(std::string_view utf8, size_t gbkSize) : utf8_(utf8), gbkSize_(gbkSize) {}

  size_t ToGbk(size_t offset) {
    // The only character that is not two GBK bytes, a lone lead byte, ends the text.
    if (offset >= utf8_.size()) return gbkSize_;
    if (offset > at_) {
      threeByteLeads_ += CountThreeByteLeads(at_, offset);
    } else {
      threeByteLeads_ -= CountThreeByteLeads(offset, at_);
    }
    at_ = offset;
    return at_ - threeByteLeads_;
  }

 private:
  // Bytes 0xE0..0xEF in [from, to), eight at a time: a byte of y is zero exactly where
  // the byte's high nibble is 0xE, and the usual carry-free test counts zero bytes.
  size_t CountThreeByteLeads(size_t from, size_t to) const {
    constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0u, kLeads = 0xE0E0E0E0E0E0E0E0u;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu, kHigh = 0x8080808080808080u;
    constexpr uint64_t kOnes = 0x0101010101010101u;
    const char* bytes = utf8_.data();
    size_t count = 0, i = from;
    for (; i + 8 <= to; i += 8) {
      uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      uint64_t y = (word & kHighNibbles) ^ kLeads;
      uint64_t zeroBytes = (~(((y & kLow7) + kLow7) | y) & kHigh) >> 7;  // 1 in each
      count += size_t((zeroBytes * kOnes) >> 56);                        // their sum
    }
    for (; i < to; ++i) count += (static_cast<unsigned char>(bytes[i]) >> 4) == 0xE;
    return count;
  }

  std::string_view utf8_;
  size_t gbkSize_;
  size_t at_ = 0;
  size_t threeByteLeads_ = 0;  // in utf8_[0, at_)
};

// A replacement text cut into literal runs and references, parsed once per call.
class Replacement {
 public:
  enum class Kind { kLiteral, kGroup, kMatch, kBefore, kAfter };
  struct Piece {
    Kind kind = Kind::kLiteral;
    size_t offset = 0, length = 0;  // kLiteral: the run in the replacement text
    size_t group = 0;               // kGroup: 1-based
  };

  Replacement(std::string_view text, size_t groups) : text_(text) { Parse(groups); }

  bool UsesGroups() const { return usesGroups_; }

  // Appends the expansion for one match; `spans` holds the match and its groups as GBK
  // offsets in `subject` (start Span::kUnset for an unset group). False, leaving the rest
  // out, when `out` would grow beyond `limit` bytes.
  template <typename Span>
  bool Expand(std::string_view subject, const Span* spans, size_t limit, Text& out) const {
    for (const Piece& piece : pieces_) {
      std::string_view part = PieceText(piece, subject, spans);
      if (out.size() + part.size() > limit) return false;
      out.append(part);
    }
    return true;
  }

 private:
  template <typename Span>
  std::string_view PieceText(const Piece& piece, std::string_view subject,
                             const Span* spans) const {
    switch (piece.kind) {
      case Kind::kLiteral:
        return text_.substr(piece.offset, piece.length);
      case Kind::kGroup:
        return SpanText(subject, spans[piece.group]);
      case Kind::kMatch:
        return SpanText(subject, spans[0]);
      case Kind::kBefore:
        return subject.substr(0, spans[0].start);
      case Kind::kAfter:
        return subject.substr(spans[0].end);
    }
    return {};
  }

  template <typename Span>
  static std::string_view SpanText(std::string_view subject, const Span& span) {
    if (span.start == Span::kUnset) return {};
    return subject.substr(span.start, span.end - span.start);
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  // The reference that starts with the "$" at `i`, and its length; none when the "$"
  // is an ordinary character. As the script engine reads it: two digits when they name
  // an existing group, else one digit when it does; "$0" is never a reference.
  bool ReferenceAt(size_t i, size_t groups, Piece& piece, size_t& length) const {
    if (i + 1 >= text_.size()) return false;
    char next = text_[i + 1];
    length = 2;
    switch (next) {
      case '$':
        piece = {Kind::kLiteral, i, 1};
        return true;
      case '&':
        piece = {Kind::kMatch};
        return true;
      case '`':
        piece = {Kind::kBefore};
        return true;
      case '\'':
        piece = {Kind::kAfter};
        return true;
    }
    if (!IsDigit(next)) return false;
    size_t one = size_t(next - '0');
    if (i + 2 < text_.size() && IsDigit(text_[i + 2])) {
      size_t two = one * 10 + size_t(text_[i + 2] - '0');
      if (two >= 1 && two <= groups) {
        piece = {Kind::kGroup, 0, 0, two};
        length = 3;
        return true;
      }
    }
    if (one < 1 || one > groups) return false;
    piece = {Kind::kGroup, 0, 0, one};
    return true;
  }

  void Parse(size_t groups) {
    size_t literalStart = 0, i = 0;
    while (i < text_.size()) {
      Piece piece;
      size_t length = 0;
      if (IsLeadByte(text_[i])) {
        i += 2;  // a trail byte never starts a reference
      } else if (text_[i] != '$' || !ReferenceAt(i, groups, piece, length)) {
        ++i;
      } else {
        AddLiteral(literalStart, i);
        pieces_.push_back(piece);
        usesGroups_ = usesGroups_ || piece.kind == Kind::kGroup;
        i += length;
        literalStart = i;
      }
    }
    AddLiteral(literalStart, text_.size());
  }

  void AddLiteral(size_t start, size_t end) {
    if (end > start) pieces_.push_back({Kind::kLiteral, start, end - start});
  }

  std::string_view text_;
  std::vector<Piece> pieces_;
  bool usesGroups_ = false;
};

}  // namespace

struct RegexObject::Compiled {
  Text pattern;  // as given, GBK
  CodePtr code;
  MatchContextPtr context;
  bool global = true;
  size_t groups = 0;

  // Calls onMatch(ovector) for each match from left to right, the first only when not
  // global, until it returns false. An empty match moves the next search on by one
  // character. A failure of the engine (a limit reached) ends the run as if nothing
  // more matched.
  template <typename OnMatch>
  void ForEachMatch(std::string_view utf8, OnMatch onMatch) const {
    MatchDataPtr data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!data) return;
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(utf8.data());
    size_t start = 0;
    while (start <= utf8.size()) {
      int rc = pcre2_match(code.get(), subject, utf8.size(), start, PCRE2_NO_UTF_CHECK, data.get(),
                           context.get());
      if (rc <= 0) return;
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
      if (!onMatch(ovector) || !global) return;
      size_t end = ovector[1];
      if (end <= ovector[0] || end <= start) {  // also guarantees progress
        if (end >= utf8.size()) return;
        end = NextCharacter(utf8, std::max(end, start));
      }
      start = end;
    }
  }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;
RegexObject::RegexObject(RegexObject&& other) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&& other) noexcept = default;

namespace {

// Puts a backslash before every character of the text that is in `special`, walking the
// text by characters so that a trail byte is never taken for an ASCII character. One
// pass gives what escaping each listed character in turn gives, the backslash first.
Text EscapeCharacters(std::string_view text, std::string_view special) {
  Text out;
  out.reserve(text.size() + text.size() / 4);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsLeadByte(c)) {
      out.push_back(c);
      if (++i < text.size()) out.push_back(text[i]);
      continue;
    }
    if (special.find(c) != std::string_view::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace

Text RegexObject::EscapeWildcard(std::string_view text) {
  Text escaped = EscapeCharacters(text, "\\^$+.{}[]=()-\"");
  escaped = plexaro::ReplaceAll(escaped, "*", ".*");
  return plexaro::ReplaceAll(escaped, "?", ".?");
}

Text RegexObject::EscapeAll(std::string_view text) {
  return EscapeCharacters(text, "\\^$+.{}[]=()?*|\"");
}

Text RegexObject::EscapeKeepBar(std::string_view text) {
  return EscapeCharacters(text, "\\^$+.{}[]=()?*\"");
}

Text RegexObject::EscapeKeepGroups(std::string_view text) {
  return EscapeCharacters(text, "\\^$+.{}[]=?*\"");
}

bool RegexObject::Create(std::string_view pattern, bool ignoreCase, bool multiLine, bool global) {
  compiled_.reset();
  // The script engine's dialect: \u and \x as there, [] and [^] allowed, a reference to
  // an unset group matches empty, and $ ends only the subject when not multi-line. \C
  // could split a UTF-8 character, so it is refused.
  uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                     PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;
  if (ignoreCase) options |= PCRE2_CASELESS;
  options |= multiLine ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

  CompileContextPtr compileContext(pcre2_compile_context_create(nullptr));
  MatchContextPtr matchContext(pcre2_match_context_create(nullptr));
  if (!compileContext || !matchContext) return false;
  pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);

  std::string utf8 = GbkToUtf8Aligned(pattern);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options,
                             &error, &errorOffset, compileContext.get()));
  if (!code) return false;
  pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);  // without JIT the interpreter runs

  pcre2_set_match_limit(matchContext.get(), kMatchLimit);
  pcre2_set_depth_limit(matchContext.get(), kDepthLimit);
  pcre2_set_heap_limit(matchContext.get(), kHeapLimitKib);
  pcre2_jit_stack_assign(matchContext.get(), ThreadJitStack, nullptr);

  uint32_t captures = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
  auto compiled = std::make_shared<Compiled>();
  compiled->pattern.assign(pattern);
  compiled->code = std::move(code);
  compiled->context = std::move(matchContext);
  compiled->global = global;
  compiled->groups = captures;
  compiled_ = std::move(compiled);
  return true;
}

long RegexObject::Execute(std::string_view subject) {
  std::string utf8 = compiled_ ? GbkToUtf8Aligned(subject) : std::string();
  subject_.assign(subject);
  spans_.clear();
  spansPerMatch_ = 0;
  if (!compiled_) return 0;
  spansPerMatch_ = compiled_->groups + 1;
  OffsetMapper mapper(utf8, subject_.size());
  compiled_->ForEachMatch(utf8, [&](const PCRE2_SIZE* ovector) {
    for (size_t i = 0; i < spansPerMatch_; ++i) {
      PCRE2_SIZE start = ovector[2 * i], end = ovector[2 * i + 1];
      if (start == PCRE2_UNSET) {
        spans_.push_back({Span::kUnset, Span::kUnset});
      } else {
        spans_.push_back({mapper.ToGbk(start), mapper.ToGbk(end)});
      }
    }
    return true;
  });
  return MatchCount();
}

Text RegexObject::PatternText() const {
  return compiled_ ? compiled_->pattern : Text();
}

Text RegexObject::ReplaceAll(std::string_view subject, std::string_view replacement) {
  if (!compiled_) return Text(subject);
  std::string utf8 = GbkToUtf8Aligned(subject);
  Replacement expansion(replacement, compiled_->groups);
  size_t spanCount = expansion.UsesGroups() ? compiled_->groups + 1 : 1;
  std::vector<Span> spans(spanCount);
  OffsetMapper mapper(utf8, subject.size());
  // "$`" and "$'" can make the result grow with the square of the subject; beyond this
  // size the replacement is refused rather than exhausting memory.
  const size_t limit = std::max(kResultLimit, 16 * subject.size());
  bool tooLarge = false;
  Text out;
  out.reserve(subject.size());
  size_t copied = 0;  // the subject is in `out` up to this GBK offset
  compiled_->ForEachMatch(utf8, [&](const PCRE2_SIZE* ovector) {
    for (size_t i = 0; i < spanCount; ++i) {
      PCRE2_SIZE start = ovector[2 * i], end = ovector[2 * i + 1];
      spans[i] = start == PCRE2_UNSET ? Span{Span::kUnset, Span::kUnset}
                                      : Span{mapper.ToGbk(start), mapper.ToGbk(end)};
    }
    out.append(subject.substr(copied, spans[0].start - copied));
    tooLarge = !expansion.Expand(subject, spans.data(), limit, out);
    copied = spans[0].end;
    return !tooLarge;
  });
  if (tooLarge) return Text(subject);
  out.append(subject.substr(copied));
  return out;
}

long RegexObject::MatchCount() const {
  return spansPerMatch_ ? long(spans_.size() / spansPerMatch_) : 0;
}

const RegexObject::Span* RegexObject::FindSpan(long match, long group) const {
  if (match < 1 || match > MatchCount() || group < 0 || size_t(group) >= spansPerMatch_) {
    return nullptr;
  }
  const Span* span = &spans_[size_t(match - 1) * spansPerMatch_ + size_t(group)];
  return span->start == Span::kUnset ? nullptr : span;
}

Text RegexObject::MatchText(long match) const {
  return MatchTextAt(match);
}

Text RegexObject::SubMatchText(long match, long group) const {
  return SubMatchTextAt(match, group);
}

long RegexObject::SubMatchCount() const {
  return MatchCount() > 0 ? long(spansPerMatch_ - 1) : 0;
}

Text RegexObject::MatchTextAt(long match, long* position) const {
  return SpanText(FindSpan(match, 0), position);
}

Text RegexObject::SubMatchTextAt(long match, long group, long* position) const {
  return SpanText(group >= 1 ? FindSpan(match, group) : nullptr, position);
}

Text RegexObject::SpanText(const Span* span, long* position) const {
  if (position) *position = span ? long(span->start) : -2;
  return span ? subject_.substr(span->start, span->end - span->start) : Text();
}

}  // namespace plexaro
