// RegexObject: one regular expression and the result of its last run, on PCRE2.
//
// Patterns, subjects and replacements are GBK Text; they run in PCRE2's UTF mode on
// their UTF-8 form and results come back as GBK. Without a successful Create (or with
// an invalid pattern) every operation gives its empty result: false, 0 or empty text.
// An instance belongs to one thread.
//
// The syntax and matching follow the script engine's regular expressions: "\s" is ASCII
// white space only, CR and LF each end a line (a CR LF pair once), an empty match moves
// the next search on by one character, and replacements know $1..$99, $&, $`, $' and
// $$. A run that hits the engine's backtracking limits stops there: the matches found
// before it stand and the rest of the subject counts as unmatched.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "web/text.h"

namespace plexaro {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  // A copy shares the compiled pattern and copies the last subject and its matches.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject& other);
  RegexObject(RegexObject&& other) noexcept;
  RegexObject& operator=(RegexObject&& other) noexcept;

  // Backslash-escape the listed pattern characters (the backslash first).
  static Text EscapeWildcard(std::string_view text);  // then "*" -> ".*", "?" -> ".?"
  static Text EscapeAll(std::string_view text);
  static Text EscapeKeepBar(std::string_view text);
  static Text EscapeKeepGroups(std::string_view text);

  // Compiles the pattern, replacing the previous one (the last matches stay); false when
  // it is not a valid pattern, which leaves the object without a pattern.
  bool Create(std::string_view pattern, bool ignoreCase = true, bool multiLine = true,
              bool global = true);
  // Runs on the subject and keeps its matches; returns MatchCount().
  long Execute(std::string_view subject);
  Text PatternText() const;
  // Replaces every match (the first only when not global); "$1" and the like refer to
  // groups. Returns the subject unchanged when there is no valid pattern, or when the
  // result would exceed both 64 MB and 16 times the subject.
  Text ReplaceAll(std::string_view subject, std::string_view replacement);

  long MatchCount() const;
  // Numbers out of range, and a group that took no part in the match, give empty text.
  Text MatchText(long match) const;                 // 1-based
  Text SubMatchText(long match, long group) const;  // both 1-based
  long SubMatchCount() const;                       // groups of the first match; 0 if none
  // As MatchText / SubMatchText; `position`, when given, receives the 0-based GBK byte
  // offset of the text in the last subject (-2 for numbers out of range or a group that
  // took no part in the match).
  Text MatchTextAt(long match, long* position = nullptr) const;
  Text SubMatchTextAt(long match, long group, long* position = nullptr) const;

 private:
  struct Compiled;
  // The span of a match or group as GBK offsets in subject_; start is kUnset for a
  // group that took no part in its match.
  struct Span {
    static constexpr size_t kUnset = size_t(-1);
    size_t start, end;
  };

  const Span* FindSpan(long match, long group) const;  // group 0: the match; null if none
  Text SpanText(const Span* span, long* position) const;

  std::shared_ptr<const Compiled> compiled_;
  Text subject_;
  std::vector<Span> spans_;  // spansPerMatch_ for each match: the match, then its groups
  size_t spansPerMatch_ = 0;
};

}  // namespace plexaro
