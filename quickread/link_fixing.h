// Link fixing: makes a fetched page stand on its own once it is shown or cached away
// from its address. Lazily loaded images get a real "src", relative "src=" and "href="
// values become absolute, and "&amp;" is decoded.
//
// Works on the text alone (an "src=" or "href=" in script or plain text is rewritten
// like an attribute). Safe on any thread; pumps the calling thread's events.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

// The page fixed for the page's absolute `address`; a "base" element with an "href"
// replaces the address's host and directory. `page` receives the page with its "="
// blanks collapsed and its lazy images resolved, before any address is rewritten.
Text FixLinks(std::string_view address, Text& page);

}  // namespace plexaro
