// RegexObject: one regular expression and the result of its last run, on PCRE2.
//
// Patterns, subjects and replacements are GBK Text; they run in PCRE2's UTF mode on
// their UTF-8 form and results come back as GBK. Without a successful Create (or with
// an invalid pattern) every operation gives its empty result: false, 0 or empty text.
// An instance belongs to one thread.
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
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject& other);

  // Backslash-escape the listed pattern characters (the backslash first).
  static Text EscapeWildcard(std::string_view text);  // then "*" -> ".*", "?" -> ".?"
  static Text EscapeAll(std::string_view text);
  static Text EscapeKeepBar(std::string_view text);
  static Text EscapeKeepGroups(std::string_view text);

  // Compiles the pattern; false when it is not a valid pattern.
  bool Create(std::string_view pattern, bool ignoreCase = true, bool multiLine = true,
              bool global = true);
  // Runs on the subject and keeps its matches; returns MatchCount().
  long Execute(std::string_view subject);
  Text PatternText() const;
  // Replaces every match (the first only when not global); "$1" and the like refer to
  // groups. Returns the subject unchanged when there is no valid pattern.
  Text ReplaceAll(std::string_view subject, std::string_view replacement);

  long MatchCount() const;
  Text MatchText(long match) const;                   // 1-based
  Text SubMatchText(long match, long group) const;    // both 1-based
  long SubMatchCount() const;                         // groups of the first match
  // As MatchText / SubMatchText; `position`, when given, receives the 0-based GBK byte
  // offset of the text in the last subject (-2 when it cannot be found).
  Text MatchTextAt(long match, long* position = nullptr) const;
  Text SubMatchTextAt(long match, long group, long* position = nullptr) const;

 private:
  struct Compiled;
  struct Match;
  std::shared_ptr<const Compiled> compiled_;
  std::vector<Match> matches_;
  Text subject_;
};

}  // namespace plexaro
