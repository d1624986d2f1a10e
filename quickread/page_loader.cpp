#include "quickread/page_loader.h"

#include "core/tag_object.h"
#include "quickread/link_fixing.h"
#include "web/address.h"
#include "web/event_pump.h"
#include "web/markers.h"
#include "web/timed_fetch.h"
#include "web/web_request.h"

namespace plexaro {
namespace {

constexpr int kPasses = 2;
// Where a script without a title sends the browser, tried in this order.
constexpr std::string_view kScriptTargets[] = {"location.href", "self.location", "top.location"};

// Blanks and one pair of matching quotes around a target, as browsers read
// content="0; URL='next.html'".
Text CleanTarget(std::string_view target) {
  target = TrimBlanks(target);
  if (target.size() >= 2 && (target.front() == '\'' || target.front() == '"') &&
      target.back() == target.front()) {
    target = TrimBlanks(target.substr(1, target.size() - 2));
  }
  return Text(target);
}

// A target such as "javascript:go()", "mailto:" or "ftp://" names nothing to fetch.
bool FetchableTarget(std::string_view target) {
  size_t i = 0;
  auto schemeByte = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
  };
  while (i < target.size() && schemeByte(target[i])) ++i;
  if (i == 0 || i == target.size() || target[i] != ':') return true;  // no scheme: relative
  std::string_view scheme = target.substr(0, i);
  return EqualsIgnoreCase(scheme, "http") || EqualsIgnoreCase(scheme, "https");
}

Text FetchOnce(WebRequest& request, const Text& address, CharsetHint hint, int timeoutSeconds,
               std::string_view cookie, const std::atomic<bool>* abortFlag) {
  if (EqualsIgnoreCase(std::string_view(address).substr(0, 8), "https://")) {
    return DecodeBody(FetchWithTimeout(address, 0, {}, {}, {}, cookie, timeoutSeconds, nullptr,
                                       nullptr, false, abortFlag),
                      hint);
  }
  Text sentCookie(cookie);
  return request.Fetch(address, {}, int(hint), timeoutSeconds, std::nullopt, false, {}, {},
                       &sentCookie);
}

Text MetaRefreshTarget(TagObject& tags, std::string_view page) {
  Text meta = tags.FindElement(page, "meta", {"http-equiv"}, {"Refresh"});
  if (meta.empty()) return {};
  return CleanTarget(TextBetween(TagObject::Attribute(meta, "content"), "URL=", ""));
}

Text ScriptTarget(TagObject& tags, std::string_view page) {
  Text script = tags.FindElement(page, "script", {"language"}, {"javascript"});
  if (script.empty()) return {};
  for (std::string_view name : kScriptTargets) {
    Text value = CleanTarget(TagObject::Attribute(script, name));
    if (!value.empty()) return value;
  }
  // The call's argument read as an assignment; blanks inside the parenthesis would
  // otherwise stand between the "=" and the value.
  Text asAssignment = TagObject::NormalizeEquals(ReplaceAll(script, "(", "="));
  return CleanTarget(TagObject::Attribute(asAssignment, "window.navigate"));
}

// Where a page without a title sends the browser; empty when nowhere (or somewhere that
// is not a web page).
Text RedirectTarget(TagObject& tags, std::string_view page) {
  Text target = MetaRefreshTarget(tags, page);
  if (target.empty()) target = ScriptTarget(tags, page);
  return FetchableTarget(target) ? target : Text();
}

}  // namespace

Text FetchPage(Text& address, CharsetHint hint, int timeoutSeconds, std::string_view cookie,
               int emptyPagePauseMs, const std::atomic<bool>* abortFlag) {
  WebRequest request;
  request.SetExternalAbort(abortFlag);
  QuickReadTagObject tags;
  tags.Init();
  Text page;
  for (int pass = 0; pass < kPasses; ++pass) {
    page = FetchOnce(request, address, hint, timeoutSeconds, cookie, abortFlag);
    if (abortFlag && abortFlag->load()) return {};
    if (page.empty()) {
      WaitWithEvents(emptyPagePauseMs);
      continue;
    }
    if (!TextBetween(page, "<title>", "</title>").empty()) break;
    Text target = RedirectTarget(tags, page);
    if (target.empty()) break;
    address = AbsoluteAddress(address, target);
  }
  return FixLinks(address, page);
}

}  // namespace plexaro
