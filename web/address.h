// Host, percent-encoding and parent of addresses and paths.
//
// Pure functions on GBK Text; safe to call from any thread.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

// The host of an address: after the first "//" (or from the start when there is none)
// up to the next "/". With `mainDomain`, the registrable domain in lower case: the last
// two labels, or three after a compound suffix such as ".com.cn" ("com net org edu gov
// tel info name"); a host that is "www." plus that domain stays as it is. With
// `withScheme`, everything up to and including the first "://" goes in front; an
// address without "://" gets nothing in front.
Text HostOfAddress(std::string_view address, bool mainDomain = false, bool withScheme = false);

// Percent-encoding with upper-case hex. `asUtf8` encodes the UTF-8 form of the text and
// drops NUL bytes (GBK bytes are encoded as they are otherwise). ASCII letters, digits
// and ".", "_", "-" stay literal unless `encodeEverything`; `keepAmpersandAndEquals`
// leaves "&" and "=" literal. Pumps events now and then on long input.
Text UrlEncode(std::string_view text, bool asUtf8, bool keepAmpersandAndEquals = false,
               bool encodeEverything = false);

// Everything before the last `separator` ('/' or '\\'); empty when there is none.
Text ParentPath(std::string_view path, char separator);

// The directory of a page's address, ending in "/": the address up to the last "/" of
// its path (query and fragment left out), or the address and "/" when nothing follows
// its host.
Text AddressDirectory(std::string_view address);

// The address a link on the page at `base` leads to: a link holding "://" as it is;
// "//x" with the base's scheme ("http:" when it has none); "/x" after the base's scheme
// and host; "?q" after the base without its query; "#f" after the base without its
// fragment; anything else after AddressDirectory(base). An empty link gives the base.
Text AbsoluteAddress(std::string_view base, std::string_view link);

}  // namespace plexaro
