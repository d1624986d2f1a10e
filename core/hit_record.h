// One hit of a search-result page.
#pragma once

#include "web/text.h"

namespace plexaro {

struct HitRecord {
  Text title;    // plain text: tags removed, entities decoded, on one line
  Text address;  // the title link's href exactly as written in the page
  Text time;     // a short time text
  bool operator==(const HitRecord&) const = default;
};

}  // namespace plexaro
